// Software volume for devices that cannot set their own: ten 8-bit tables
// (volume 5 is the identity; each step is a factor of the square root of
// two, the loud ones bending toward the ends instead of clipping) and
// shifts for 16-bit sound.
#pragma once

#include "platform/platform.h"

namespace kav {

// The table of an 8-bit volume 0..9: the new unsigned sample for each.
const BYTE *VolumeTable(LONG volume);

// Scales a buffer of samples in place for volume 0..9: 8-bit through the
// tables, 16-bit (little-endian, signed) shifted right by 5 - volume when
// the volume is below 5.  Volumes outside 0..9 and volume 5 change nothing.
void ScaleSamples(BYTE *data, DWORD bytes, WORD bitsPerSample, LONG volume);

}  // namespace kav
