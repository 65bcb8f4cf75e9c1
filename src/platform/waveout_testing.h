// Test seams of wave output.  Not part of the engine's interface and not
// exported from the library.
#pragma once

#include "platform/win32_wave.h"

#include <vector>

namespace kav::testing {

// One stretch of sound the virtual device played without a break: whole
// frames, in order, the first at `time` (timeGetTime's reading, rounded
// down); frame k was played k * 1000 / samplesPerSec ms later.  A buffer
// interrupted by a pause or a reset yields a stretch per part played.
struct PlayedAudio {
    HWAVEOUT handle;
    DWORD time;
    DWORD samplesPerSec;
    WORD bitsPerSample;
    WORD channels;
    DWORD volume;  // the device volume while it played
    std::vector<BYTE> bytes;
};

// Everything the virtual device played since the last reset of the seams.
std::vector<PlayedAudio> VirtualPlayed();

// Forgets what was played and puts the virtual device back as a fresh
// process finds it: full volume, volume control offered, several handles
// may be open at once; disarms the failures below.
void ResetVirtualWaveOut();
// Whether the virtual device offers WAVECAPS_VOLUME (else the volume calls
// answer MMSYSERR_NOTSUPPORTED).
void SetVirtualVolumeControl(bool offered);
// Whether a second open of the virtual device fails with MMSYSERR_ALLOCATED.
void SetVirtualExclusive(bool exclusive);

// The next waveOutOpen (not a format query) of any device fails with this
// result; MMSYSERR_NOERROR disarms.
void FailNextWaveOutOpen(MMRESULT result);
// The next waveOutWrite that would succeed fails with this result instead,
// leaving the buffer unqueued; MMSYSERR_NOERROR disarms.
void FailNextWaveOutWrite(MMRESULT result);

}  // namespace kav::testing
