// Source text to RuleSource.  Recursive descent over the tokens; a syntax
// error is recorded and the parser skips to the end of the line, so that a
// single run reports every bad line.
#include "rule_lexer.h"
#include "rule_source.h"

#include <set>

namespace kav::font {
namespace {

// Deeper nesting than this is refused rather than risk the stack.
constexpr int kMaxNesting = 100;

const std::set<std::string> kKeywords = {"class", "longest", "first", "sub", "mask", "block", "once",
                                         "foreach", "end", "skip", "rest", "seek", "alt", "dict",
                                         "text", "value", "capture", "stop", "leave", "result"};

struct SyntaxError {};

class Parser {
public:
    Parser(std::vector<Token> tokens, std::vector<RuleError> &errors) : t_(std::move(tokens)), errors_(errors) {}

    RuleSource Run() {
        RuleSource src;
        src.statements = StatementList(/*nested=*/false, &src);
        return src;
    }

private:
    const Token &Peek(size_t ahead = 0) const {
        const size_t at = i_ + ahead;
        return at < t_.size() ? t_[at] : t_.back();
    }
    bool IsPunct(const char *p, size_t ahead = 0) const {
        return Peek(ahead).kind == Tok::Punct && Peek(ahead).text == p;
    }
    bool IsWord(const char *w) const { return Peek().kind == Tok::Ident && Peek().text == w; }
    const Token &Take() {
        const Token &t = Peek();
        if (i_ < t_.size() - 1) ++i_;
        return t;
    }
    [[noreturn]] void Fail(SourcePos pos, std::string message) {
        errors_.push_back(RuleError{pos, std::move(message)});
        throw SyntaxError{};
    }
    static std::string Describe(const Token &t) {
        switch (t.kind) {
            case Tok::Newline: return "the end of the line";
            case Tok::End: return "the end of the file";
            case Tok::String: return "a string";
            case Tok::Char: return "a character";
            case Tok::Number: return "a number";
            case Tok::TagName: return "'$" + t.text + "'";
            default: return "'" + t.text + "'";
        }
    }
    void Expect(const char *p, const char *what) {
        if (!IsPunct(p)) Fail(Peek().pos, std::string("expected ") + what + ", found " + Describe(Peek()));
        Take();
    }
    std::string Name(const char *what) {
        if (Peek().kind != Tok::Ident) Fail(Peek().pos, std::string("expected ") + what + ", found " + Describe(Peek()));
        if (kKeywords.count(Peek().text)) Fail(Peek().pos, "'" + Peek().text + "' is a keyword and cannot name " + what);
        return Take().text;
    }
    uint16_t Word(const char *what) {
        if (Peek().kind != Tok::Number) Fail(Peek().pos, std::string("expected ") + what + ", found " + Describe(Peek()));
        if (Peek().value > 0xFFFF) Fail(Peek().pos, std::string(what) + " must fit 16 bits (0 to 65535)");
        return static_cast<uint16_t>(Take().value);
    }
    uint8_t Byte(const char *what) {
        if (Peek().kind == Tok::Char) return static_cast<uint8_t>(Take().value);
        if (Peek().kind == Tok::Number && Peek().value > 0xFF) Fail(Peek().pos, std::string(what) + " must fit one byte");
        if (Peek().kind != Tok::Number) Fail(Peek().pos, std::string("expected ") + what + ", found " + Describe(Peek()));
        return static_cast<uint8_t>(Take().value);
    }
    void EndOfStatement() {
        if (Peek().kind == Tok::Newline || IsPunct(";")) {
            Take();
            return;
        }
        if (IsPunct("}") || Peek().kind == Tok::End) return;
        Fail(Peek().pos, "unexpected " + Describe(Peek()) + " at the end of the statement");
    }
    void SkipLine() {
        while (Peek().kind != Tok::Newline && Peek().kind != Tok::End && !IsPunct(";")) Take();
        if (Peek().kind != Tok::End) Take();
    }

    // ---- Statements --------------------------------------------------------

    std::vector<RuleStatement> StatementList(bool nested, RuleSource *src) {
        std::vector<RuleStatement> list;
        for (;;) {
            if (Peek().kind == Tok::Newline || IsPunct(";")) {
                Take();
                continue;
            }
            if (Peek().kind == Tok::End) {
                if (nested) errors_.push_back(RuleError{Peek().pos, "'{' not closed by '}'"});
                return list;
            }
            if (IsPunct("}")) {
                if (nested) return list;
                errors_.push_back(RuleError{Peek().pos, "'}' without a block to close"});
                SkipLine();
                continue;
            }
            try {
                if (IsWord("class") || IsWord("longest") || IsWord("first") || IsWord("sub") || IsWord("mask")) {
                    if (src == nullptr) Fail(Peek().pos, "definitions belong at the top level, outside blocks");
                    Define(*src);
                } else {
                    list.push_back(Statement());
                }
                EndOfStatement();
            } catch (const SyntaxError &) {
                SkipLine();
            }
        }
    }

