// The statement loop of a rule pass: blocks, rewrite rules, foreach scans,
// the 30-frame statement stack and the actions of a rule.
#include "rules/rule_pass_state.h"

#include "api/services.h"

#include <cstring>

namespace kav::rules {

namespace {
constexpr int kUnknownActionLine = 2611;
constexpr int kStackFullLine = 1248;
constexpr WORD kUnmarked = 0xFFFF;
}  // namespace

void RulePass::RunStatements() {
    while (stmtPC_ != kNoCode) {
        focusStart_ = focusEnd_ = kUnmarked;
        const WORD pc = stmtPC_;
        const StatementInfo st = prog_.Statement(pc);
        Step();
        NoteStatement();
        switch (st.code) {
            case STMT_END:
                PopFrame();
                cursor_ = regionStart_;
                break;
            case STMT_BLOCK_ONCE:
            case STMT_BLOCK:
                PushFrame(regionStart_, st.operand);
                singleAttempt_ = st.code == STMT_BLOCK_ONCE ? 1 : 0;
                anchor_ = regionStart_;
                stmtPC_ = static_cast<WORD>(pc + 3);
                break;
            case STMT_RULE:
                RunRule(st.operand, st.body);
                break;
            case STMT_FOREACH:
                RunForeach(st.operand, st.body);
                break;
            case STMT_SKIP:
            case STMT_SKIP_E:
                stmtPC_ = static_cast<WORD>(pc + 3);
                break;
            default:
                // The loop could never move past it: the program is refused.
                throw BadProgram{};
        }
    }
}

void RulePass::RunRule(WORD operand, DWORD body) {
    ws_.ClearMarks();
    stmtResult_ = RES_CONTINUE;
    retryPos_ = resumePos_ = static_cast<WORD>(cursor_ + 1);
    ws_.EnterRuleMode();
    DWORD actions = body;
    if (MatchElement(actions)) {
        ws_.ClearSpan(focusStart_, static_cast<WORD>(focusEnd_ - focusStart_));
        stmtResult_ = RunActions(actions);
        cursor_ = resumePos_;
    } else {
        cursor_ = retryPos_;
    }
    if (cursor_ > regionEnd_ || singleAttempt_) {
        cursor_ = regionStart_;
        stmtPC_ = operand;
    }
    if (stmtResult_ != RES_CONTINUE) stmtPC_ = kNoCode;
    if (stmtPC_ == kNoCode) {
        PopFrame();
        cursor_ = regionStart_;
    }
}

void RulePass::RunForeach(WORD operand, DWORD body) {
    if (stmtResult_ == RES_STOP || cursor_ > regionEnd_) {
        PopUntilLive();
        stmtResult_ = RES_CONTINUE;
        cursor_ = regionStart_;
        return;
    }
    ws_.ClearMarks();
    retryPos_ = resumePos_ = static_cast<WORD>(cursor_ + 1);
    ws_.EnterForeachMode();
    DWORD list = body;
    const bool ok = MatchList(list);
    ws_.ViewInput();
    if (ok) {
        // The frame brings this statement back, on the rest of the region
        // from the match's resume point, when the nested block ends.
        PushFrame(resumePos_, stmtPC_);
        cursor_ = regionStart_ = anchor_ = focusStart_;
        regionEnd_ = static_cast<WORD>(focusEnd_ - 1);
        stmtPC_ = operand;
        return;
    }
    cursor_ = retryPos_;
    if (cursor_ > regionEnd_) {
        PopUntilLive();
        cursor_ = regionStart_;
    }
}

// ---- Frames ----------------------------------------------------------------

// Saves anchor, region (starting at regionStart) and single-attempt mode
// with the statement to resume.
// The 30th frame is reported and kept; a program that needs a 31st nests
// deeper than the stack holds and is refused rather than overrun it.
void RulePass::PushFrame(WORD regionStart, WORD resume) {
    if (stmtStackIndex_ >= MAX_STATEMENT_NESTING) throw BadProgram{};
    frames_[stmtStackIndex_++] = StatementFrame{anchor_, regionStart, regionEnd_, resume, singleAttempt_};
    if (stmtStackIndex_ == MAX_STATEMENT_NESTING)
        AssertFailed("StmtStackIndex < MAX_STATEMENT_NESTING", kStackFullLine, "TMG_EXEC");
    progress_[stmtStackIndex_] = ProgressSlot{1, 0, nullptr, 0, 0, 0, 0, false};
}

// False (and no statement to run) when the stack is empty.
bool RulePass::PopFrame() {
    if (stmtStackIndex_ == 0) {
        stmtPC_ = kNoCode;
        return false;
    }
    const StatementFrame &f = frames_[--stmtStackIndex_];
    anchor_ = f.anchor;
    regionStart_ = f.regionStart;
    regionEnd_ = f.regionEnd;
    stmtPC_ = f.resume;
    singleAttempt_ = f.singleAttempt;
    return true;
}

void RulePass::PopUntilLive() {
    while (PopFrame()) {
        if (regionStart_ <= regionEnd_ && stmtPC_ != kNoCode) return;
    }
}

// ---- Progress --------------------------------------------------------------

// A pass that stops making progress is abandoned with -104.  Between two
// pushes or pops the statements run at one stack depth are a deterministic
// sequence of (statement, cursor, text view, result) so long as nothing is
// recorded (no byte cleared, no edit): when such a state comes back, the
// pass would repeat it forever.  Each depth keeps a checkpoint that is moved
// at steps 1, 2, 4, 8, ... of its sequence (Brent's cycle finding), so a
// rule that resumes at its own start without rewriting anything stops at
// its second attempt, and a loop through several statements within a few
// rounds.  Equal states only: a program that still changes something is
// never stopped here (its growth is bounded by the 16-bit lists).
void RulePass::NoteStatement() {
    ProgressSlot &s = progress_[stmtStackIndex_];
    const BYTE *view = ws_.View();
    const DWORD changes = ws_.Changes();
    if (s.valid && s.pc == stmtPC_ && s.cursor == cursor_ && s.view == view && s.changes == changes &&
        s.result == stmtResult_)
        throw PassAbort{SE_ERR_RULEABORT};
    if (++s.lambda >= s.power) {
        s = ProgressSlot{s.power * 2, 0, view, changes, stmtPC_, cursor_, stmtResult_, true};
    }
}

// ---- Actions ---------------------------------------------------------------

void RulePass::AppendSpan(Span span) {
    if (span.start == 0xFFFF || span.length == 0) return;
    const int readable = ws_.Readable(span.start);
    const DWORD n = span.length < readable ? span.length : static_cast<DWORD>(readable);
    ws_.AddEdit(stmtPC_, focusStart_, ws_.From(span.start), n);
}

// The first ACT_RESULT's byte is the result; the actions after it still run.
BYTE RulePass::RunActions(DWORD at) {
    if (at == kNowhere) return RES_CONTINUE;
    int result = -1;
    for (;;) {
        const BYTE code = prog_.Byte(at);
        switch (code) {
            case ACT_END:
                return result < 0 ? RES_CONTINUE : static_cast<BYTE>(result);
            case ACT_RESULT:
                if (result < 0) result = prog_.Byte(at + 1);
                at += 2;
                break;
            case ACT_TEXT: {
                const DWORD end = prog_.StringEnd(at + 1);
                ws_.AddEdit(stmtPC_, focusStart_, prog_.Bytes(at + 1), end - (at + 1));
                at = end + 1;
                break;
            }
            case ACT_CAPTURE:
                AppendSpan(ws_.FindCapture(prog_.Word(at + 1)));
                at += 3;
                break;
            case ACT_TAG_SPAN:
            case ACT_DICT_SPAN: {
                const WORD id = code == ACT_DICT_SPAN ? DICT_TAG_ID : prog_.Word(at + 1);
                AppendSpan(ws_.FindTagSpan(id));
                at += code == ACT_DICT_SPAN ? 1 : 3;
                break;
            }
            case ACT_TAG:
            case ACT_DICT: {
                const WORD id = code == ACT_DICT ? DICT_TAG_ID : prog_.Word(at + 1);
                at += code == ACT_DICT ? 1 : 3;
                const char *value = ws_.FindTagValue(id);
                if (value != nullptr) {
                    ws_.AddEdit(stmtPC_, focusStart_, reinterpret_cast<const BYTE *>(value), std::strlen(value));
                } else {
                    AppendSpan(ws_.FindTagSpan(id));
                }
                break;
            }
            default:
                AssertFailed("FALSE", kUnknownActionLine, "TMG_EXEC");
                at += 1;
                break;
        }
    }
}

}  // namespace kav::rules
