// The timed events of a phrase (mouth shapes, markers, volume changes, the
// end) in a record queue shared by the synthesising thread, which pushes,
// and the timer thread and the speech thread's event pump, which read and
// pop.  A push may move the queue's storage, so every operation takes one
// lock and records are handed out by copy, never by pointer.
#pragma once

#include "platform/platform.h"

namespace kav {

enum SpeechEventType : DWORD {
    kEventMouth = 3,
    kEventSync = 4,
    kEventBookmark = 5,
    kEventVolume = 6,
    kEventEnd = 8,
};

// 12 bytes, as queued.
struct SpeechEvent {
    DWORD timeMs;   // playback time from the start of the phrase
    DWORD type;     // SpeechEventType
    BYTE payload[4];  // mouth: 3 shape bytes; bookmark: u32 value; volume: byte 0
};
static_assert(sizeof(SpeechEvent) == 12);

// Creates the phrase's queue (destroying a leftover one); false when it
// cannot be allocated.
bool CreateEventQueue();
// Frees the queue; safe when there is none.
void DestroyEventQueue();
// 0, or -1 when there is no queue or it cannot grow.
int PushSpeechEvent(const SpeechEvent &event);
// Copies the front event; false when there is none.
bool PeekSpeechEvent(SpeechEvent *event);
// Removes the front event, copying it out when event is not NULL; false
// when there was none.
bool PopSpeechEvent(SpeechEvent *event);

}  // namespace kav