    RuleStatement Statement() {
        RuleStatement st;
        st.pos = Peek().pos;
        if (IsWord("block") || IsWord("once")) {
            st.kind = Take().text == "block" ? StatementKind::Block : StatementKind::Once;
            st.body = Braced();
        } else if (IsWord("foreach")) {
            Take();
            st.kind = StatementKind::Foreach;
            st.pattern = Sequence(0);
            st.body = Braced();
        } else if (IsWord("end")) {
            Take();
            st.kind = StatementKind::End;
            if (Peek().kind == Tok::Number) st.word = Word("the operand of end");
        } else if (IsWord("skip")) {
            Take();
            st.kind = StatementKind::Skip;
            if (Peek().kind == Tok::Char) {
                const uint32_t c = Take().value;
                if (c != 0x64 && c != 0x65) Fail(st.pos, "skip is 'd' or 'e'");
                st.skipCode = static_cast<uint8_t>(c);
            }
            if (Peek().kind == Tok::Number) st.word = Word("the operand of skip");
        } else {
            st.kind = StatementKind::Rule;
            st.pattern = Sequence(0);
            if (IsPunct("->")) {
                Take();
                st.hasActions = true;
                while (Peek().kind != Tok::Newline && Peek().kind != Tok::End && !IsPunct(";") && !IsPunct("}"))
                    st.actions.push_back(Action());
            } else if (st.pattern.empty()) {
                Fail(Peek().pos, "expected a statement, found " + Describe(Peek()));
            }
        }
        return st;
    }

    std::vector<RuleStatement> Braced() {
        Expect("{", "'{'");
        if (++depth_ > kMaxNesting) Fail(Peek().pos, "blocks nested too deeply");
        std::vector<RuleStatement> body = StatementList(true, nullptr);
        --depth_;
        Expect("}", "'}'");
        return body;
    }

    // ---- Definitions -------------------------------------------------------

    void Define(RuleSource &src) {
        const Token &kw = Take();
        if (kw.text == "mask") {
            uint16_t mask = 0;
            do {
                if (Peek().kind == Tok::Number) {
                    mask |= Word("a mask");
                } else if (Peek().kind == Tok::Ident) {
                    const Token &n = Take();
                    static const std::pair<const char *, uint16_t> kBits[] = {
                        {"letters", 0x0001}, {"digits", 0x0002}, {"embedded", 0x0008}, {"codes", 0x0010},
                        {"always", 0xFFE0}};
                    bool found = false;
                    for (const auto &b : kBits)
                        if (n.text == b.first) mask |= b.second, found = true;
                    if (!found) Fail(n.pos, "unknown text class '" + n.text + "' (letters, digits, embedded, codes, always)");
                } else {
                    Fail(Peek().pos, "expected a text class or a number, found " + Describe(Peek()));
                }
            } while (Peek().kind == Tok::Number || Peek().kind == Tok::Ident);
            if (src.mask) Fail(kw.pos, "the pass mask is given twice");
            src.mask = mask;
            return;
        }
        Definition d;
        d.pos = kw.pos;
        d.kind = kw.text == "class" ? DefinitionKind::Class
               : kw.text == "longest" ? DefinitionKind::Longest
               : kw.text == "first" ? DefinitionKind::First : DefinitionKind::Sub;
        d.name = Name("a definition");
        if (d.kind == DefinitionKind::Class) {
            Expect("=", "'='");
            while (Peek().kind != Tok::Newline && Peek().kind != Tok::End && !IsPunct(";")) Members(d.items);
        } else if (d.kind == DefinitionKind::Sub) {
            Expect("=", "'='");
            d.body = Sequence(0);
        } else {
            Expect("{", "'{' and a table of keys");
            for (;;) {
                if (Peek().kind == Tok::Newline || IsPunct(";")) {
                    Take();
                    continue;
                }
                if (IsPunct("}")) break;
                if (Peek().kind != Tok::String) Fail(Peek().pos, "expected a key string or '}', found " + Describe(Peek()));
                KeyedEntry e;
                e.pos = Peek().pos;
                e.key = Take().text;
                if (Peek().kind == Tok::String) e.value = Take().text;
                if (Peek().kind != Tok::Newline && !IsPunct(";") && !IsPunct("}"))
                    Fail(Peek().pos, "a table line is a key and at most one value");
                d.entries.push_back(std::move(e));
            }
            Take();
        }
        src.definitions.push_back(std::move(d));
    }

