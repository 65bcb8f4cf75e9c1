// Delta coding of 8-bit frames: the first sample as it is, then one 4-bit
// code per further sample (two to a byte, low nibble first) naming one of 16
// signed byte deltas of the font's DELTA_TABLE.  The encoder follows the
// signal the decoder will rebuild, so rounding errors never add up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kav::font {

using DeltaTable8 = std::array<int8_t, 16>;

// A table fitted to the frames: starting from exponentially spaced steps,
// each step moves to the mean of the deltas the encoder wanted when it
// chose that step (Lloyd's method around the closed coding loop).
DeltaTable8 TrainDeltaTable8(const std::vector<std::vector<uint8_t>> &frames, int iterations = 6);

// 1 + n / 2 bytes for n >= 1 samples.  Each code is the one whose decoded
// sample lands nearest the wanted one without leaving 0..255; the table
// must hold a 0 step.
std::vector<uint8_t> EncodeDelta8(const uint8_t *samples, size_t n, const DeltaTable8 &table);

}  // namespace kav::font
