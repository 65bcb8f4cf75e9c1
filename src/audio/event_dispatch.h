// Turning the phrase's timed events into client notifications when their
// sound is heard.
#pragma once

#include "platform/platform.h"

namespace kav {

// Never arms a timer sooner than this, nor later than kIdleWaitMs when no
// event is queued; the end event, due before synthesis has finished, comes
// round again kEndRetryMs later.
constexpr DWORD kMinWaitMs = 20;
constexpr DWORD kIdleWaitMs = 250;
constexpr DWORD kEndRetryMs = 25;

// Posts every event that has fallen due (playback time since the phrase
// start, pauses taken out), arms the next tick unless the end has been
// dispatched, and returns the delay it armed for.
DWORD DispatchDueEvents();

}  // namespace kav