    // One member item; a string gives one item per byte.
    void Members(std::vector<ClassItem> &items) {
        ClassItem it;
        it.pos = Peek().pos;
        if (Peek().kind == Tok::Ident) {
            it.name = Name("a class");
        } else if (Peek().kind == Tok::Char) {
            it.lo = it.hi = static_cast<uint8_t>(Take().value);
            if (IsPunct("-")) {
                Take();
                if (Peek().kind != Tok::Char) Fail(Peek().pos, "a range ends with a character");
                it.hi = static_cast<uint8_t>(Take().value);
                if (it.hi < it.lo) Fail(it.pos, "a range runs from its lower to its higher character");
            }
        } else if (Peek().kind == Tok::String) {
            const std::string s = Take().text;
            if (s.empty()) Fail(it.pos, "an empty string adds no member");
            for (unsigned char c : s) items.push_back(ClassItem{it.pos, c, c, {}});
            return;
        } else {
            Fail(Peek().pos, "expected a class member (a character, a range, a string or a class), found " +
                                 Describe(Peek()));
        }
        items.push_back(std::move(it));
    }

    // ---- Patterns ----------------------------------------------------------

    bool StartsElement() const {
        const Token &t = Peek();
        if (t.kind == Tok::String || t.kind == Tok::Char || t.kind == Tok::TagName) return true;
        if (t.kind == Tok::Ident) return true;
        if (t.kind != Tok::Punct) return false;
        return t.text == "(" || t.text == "[" || t.text == "]" || t.text == ">" || t.text == "^" || t.text == "$";
    }

    std::vector<PatternElement> Sequence(int depth) {
        std::vector<PatternElement> seq;
        while (StartsElement()) seq.push_back(Postfix(depth));
        return seq;
    }

    // "{m", "{m,", "{m,n" followed by "}" is a count; any other "{" opens a block.
    bool AtCount() const {
        return IsPunct("{") && Peek(1).kind == Tok::Number && (IsPunct("}", 2) || IsPunct(",", 2));
    }

    PatternElement Postfix(int depth) {
        PatternElement e = Primary(depth);
        for (int nest = depth + 1;; ++nest) {
            PatternElement r;
            r.kind = ElementKind::Repeat;
            r.pos = Peek().pos;
            if (IsPunct("*") || IsPunct("+") || IsPunct("?")) {
                const std::string op = Take().text;
                r.min = op == "+" ? 1 : 0;
                r.max = op == "?" ? 1 : 0xFFFF;
            } else if (AtCount()) {
                Take();
                r.min = Word("a count");
                r.max = r.min;
                if (IsPunct(",")) {
                    Take();
                    r.max = Peek().kind == Tok::Number ? Word("a count") : 0xFFFF;
                }
                Expect("}", "'}' after the count");
                if (r.max < r.min) Fail(r.pos, "the least count is above the most");
            } else {
                return e;
            }
            if (nest > kMaxNesting) Fail(r.pos, "pattern nested too deeply");
            if (IsPunct("?")) {
                Take();
                r.lazy = true;
            }
            // A plain group's elements are the body itself.
            if (e.kind == ElementKind::Group && e.text.empty()) r.body = std::move(e.body);
            else r.body.push_back(std::move(e));
            e = std::move(r);
        }
    }

