// The speech thread of one phrase: opens the device, waits for its turn,
// keeps four buffers of synthesised sound circulating through the device,
// answers the client's control requests, and at the end releases
// everything and tells the client.
#pragma once

#include "platform/platform.h"

namespace kav {

// Its parameter block, freed by the housekeeping thread after it ends.
struct SpeechThreadBlock {
    LPSCB lpSCB;
    HANDLE hThread;  // the speech thread's own; it closes it at its end
};

DWORD WINAPI SpeechThreadMain(LPVOID lpBlock);

}  // namespace kav
