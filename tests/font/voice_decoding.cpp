#include "font/voice_decoding.h"

#include "voice_resources.h"

#include <stdexcept>
#include <string>

namespace kavtest {

uint32_t U32(const std::vector<uint8_t> &b, size_t at) {
    return b.at(at) | (b.at(at + 1) << 8) | (b.at(at + 2) << 16) | (uint32_t{b.at(at + 3)} << 24);
}

Record RecordAt(const std::vector<uint8_t> &inst, uint32_t index) {
    const size_t at = size_t{index} * 16;
    return {U32(inst, at), U32(inst, at + 4), U32(inst, at + 8), U32(inst, at + 12)};
}

std::vector<uint8_t> DecodeDelta8(const uint8_t *data, uint32_t length, const uint8_t *table) {
    std::vector<uint8_t> out(length);
    if (length == 0) return out;
    out[0] = data[0];
    for (uint32_t i = 1; i < length; ++i) {
        const uint8_t byte = data[1 + (i - 1) / 2];
        const int code = ((i - 1) & 1) ? byte >> 4 : byte & 0x0F;
        out[i] = static_cast<uint8_t>(out[i - 1] + table[code]);
    }
    return out;
}

const std::vector<uint8_t> &Resource(const std::vector<kav::font::FontResource> &list, const char *type, uint16_t id) {
    const auto *r = kav::font::FindResource(list, kav::font::ResourceKey::Named(type), kav::font::ResourceKey::Id(id));
    if (r == nullptr) throw std::runtime_error(std::string("no resource ") + type);
    return r->bytes;
}

}  // namespace kavtest
