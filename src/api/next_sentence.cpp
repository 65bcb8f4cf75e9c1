// NextSentence: walks a text sentence by sentence with the font's sentence
// program.  The program rewrites the text from the cursor into the first
// sentence; how long its output is tells how far the sentence reaches.
#include "api/engine_state.h"
#include "api/services.h"
#include "rules/rule_pass.h"

#include <cstring>

namespace kav {
namespace {

// The program sees at most this much text at a time, extended to the next
// white space when one follows within kWindowReach characters.
constexpr size_t kWindow = 32000;
constexpr size_t kWindowReach = 128;

// Fonts without a VERSIONNUMBER have sentence programs that emit two
// characters more than they consume.
constexpr size_t kOldFontSurplus = 2;

constexpr bool IsWindowBreak(char c) { return c == '\r' || c == '\n' || c == '\t' || c == ' '; }

// The sentence program's output for the text from p, or NULL when the pass
// failed.  A long text is offered cut at its window; the cut is made in a
// copy, so the client's text is only ever read.
char *RunSentenceProgram(LPSCB lpSCB, const char *p) {
    char *lpszOut = nullptr;
    if (strnlen(p, kWindow) < kWindow) {
        RunRulePass(p, lpSCB->hSentenceRule, &lpszOut);
        return lpszOut;
    }
    size_t n = kWindow;
    for (size_t i = 0; i < kWindowReach && p[n] != '\0' && !IsWindowBreak(p[n]); ++i) ++n;
    auto lpszWindow = static_cast<char *>(AllocBlock(n + 1));
    if (lpszWindow == nullptr) return nullptr;
    std::memcpy(lpszWindow, p, n);
    lpszWindow[n] = '\0';
    RunRulePass(lpszWindow, lpSCB->hSentenceRule, &lpszOut);
    FreeBlock(lpszWindow);
    return lpszOut;
}

}  // namespace
}  // namespace kav

using namespace kav;

// A NULL SCB has no cursor and no program: NULL.
extern "C" KAVAPI LPSTR KAVCALL NextSentence(LPSCB lpSCB, LPCSTR lpszText) {
    if (lpSCB == nullptr) return nullptr;
    SetCurrentSCB(lpSCB);
    if (lpSCB->lpSentence != nullptr) {
        FreeBlock(lpSCB->lpSentence);
        lpSCB->lpSentence = nullptr;
    }
    const char *p = lpszText != nullptr ? lpszText : lpSCB->lpNextText;
    const size_t surplus = lpSCB->nFontVersionMajor == -1 ? kOldFontSurplus : 0;
    for (; p != nullptr && *p != '\0'; ++p) {
        char *lpszSentence = RunSentenceProgram(lpSCB, p);
        if (lpszSentence == nullptr) break;
        const size_t produced = std::strlen(lpszSentence);
        if (produced <= surplus) {
            // The program consumed nothing here: try again one character on.
            FreeBlock(lpszSentence);
            continue;
        }
        const size_t n = produced - surplus;
        // The cursor never passes the end, even when a program emits more
        // than the text holds.
        lpSCB->lpNextText = strnlen(p, n + 1) <= n ? nullptr : const_cast<char *>(p) + n;
        lpSCB->lpSentence = lpszSentence;
        return lpszSentence;
    }
    lpSCB->lpNextText = nullptr;
    return nullptr;
}
