// RunRulePass: one pass from start to end, its refusals and its recovery.
#include "rules/rule_pass.h"

#include "rules/rule_pass_state.h"

#include <atomic>
#include <cstring>

namespace kav {

namespace {
// PassBusy: test and set are one atomic exchange, so of two threads that
// start passes at the same moment exactly one gets through.
std::atomic<bool> g_passBusy{false};
}  // namespace

namespace rules {

LONG RulePass::Begin(const BYTE *text, size_t textLength, const void *program, DWORD size) {
    if (program == nullptr) return SE_ERR_NORULES;
    const LONG status = prog_.Open(program, size);
    if (status != 0) return status;
    if (textLength > kMaxTextLength) return SE_ERR_RULEABORT;
    const WORD length = static_cast<WORD>(textLength);
    stmtPC_ = prog_.Entry();
    stmtStackIndex_ = 0;
    stmtResult_ = RES_CONTINUE;
    cursor_ = regionStart_ = 0;
    regionEnd_ = static_cast<WORD>(length - 1);
    anchor_ = 0;
    singleAttempt_ = 0;
    repeatDepth_ = altDepth_ = nesting_ = 0;
    enclosing_ = 0;
    posDepth_ = 0;
    progress_[0] = ProgressSlot{1, 0, nullptr, 0, 0, 0, 0, false};
    // Matcher steps (elements matched and statements run) allowed to the
    // whole pass, so that no program can hang it.  Every statement scans
    // the region once per position, each attempt costing at most about its
    // pattern's bytes: (n + 1) x code size.  A scan with EL_REST or an open
    // repetition costs about the square of the region length; real programs
    // stay far below 64 such scans.  Both get a factor of 64, plus a floor
    // of 1M steps.  Only a runaway program meets it (nested open
    // repetitions cost a power of the length).
    const uint64_t n = static_cast<uint64_t>(length) + 1;
    const uint64_t codeSize = size > prog_.CodeBase() ? size - prog_.CodeBase() : 0;
    steps_ = 0;
    budget_ = (uint64_t{1} << 20) + 64 * n * n + 64 * n * codeSize;
    ws_.InitEdits();
    ws_.InitMarks();
    ws_.MakeWorkCopy(text, length);
    return 0;
}

char *RulePass::End() {
    ws_.ViewInput();
    ws_.EnterRuleMode();
    ws_.ViewWorkCopy();
    char *result = ws_.BuildOutput();
    ws_.FreeMarks();
    ws_.FreeWorkCopy();
    return result;
}

void RulePass::Release() {
    ws_.ReleaseEdits();
    ws_.FreeMarks();
    ws_.FreeWorkCopy();
}

}  // namespace rules

LONG RunRulePassOver(const char *lpszText, const void *lpProgram, DWORD cbProgram, char **lplpNewText) {
    if (lplpNewText == nullptr) return SE_ERR_NORULES;
    *lplpNewText = nullptr;
    if (g_passBusy.exchange(true)) return SE_ERR_EXECBUSY;
    const char *text = lpszText != nullptr ? lpszText : "";
    const size_t length = strnlen(text, rules::kMaxTextLength + 1);
    LONG status = 0;
    char *result = nullptr;
    rules::RulePass pass;
    try {
        status = pass.Begin(reinterpret_cast<const BYTE *>(text), length, lpProgram, cbProgram);
        if (status == 0) {
            // An empty text has no region to scan (its end would wrap to
            // 0xFFFF): the pass gives an empty text without running.
            if (length > 0) pass.RunStatements();
            result = pass.End();
        }
    } catch (const rules::PassAbort &abort) {
        status = abort.code;
    } catch (const rules::BadProgram &) {
        status = SE_ERR_NORULES;
    }
    if (status != 0) pass.Release();
    g_passBusy.store(false);
    if (status == 0) *lplpNewText = result;
    return status;
}

LONG RunRulePass(const char *lpszText, HGLOBAL hRule, char **lplpNewText) {
    const void *bytes = hRule != nullptr ? LockResource(hRule) : nullptr;
    const DWORD size = bytes != nullptr ? SizeofResourceData(hRule) : 0;
    return RunRulePassOver(lpszText, bytes, size, lplpNewText);
}

}  // namespace kav
