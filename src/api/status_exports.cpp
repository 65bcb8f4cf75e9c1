// The small exports: version, status, freeing a phonetic string, whether the
// engine library is installed, and the engine's error texts.
#include "api/engine_state.h"
#include "api/services.h"
#include "platform/system_library.h"

using namespace kav;

extern "C" KAVAPI WORD KAVCALL SpeechVersion(void) { return 0x0210; }

// A NULL SCB holds no font: -110.
extern "C" KAVAPI LONG KAVCALL SpeechStatus(LPSCB lpSCB) {
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    // The audio threads write nStatus while the client reads it.
    return std::atomic_ref<LONG>(lpSCB->nStatus).load();
}

extern "C" KAVAPI LONG KAVCALL FreePhoneticsBuffer(LPSTR lpPhonetics) { return FreeBlock(lpPhonetics); }

// The engine's own module, probed by its file name.
extern "C" KAVAPI BOOL KAVCALL KavrelPresent(void) {
    return kav::platform::SystemLibraryLoadable(kav::platform::kEngineLibraryFile) ? 1 : 0;
}

extern "C" KAVAPI LPCSTR KAVCALL KavErrorText(LONG nCode) { return ErrorText(nCode, false); }
