// The mouth-shape handshake with the client.  A shape is posted only when
// the client has drawn the one before (MouthRedrawComplete); meanwhile the
// newest shape waits, overwriting older ones.  fMouthState bit 0: the client
// is ready; bit 1: a shape is waiting.  The dispatcher and the speech thread
// both change the word, each in one atomic step.
#pragma once

#include "platform/platform.h"

namespace kav {

constexpr DWORD kMouthReady = 1;
constexpr DWORD kMouthPending = 2;

// At the start of a phrase: no shape yet, the client ready.
void ResetMouth(LPSCB lpSCB);
// A shape falls due (its three bytes): posted now, or kept until the
// client is ready.
void OfferMouthShape(LPSCB lpSCB, const BYTE shape[3]);
// The client has drawn: the waiting shape is posted, else the next one will be.
void MouthRedrawn(LPSCB lpSCB);

}  // namespace kav
