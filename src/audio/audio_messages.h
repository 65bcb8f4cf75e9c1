// Thread messages to the speech and timer threads.  Every such message
// goes through these functions, so the engine always knows how much work
// the audio threads have before them: the messages on their way and the
// speech threads starting or ending.  Tests that drive the clock by hand
// wait for that number to reach 0 before they move the clock on
// (audio_testing.h).
#pragma once

#include "platform/platform.h"

namespace kav {

enum AudioInbox { kSpeechInbox, kTimerInbox };

// Posts the engine message with the code.  False when the thread is gone
// (the message is dropped).
bool PostToSpeechThread(WPARAM code);
bool PostToTimerThread(WPARAM code);

// A thread opens its inbox when it starts reading its messages and closes
// it when it stops: only messages posted in between count as work, and
// those it never read are counted off at the close.
void OpenInbox(AudioInbox inbox);
void CloseInbox(AudioInbox inbox);
// The thread has acted on an engine message it read (lParam as posted).
void EngineMessageHandled(AudioInbox inbox, LPARAM lParam);

// A speech thread counts as work from its start (counted by whoever starts
// it) to its end, except while it reads its messages, waits for its turn
// or waits on the clock.
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
