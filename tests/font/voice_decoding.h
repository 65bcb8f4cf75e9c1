// How the engine reads a voice back: FrameRecords from INST, frame samples
// from PCMD, delta-coded 8-bit frames through DELTA_TABLE.  Written here
// from the font format, independently of the builder, to check its output.
#pragma once

#include "font_resource.h"

#include <cstdint>
#include <vector>

namespace kavtest {

struct Record {
    uint32_t flags, length, offset, nominal;
};

uint32_t U32(const std::vector<uint8_t> &b, size_t at);
Record RecordAt(const std::vector<uint8_t> &inst, uint32_t index);

// Samples of an 8-bit delta-coded frame of `length` bytes after decoding:
// first byte as is, then 4-bit codes, low nibble first, each adding its
// DELTA_TABLE byte modulo 256.
std::vector<uint8_t> DecodeDelta8(const uint8_t *data, uint32_t length, const uint8_t *table);

const std::vector<uint8_t> &Resource(const std::vector<kav::font::FontResource> &list, const char *type, uint16_t id);

}  // namespace kavtest
