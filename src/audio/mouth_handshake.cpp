#include "audio/mouth_handshake.h"

#include <atomic>

namespace kav {

namespace {

void PostShape(LPSCB s) {
    const DWORD shape = std::atomic_ref<DWORD>(s->dwMouthShape).load();
    PostMessageA(s->hwndMouth, s->msgMouth, s->wParamMouth, static_cast<LPARAM>(shape));
}

// Clears both bits when `post` is in the word (the shape goes out now),
// else sets `keep`; true when the shape is to be posted.
bool Step(LPSCB s, DWORD post, DWORD keep) {
    std::atomic_ref<DWORD> state(s->fMouthState);
    DWORD old = state.load();
    for (;;) {
        const bool now = (old & post) != 0;
        const DWORD next = now ? old & ~(kMouthReady | kMouthPending) : old | keep;
        if (state.compare_exchange_weak(old, next)) return now;
    }
}

}  // namespace

void ResetMouth(LPSCB s) {
    std::atomic_ref<DWORD>(s->dwMouthShape).store(0);
    std::atomic_ref<DWORD>(s->fMouthState).store(kMouthReady);
}

void OfferMouthShape(LPSCB s, const BYTE shape[3]) {
    std::atomic_ref<DWORD>(s->dwMouthShape).store(DWORD(shape[0]) | DWORD(shape[1]) << 8 | DWORD(shape[2]) << 16);
    if (Step(s, kMouthReady, kMouthPending)) PostShape(s);
}

void MouthRedrawn(LPSCB s) {
    if (Step(s, kMouthPending, kMouthReady)) PostShape(s);
}

}  // namespace kav
