// The state of the playing phrase.  One phrase plays at a time in the
// process, so there is one set, shared by the speech thread, the timer
// thread and the two system callbacks.  Every word that more than one of
// them touches is an atomic; the rest belongs to the speech thread.
#pragma once

#include "platform/platform.h"

#include <atomic>

namespace kav {

constexpr int kWaveBuffers = 4;

// What the device callback last reported.
enum DeviceState : LONG {
    kDeviceBufferDone = 0,
    kDeviceClosed = 2,
    kDeviceOpened = 3,
    kDeviceRefilling = 4,
};

// Why the timer thread ended: the phrase ran out or was stopped (the
// client is told), or the engine is closing (it is not).
enum TimerEndReason : LONG {
    kTimerEndClosed = 0,
    kTimerEndNormal = 1,
};

struct AudioState {
    // The device, as the speech thread opened it.
    std::atomic<HWAVEOUT> hWaveOut{nullptr};
    UINT uDeviceId = 0;
    std::atomic<DWORD> dwDeviceSupport{0};  // WAVECAPS_*

    // The four buffers and the one to refill next (speech thread only).
    WAVEHDR *lpHeaders[kWaveBuffers] = {};
    WORD wBufferLength = 0;
    int nNextBuffer = 0;
    bool fSynthExhausted = false;

    std::atomic<LONG> nDeviceState{kDeviceRefilling};
    // Buffers the device returned and the speech thread has not refilled.
    std::atomic<LONG> nBuffersReturned{0};

    std::atomic<bool> fPlaying{false};
    std::atomic<DWORD> dwPhraseStart{0};  // timeGetTime at the start, moved on by pauses
    bool fPaused = false;                 // speech thread only
    DWORD dwPauseBegan = 0;

    std::atomic<LONG> nCurrentVolume{-1};  // -1: leave the sound alone; else 0..9
    DWORD dwSavedVolume = 0;               // the device's volume before the phrase

    std::atomic<UINT> uTimerPeriod{0};  // 0: none set
    std::atomic<bool> fTimerStarted{false};
    std::atomic<bool> fTimerRunning{false};
    std::atomic<LONG> nTimerEndReason{kTimerEndNormal};
    std::atomic<DWORD> idTimerThread{0};
    std::atomic<bool> fStopTicking{false};
    // The speech thread's handle, where the timer thread can find it, and
    // the timer thread's, which the speech thread waits on and closes.
    std::atomic<HANDLE> hSpeechThread{nullptr};
    HANDLE hTimerThread = nullptr;

    HANDLE hPhraseSemaphore = nullptr;
};

extern AudioState g_audio;

// Speech threads started and not yet ended.  Unlike the active-phrase count,
// which a speech thread lowers before it posts the end-of-phrase message,
// this falls only when the thread reads no SCB any more.
extern std::atomic<LONG> g_nSpeechThreads;

// Waits until no speech thread reads an SCB any more (CloseSpeech, after
// the active-phrase count has fallen to 0).
void WaitForSpeechThreads();

// The volume the device takes for an engine volume 0..9: both channels.
inline DWORD DeviceVolume(LONG volume) {
    const DWORD v = static_cast<DWORD>(volume) * 6553u & 0xFFFFu;
    return v | v << 16;
}

}  // namespace kav
