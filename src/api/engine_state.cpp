#include "api/engine_state.h"

namespace kav {

UINT g_uEngineMessage = 0;
HINSTANCE g_hEngineInstance = nullptr;
char g_szObjectName[32] = "";
std::atomic<LPSCB> g_lpCurrentSCB{nullptr};
std::atomic<LPSCB> g_lpSynthSCB{nullptr};
std::atomic<DWORD> g_idSpeechThread{0};
std::atomic<LONG> g_nActivePhrases{0};
LONG g_lStressIncr[kStressIncrements] = {0, 0, 0, 0, 0, 0};

}  // namespace kav
