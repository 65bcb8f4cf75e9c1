// Thread messages to the speech and timer threads.  Every such message
// goes through these functions, so the engine always knows how much work
// the audio threads have before them: the messages on their way and the
// speech threads starting up.  Tests that drive the clock by hand wait for
// that number to reach 0 before they move the clock on (audio_testing.h).
#pragma once

#include "platform/platform.h"

namespace kav {

// Posts the engine message with the code and lParam 0.  False when the
// thread is gone (the message is dropped).
bool PostToSpeechThread(WPARAM code);
bool PostToTimerThread(WPARAM code);

// The receiving thread has acted on an engine message it took from its
// queue (its lParam tells whether it was counted).
void EngineMessageHandled(LPARAM lParam);

// Whether messages to the speech thread count as work: from its start
// until it leaves its message loop.  What comes after (buffers returning
// while the device closes) is waited for on the clock, not counted.
void CountSpeechThreadMessages(bool count);

// A speech thread counts as work from its start (counted by whoever starts
// it) to its end, except while it waits in its message loop, for its turn,
// or on the clock.
void AudioWorkBegins();
void AudioWorkEnds();
// Sleep and WaitForSingleObject for a speech thread: not counted as work
// while they wait.
void AudioSleep(DWORD ms);
void AudioWait(HANDLE h);

// Drops what is left in the calling thread's queue, which no one will read:
// the thread is about to end.
void DiscardEngineMessages();

}  // namespace kav
