// Taking the process's turn to play: the phrase semaphore, synthesis and
// the timer thread.
#pragma once

#include "platform/platform.h"

namespace kav {

// Waits (nStatus 1) until no other phrase of the process plays, then makes
// the SCB the synthesis SCB, begins synthesis of lpPhonetics and starts the
// timer thread.  0, or -132 (reported) when the timer thread could not be
// started; synthesis and the semaphore are held either way.
LONG BeginPhrase(LPSCB lpSCB, HANDLE hSpeechThread);

// Gives the turn to the next phrase: releases the semaphore and closes
// this phrase's handle to it.
void EndPhraseTurn();

}  // namespace kav
