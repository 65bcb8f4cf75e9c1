// The pattern matcher: elements, lists and the two repetition engines.
//
// It backtracks only where an element says so (groups, alternatives,
// repetitions, seeks) and never writes the text.  Marks are recorded only
// outside repetitions; the outermost repetition records one mark for its
// whole span instead.  Every element matched counts one step against the
// pass's budget, which is what bounds nested repetitions of a hostile
// program.
#include "rules/rule_pass_state.h"

#include "api/services.h"

namespace kav::rules {

namespace {
constexpr int kUnknownElementLine = 2510;
// Elements nested deeper than this (a list that calls itself, say) make a
// program the matcher refuses, before the recursion could exhaust the
// thread's stack.  Real patterns nest a handful of levels.
constexpr int kMaxElementNesting = 200;

struct NestingGuard {
    explicit NestingGuard(int &depth) : depth_(depth) {
        if (++depth_ > kMaxElementNesting) throw BadProgram{};
    }
    ~NestingGuard() { --depth_; }
    int &depth_;
};
}  // namespace

bool RulePass::MatchList(DWORD &list) {
    for (;;) {
        if (!MatchElement(list)) return false;
        if (list == kNowhere || prog_.Byte(list) == 0) return true;
    }
}

bool RulePass::MatchElement(DWORD &element) {
    Step();
    const NestingGuard nesting(nesting_);
    const DWORD at = element;
    const BYTE code = prog_.Byte(at);
    switch (code) {
        case EL_GROUP:
        case EL_CALL:
        case EL_CALL_CAPTURE: {
            const WORD operand = prog_.Word(at + 1);
            DWORD list = code == EL_GROUP ? at + 3 : prog_.Code(operand);
            element = code == EL_GROUP ? prog_.Code(operand) : at + 3;
            const BYTE saved = enclosing_;
            enclosing_ = code;
            const WORD start = cursor_;
            const BYTE *view = ws_.View();
            const bool ok = MatchList(list);
            if (!ok) cursor_ = start;
            ws_.SetView(view);
            enclosing_ = saved;
            if (ok && code == EL_CALL_CAPTURE && repeatDepth_ == 0)
                ws_.AddCapture(operand, start, static_cast<WORD>(cursor_ - start));
            return ok;
        }
        case EL_ALT: {
            element = prog_.Code(prog_.Word(at + 1));
            ++altDepth_;
            const BYTE saved = enclosing_;
            enclosing_ = EL_ALT;
            const WORD start = cursor_;
            bool ok = false;
            for (DWORD alt = at + 3;;) {
                if (MatchElement(alt)) {
                    ok = true;
                    break;
                }
                cursor_ = start;
                if (alt == kNowhere || prog_.Byte(alt) == 0) break;
            }
            enclosing_ = saved;
            --altDepth_;
            return ok;
        }
        case EL_REPEAT:
        case EL_REPEAT_LAZY: {
            const WORD next = prog_.Word(at + 1);
            const WORD min = prog_.Word(at + 3);
            const WORD max = prog_.Word(at + 5);
            const DWORD body = at + 7;
            element = prog_.Code(next);
            const WORD start = cursor_;
            ++repeatDepth_;
            // Inside an alternative, `next` leads to the next alternative,
            // not to the rest of a list: nothing to give back for.
            const DWORD follow = enclosing_ == EL_ALT ? kNowhere : prog_.Code(next);
            const BYTE saved = enclosing_;
            enclosing_ = code;
            const bool ok = code == EL_REPEAT ? MatchGreedy(body, follow, min, max) : MatchLazy(body, follow, min, max);
            enclosing_ = saved;
            if (ok && repeatDepth_ == 1) {
                const BYTE first = prog_.Byte(body);
                const WORD length = static_cast<WORD>(cursor_ - start);
                if (first == EL_CALL_CAPTURE) {
                    ws_.AddCapture(prog_.Word(body + 1), start, length);
                } else if (first == EL_LONGEST_TAG || first == EL_CLASS_TAG || first == EL_FIRST_TAG) {
                    ws_.AddTag(prog_.Word(body + 1), start, length, nullptr);
                }
            }
            --repeatDepth_;
            return ok;
        }
        case EL_CLASS:
        case EL_CLASS_TAG: {
            if (cursor_ > regionEnd_) {
                element = kNowhere;
                return false;
            }
            const WORD table = prog_.Word(at + 1);
            element = at + 3;
            if (!prog_.ClassMember(table, ws_.At(cursor_))) return false;
            if (code == EL_CLASS_TAG && repeatDepth_ == 0) ws_.AddTag(table, cursor_, 1, nullptr);
            ++cursor_;
            return true;
        }
        case EL_FIRST:
        case EL_FIRST_TAG:
        case EL_LONGEST:
        case EL_LONGEST_TAG: {
            if (cursor_ > regionEnd_) {
                element = kNowhere;
                return false;
            }
            const WORD table = prog_.Word(at + 1);
            element = at + 3;
            const int remaining = regionEnd_ - cursor_ + 1;
            const KeyMatch m = code == EL_FIRST || code == EL_FIRST_TAG
                                   ? prog_.LookupFirst(table, ws_.From(cursor_), ws_.Readable(cursor_), remaining)
                                   : prog_.LookupLongest(table, ws_.From(cursor_), ws_.Readable(cursor_), remaining);
            if (m.length < 0) return false;
            if ((code == EL_FIRST_TAG || code == EL_LONGEST_TAG) && repeatDepth_ == 0)
                ws_.AddTag(table, cursor_, static_cast<WORD>(m.length), m.value);
            cursor_ = static_cast<WORD>(cursor_ + m.length);
            return true;
        }
        case EL_LITERAL: {
            if (cursor_ > regionEnd_) {
                element = kNowhere;
                return false;
            }
            const DWORD end = prog_.StringEnd(at + 1);
            element = end + 1;
            const int n = static_cast<int>(end - (at + 1));
            if (n > regionEnd_ - cursor_ + 1 || n > ws_.Readable(cursor_)) return false;
            const BYTE *s = prog_.Bytes(at + 1);
            const BYTE *t = ws_.From(cursor_);
            for (int i = 0; i < n; ++i) {
                if (s[i] != t[i]) return false;
            }
            cursor_ = static_cast<WORD>(cursor_ + n);
            return true;
        }
        case EL_RANGE: {
            if (cursor_ > regionEnd_) {
                element = kNowhere;
                return false;
            }
            const BYTE lo = prog_.Byte(at + 1);
            const BYTE hi = prog_.Byte(at + 2);
            element = at + 3;
            const BYTE c = ws_.At(cursor_);
            ++cursor_;
            return lo <= c && c <= hi;
        }
        case EL_RESUME:
            element = at + 1;
            resumePos_ = cursor_;
            return true;
        case EL_FOCUS_START:
            element = at + 1;
            focusStart_ = cursor_;
            ws_.ViewWorkCopy();
            return true;
        case EL_FOCUS_END:
            element = at + 1;
            focusEnd_ = cursor_;
            ws_.ViewInput();
            return true;
        case EL_REST: {
            element = at + 1;
            const bool ok = !(focusStart_ <= cursor_ && cursor_ < focusEnd_ &&
                              ws_.HasNul(cursor_, regionEnd_ - cursor_ + 1));
            cursor_ = static_cast<WORD>(regionEnd_ + 1);
            return ok;
        }
        case EL_SEEK: {
            element = prog_.Code(prog_.Word(at + 1));
            if (ws_.At(cursor_) == 0) return false;
            const BYTE saved = enclosing_;
            enclosing_ = EL_SEEK;
            WORD tried;
            bool ok;
            for (;;) {
                tried = cursor_;
                const BYTE *view = ws_.View();
                DWORD body = at + 3;
                ok = MatchList(body);
                ws_.SetView(view);
                if (ok) break;
                cursor_ = tried;
                if (cursor_ > regionEnd_) break;
                ++cursor_;
                if (ws_.At(cursor_) == 0) break;
            }
            cursor_ = tried;
            enclosing_ = saved;
            return ok;
        }
        case EL_AT_ANCHOR:
            element = at + 1;
            if (cursor_ == anchor_) return true;
            // Outside any alternative a failure here ends the scan.
            if (altDepth_ == 0) retryPos_ = static_cast<WORD>(regionEnd_ + 1);
            return false;
        case EL_AT_END:
            element = at + 1;
            return cursor_ > regionEnd_;
        case EL_DICT:
            element = at + 3;
            return MatchDict();
        default:
            element = at + 1;
            if (code > kLastElementCode) AssertFailed("FALSE", kUnknownElementLine, "TMG_EXEC");
            return false;
    }
}

bool RulePass::MatchGreedy(DWORD body, DWORD follow, WORD min, WORD max) {
    const WORD pos0 = cursor_;
    const WORD depth0 = posDepth_;
    DWORD count = 0;
    while (count < max) {
        if (posDepth_ < kPosStackSize) posStack_[posDepth_++] = cursor_;
        const WORD before = cursor_;
        const BYTE *view = ws_.View();
        DWORD list = body;
        const bool ok = MatchList(list);
        ws_.SetView(view);
        if (!ok) {
            cursor_ = before;
            if (posDepth_ > 0) --posDepth_;
            break;
        }
        ++count;
    }
    if (count < min) {
        cursor_ = pos0;
        posDepth_ = depth0;
        return false;
    }
    if (follow == kNowhere || count == min) {
        posDepth_ = depth0;
        return true;
    }
    // Give repetitions back, newest first, until the rest of the list matches.
    for (;;) {
        const WORD here = cursor_;
        const BYTE *view = ws_.View();
        DWORD list = follow;
        const bool ok = MatchList(list);
        ws_.SetView(view);
        if (ok) {
            cursor_ = here;
            posDepth_ = depth0;
            return true;
        }
        if (count == min) {
            cursor_ = pos0;
            posDepth_ = depth0;
            return false;
        }
        if (posDepth_ > 0) --posDepth_;
        --count;
        cursor_ = posStack_[posDepth_];
    }
}

bool RulePass::MatchLazy(DWORD body, DWORD follow, WORD min, WORD max) {
    const WORD pos0 = cursor_;
    DWORD count = 0;
    auto bodyOnce = [&]() {
        const BYTE *view = ws_.View();
        DWORD list = body;
        const bool ok = MatchList(list);
        ws_.SetView(view);
        return ok;
    };
    for (; count < min; ++count) {
        if (!bodyOnce()) {
            cursor_ = pos0;
            return false;
        }
    }
    if (follow == kNowhere || max == min || count >= max) return true;
    while (count < max) {
        // The rest of the list is only tried here; the caller matches it.
        const WORD here = cursor_;
        const WORD focusEnd = focusEnd_;
        const BYTE *view = ws_.View();
        DWORD list = follow;
        const bool rest = MatchList(list);
        cursor_ = here;
        focusEnd_ = focusEnd;
        ws_.SetView(view);
        if (rest) return true;
        if (!bodyOnce()) {
            cursor_ = pos0;
            return false;
        }
        ++count;
    }
    return true;
}

}  // namespace kav::rules
