// The wave device of the playing phrase: opening it in the font's format,
// the four circulating buffers, software volume, and closing it.
#pragma once

#include "platform/platform.h"

namespace kav {

// Opens the SCB's device for the font's format with WaveOutCallback; 0 or
// the engine's code for the failure (-117 and -121 .. -123, -101), not yet
// reported.  The handle becomes the phrase's only once it has its turn.
LONG OpenWaveOutput(LPSCB lpSCB, HWAVEOUT *lphwo);

// Reads the device's id and capabilities, allocates and prepares the four
// buffers, and sets the device volume (keeping the old one) from nVolume.
// False when a buffer could not be had (-101 reported).
bool PrepareWaveOutput(LPSCB lpSCB);

// Ends synthesis, restores the device volume, unprepares and frees the
// buffers and closes the device, waiting while buffers still play.
// Nothing happens without a synthesis SCB.
void CloseWaveOutput();

// Scales a filled buffer to the current volume when the device cannot do it
// itself, and queues it on the device (-124 reported on failure).
LONG WriteWaveBuffer(WAVEHDR *lpHeader);

// The device's function callback: records what happened and tells the
// speech thread that a buffer came back.
void CALLBACK WaveOutCallback(HWAVEOUT hwo, UINT uMsg, DWORD_PTR dwInstance, DWORD_PTR dwParam1, DWORD_PTR dwParam2);

}  // namespace kav
