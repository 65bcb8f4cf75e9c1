// Say: a whole text spoken sentence by sentence.  The next sentence is
// converted on the client's thread while the current one plays, and each
// phrase starts only after the previous one's end-of-phrase message, so a
// waiting speech thread never finds lpPhonetics changed under it.
#include "api/engine_state.h"
#include "api/services.h"

#include <cstring>

namespace kav {
namespace {

LRESULT IgnoreMessage(HWND, UINT, WPARAM, LPARAM, void *) { return 0; }

struct Phrases {
    LPSCB scb;
    char *current = nullptr;  // playing
    char *next = nullptr;     // converted, waiting its turn

    // The following sentence converted; none at the end of the text or
    // when the conversion failed.
    void PrepareNext() {
        const char *sentence = NextSentence(scb, nullptr);
        next = sentence != nullptr ? TextToPhonetics(scb, sentence, 0) : nullptr;
    }
    ~Phrases() {
        if (current != nullptr) FreePhoneticsBuffer(current);
        if (next != nullptr) FreePhoneticsBuffer(next);
    }
};

// Waits for the end-of-phrase message.  Messages for hwndDone with msgDone
// are removed in the order they came and, unless they are the end of the
// phrase, dropped (mouth shapes, sync marks and bookmarks that share the
// target).  Instead of polling, the thread sleeps until something new is
// posted to it.
void WaitForPhraseEnd(LPSCB lpSCB) {
    MSG msg;
    for (;;) {
        if (!PeekMessageA(&msg, lpSCB->hwndDone, lpSCB->msgDone, lpSCB->msgDone, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.wParam == lpSCB->wParamDone) return;
    }
}

}  // namespace
}  // namespace kav

using namespace kav;

// A NULL SCB has no font: -110.
extern "C" KAVAPI LONG KAVCALL Say(LPSCB lpSCB, LPCSTR lpszText) {
    if (lpszText == nullptr) return 0;
    if (lpSCB == nullptr) return SE_ERR_NOFONT;
    SetCurrentSCB(lpSCB);
    const size_t length = std::strlen(lpszText);
    auto lpszCopy = static_cast<char *>(AllocBlock(length + 10));
    if (lpszCopy == nullptr) return SE_ERR_NOMEMORY;
    std::memcpy(lpszCopy, lpszText, length);

    // Without a target for the end of the phrase Say needs a window of the
    // calling thread to receive it: on Linux there is no active window to
    // borrow, so it makes one for its own duration.  It is in place before
    // the first phrase starts, so no end-of-phrase message can miss it.
    HWND hwndOwn = nullptr;
    LONG result = 0;
    {
        Phrases phrases{lpSCB};
        const char *sentence = NextSentence(lpSCB, lpszCopy);
        if (sentence != nullptr) phrases.current = TextToPhonetics(lpSCB, sentence, 0);
        if (phrases.current != nullptr && lpSCB->hwndDone == nullptr) {
            hwndOwn = KavCreateWindow(IgnoreMessage, nullptr);
            lpSCB->hwndDone = hwndOwn;
        }
        LONG rc = phrases.current != nullptr ? SpeakPhonetics(lpSCB, phrases.current) : 0;
        if (phrases.current != nullptr && rc == 0) {
            phrases.PrepareNext();
            for (;;) {
                WaitForPhraseEnd(lpSCB);
                if (SpeechStatus(lpSCB) < 0) break;
                FreePhoneticsBuffer(phrases.current);
                phrases.current = phrases.next;
                phrases.next = nullptr;
                if (phrases.current == nullptr) break;
                rc = SpeakPhonetics(lpSCB, phrases.current);
                if (rc != 0) break;
                phrases.PrepareNext();
            }
        }
        result = rc;
    }
    FreeBlock(lpszCopy);
    lpSCB->lpNextText = nullptr;
    if (hwndOwn != nullptr) {
        lpSCB->hwndDone = nullptr;
        KavDestroyWindow(hwndOwn);
    }
    const LONG status = SpeechStatus(lpSCB);
    return status < 0 ? status : result;
}
