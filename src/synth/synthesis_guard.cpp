#include "synth/synthesis_guard.h"

#include <atomic>

namespace kav {

namespace {
std::atomic<LPSCB> g_holder{nullptr};
}

bool TryAcquireSynthesis(LPSCB lpSCB) {
    if (lpSCB == nullptr) return false;
    LPSCB expected = nullptr;
    return g_holder.compare_exchange_strong(expected, lpSCB);
}

void ReleaseSynthesis(LPSCB lpSCB) {
    LPSCB expected = lpSCB;
    g_holder.compare_exchange_strong(expected, nullptr);
}

LPSCB SynthesisHolder() { return g_holder.load(); }

}  // namespace kav