    PatternElement Primary(int depth) {
        if (depth > kMaxNesting) Fail(Peek().pos, "pattern nested too deeply");
        PatternElement e;
        const Token t = Take();
        e.pos = t.pos;
        switch (t.kind) {
            case Tok::String:
                e.kind = ElementKind::Literal;
                e.text = t.text;
                return e;
            case Tok::Char:
                e.kind = ElementKind::Range;
                e.lo = static_cast<uint8_t>(t.value);
                Expect("-", "'-' and the range's last character");
                if (Peek().kind != Tok::Char) Fail(Peek().pos, "a range ends with a character");
                e.hi = static_cast<uint8_t>(Take().value);
                return e;
            case Tok::TagName:
                e.kind = ElementKind::Name;
                e.text = t.text;
                e.tagged = true;
                return e;
            case Tok::Ident:
                if (t.text == "rest") e.kind = ElementKind::Rest;
                else if (t.text == "dict") {
                    e.kind = ElementKind::Dict;
                    if (Peek().kind == Tok::Number) e.word = Word("the operand of dict");
                } else if (t.text == "seek") {
                    e.kind = ElementKind::Seek;
                    Expect("(", "'(' after seek");
                    e.body = Sequence(depth + 1);
                    Expect(")", "')' to close seek");
                } else if (t.text == "alt") {
                    Expect("(", "'(' after alt");
                    e = Alternatives(depth, t.pos, /*explicitAlt=*/true);
                } else if (kKeywords.count(t.text)) {
                    Fail(t.pos, "'" + t.text + "' cannot stand in a pattern");
                } else {
                    e.kind = ElementKind::Name;
                    e.text = t.text;
                }
                return e;
            default:
                break;
        }
        if (t.text == "(") return Alternatives(depth, t.pos, false);
        if (t.text == "[") e.kind = ElementKind::FocusStart;
        else if (t.text == "]") e.kind = ElementKind::FocusEnd;
        else if (t.text == ">") e.kind = ElementKind::Resume;
        else if (t.text == "^") e.kind = ElementKind::AtAnchor;
        else if (t.text == "$") e.kind = ElementKind::AtEnd;
        else Fail(t.pos, "expected a pattern element, found " + Describe(t));
        return e;
    }

    // After "(" (or "alt("): a group, or alternatives separated by "|".  An
    // alternative of one element is that element, any other a group.
    PatternElement Alternatives(int depth, SourcePos pos, bool explicitAlt) {
        std::vector<std::vector<PatternElement>> alts;
        alts.push_back(Sequence(depth + 1));
        while (IsPunct("|")) {
            Take();
            alts.push_back(Sequence(depth + 1));
        }
        Expect(")", "')'");
        PatternElement e;
        e.pos = pos;
        if (!explicitAlt && alts.size() == 1) {
            e.kind = ElementKind::Group;
            e.body = std::move(alts[0]);
            return e;
        }
        e.kind = ElementKind::Alt;
        e.text = "alt";  // not a plain group: a repetition keeps it whole
        if (explicitAlt && alts.size() == 1 && alts[0].empty()) return e;  // alt(): no alternative
        for (auto &a : alts) {
            if (a.size() == 1) {
                e.body.push_back(std::move(a[0]));
            } else {
                PatternElement g;
                g.kind = ElementKind::Group;
                g.pos = a.empty() ? pos : a[0].pos;
                g.text = "inner";
                g.body = std::move(a);
                e.body.push_back(std::move(g));
            }
        }
        return e;
    }

    // ---- Actions -----------------------------------------------------------

    RuleAction Action() {
        RuleAction a;
        a.pos = Peek().pos;
        const Token t = Take();
        if (t.kind == Tok::String) {
            a.kind = ActionKind::Text;
            a.text = t.text;
            return a;
        }
        if (t.kind == Tok::TagName) {
            a.kind = ActionKind::Shorthand;
            a.text = t.text;
            return a;
        }
        if (t.kind != Tok::Ident) Fail(t.pos, "expected an action, found " + Describe(t));
        if (t.text == "dict") {
            a.kind = ActionKind::Dict;
        } else if (t.text == "stop" || t.text == "leave") {
            a.kind = ActionKind::Result;
            a.result = t.text == "stop" ? 'T' : 'U';
        } else if (t.text == "result") {
            a.kind = ActionKind::Result;
            a.result = Byte("a result byte");
        } else if (t.text == "text" || t.text == "value" || t.text == "capture") {
            a.kind = t.text == "text" ? ActionKind::TagSpan : t.text == "value" ? ActionKind::Tag : ActionKind::Capture;
            Expect("(", "'('");
            if (Peek().kind == Tok::Number) {
                a.id = Word("an id");
            } else if (Peek().kind == Tok::Ident && Peek().text == "dict") {
                Take();
                if (a.kind == ActionKind::Capture) Fail(t.pos, "the dictionary records a tag, not a capture");
                a.kind = a.kind == ActionKind::TagSpan ? ActionKind::DictSpan : ActionKind::Dict;
            } else {
                a.text = Name("a class, list or sub");
            }
            Expect(")", "')'");
        } else {
            Fail(t.pos, "unknown action '" + t.text + "'");
        }
        return a;
    }

    std::vector<Token> t_;
    std::vector<RuleError> &errors_;
    size_t i_ = 0;
    int depth_ = 0;
};

}  // namespace

RuleSource ParseRuleSource(const std::string &text, std::vector<RuleError> &errors) {
    return Parser(LexRuleSource(text, errors), errors).Run();
}

}  // namespace kav::font
