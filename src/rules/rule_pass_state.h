// The state of one running rule pass: program view, workspace, match state
// and statement state, with the matcher and executor that work on it.
// Only one pass runs at a time in a process (PassBusy, rule_pass.cpp).
#pragma once

#include "rules/pass_workspace.h"
#include "rules/rule_program.h"

#include <cstddef>
#include <cstdint>

namespace kav::rules {

constexpr int kPosStackSize = 2000;

// Longest text a pass takes: positions are 16-bit and the position past the
// region end must stay below 0xFFFF ("unmarked").
constexpr size_t kMaxTextLength = 0xFFFE;

class RulePass {
public:
    // BeginRulePass after PassBusy is taken: 0, -102, -103, or -104 for a
    // text beyond 16-bit positions; then allocates the workspace (throws
    // PassAbort when it cannot).
    LONG Begin(const BYTE *text, size_t textLength, const void *program, DWORD size);
    void RunStatements();
    // EndRulePass: the output text, the workspace released.
    char *End();
    // The recovery after a failed pass: every workspace block released.
    void Release();

    // ---- Pattern matcher (pattern_matcher.cpp, dict_element.cpp)
    bool MatchElement(DWORD &element);
    bool MatchList(DWORD &list);
    bool MatchGreedy(DWORD body, DWORD follow, WORD min, WORD max);
    bool MatchLazy(DWORD body, DWORD follow, WORD min, WORD max);
    bool MatchDict();

private:
    struct StatementFrame {
        WORD anchor;
        WORD regionStart;
        WORD regionEnd;
        WORD resume;
        DWORD singleAttempt;
    };
    // Cycle watch of the statements run at one stack depth (see NoteStatement).
    struct ProgressSlot {
        uint64_t power;
        uint64_t lambda;
        const BYTE *view;
        DWORD changes;
        WORD pc;
        WORD cursor;
        BYTE result;
        bool valid;
    };

    void Step() {
        if (++steps_ > budget_) throw PassAbort{SE_ERR_RULEABORT};
    }
    void NoteStatement();
    void PushFrame(WORD regionStart, WORD resume);
    bool PopFrame();
    void PopUntilLive();
    void RunRule(WORD operand, DWORD body);
    void RunForeach(WORD operand, DWORD body);
    BYTE RunActions(DWORD list);
    void AppendSpan(Span span);

    RuleProgram prog_;
    PassWorkspace ws_;

    // Match state.
    WORD cursor_ = 0, regionStart_ = 0, regionEnd_ = 0, anchor_ = 0;
    WORD focusStart_ = 0xFFFF, focusEnd_ = 0xFFFF, resumePos_ = 0, retryPos_ = 0;
    BYTE enclosing_ = 0;
    int repeatDepth_ = 0, altDepth_ = 0;
    int nesting_ = 0;  // elements being matched, one inside the other
    WORD posDepth_ = 0;
    WORD posStack_[kPosStackSize] = {};

    // Statement state.
    WORD stmtPC_ = kNoCode;
    DWORD singleAttempt_ = 0;
    BYTE stmtResult_ = RES_CONTINUE;
    int stmtStackIndex_ = 0;
    StatementFrame frames_[MAX_STATEMENT_NESTING];
    ProgressSlot progress_[MAX_STATEMENT_NESTING + 1];

    uint64_t steps_ = 0, budget_ = 0;
};

}  // namespace kav::rules
