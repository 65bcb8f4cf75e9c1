// Bytes to rule language.  The code is decoded in layout order: a composite
// element's body is read where it lies and its `next` must be the byte after
// it, a statement's successor the statement after it, so a program that
// jumps elsewhere is refused rather than followed.  Names are made from
// offsets (c = class, k = longest-match list, f = first-match list, s = sub)
// and collected in a first run over the code, so that the second, printing,
// run can name the ids of actions.
#include "rule_disasm.h"

#include "rule_compiler.h"

#include "rules/rule_program.h"

#include <map>
#include <set>
#include <vector>

namespace kav::font {

using namespace kav::rules;

namespace {

constexpr int kMaxDepth = 100;

struct Unexpressible {
    std::string why;
};

std::string Hex2(unsigned c) {
    static const char *digits = "0123456789abcdef";
    return std::string{'\\', 'x', digits[c >> 4], digits[c & 15]};
}

std::string QuoteChar(uint8_t c) {
    if (c == '\'' || c == '\\') return std::string("'\\") + static_cast<char>(c) + "'";
    if (c >= 0x20 && c < 0x7F) return std::string("'") + static_cast<char>(c) + "'";
    return "'" + Hex2(c) + "'";
}

struct Printed {
    std::string text;
    BYTE code = 0;
    size_t groupSize = 0;  // elements in a group's list
};

class Disassembler {
public:
    explicit Disassembler(const RuleProgram &prog) : p_(prog) {}

    std::string Run() {
        // First run: collect the names; the second prints with all known.
        for (int run = 0; run < 2; ++run) {
            out_.clear();
            Statements(p_.Entry(), 0);
            std::set<WORD> done;
            for (bool more = true; more;) {
                more = false;
                for (WORD s : std::set<WORD>(subs_)) {
                    if (done.count(s)) continue;
                    done.insert(s);
                    more = true;
                    DWORD end;
                    subText_[s] = Sequence(p_.Code(s), end, 0);
                }
            }
        }
        std::string defs;
        std::map<WORD, char> kinds;
        for (WORD c : classes_) Kind(kinds, c, 'c');
        for (WORD k : longest_) Kind(kinds, k, 'k');
        for (WORD f : first_) Kind(kinds, f, 'f');
        for (const auto &[offset, kind] : kinds) {
            if (kind == 'c') defs += ClassText(offset);
            else defs += ListText(offset, kind == 'k');
        }
        for (const auto &[offset, text] : subText_) defs += "sub s" + std::to_string(offset) + " = " + text + "\n";
        return defs.empty() ? out_ : defs + "\n" + out_;
    }

private:
    [[noreturn]] static void Refuse(DWORD at, const std::string &what) {
        throw Unexpressible{what + " at byte " + std::to_string(at)};
    }
    static void Kind(std::map<WORD, char> &kinds, WORD offset, char kind) {
        auto [it, fresh] = kinds.emplace(offset, kind);
        if (!fresh) throw Unexpressible{"class offset " + std::to_string(offset) + " is used as two kinds of table"};
    }
    WORD CodeOffset(DWORD at) const { return static_cast<WORD>(at - p_.CodeBase()); }

    // ---- Statements ----------------------------------------------------------

    void Line(int indent, const std::string &text) { out_ += std::string(4 * indent, ' ') + text + "\n"; }

    // Prints the list at code offset `at`; returns the offset after it.
    WORD Statements(WORD at, int indent) {
        if (indent > kMaxDepth) Refuse(p_.Code(at), "blocks nested too deeply");
        BYTE previous = 0xFF;  // no statement yet
        for (;;) {
            const StatementInfo st = p_.Statement(at);
            const WORD after = static_cast<WORD>(at + 3);
            switch (st.code) {
                case STMT_RULE: {
                    const WORD next = Rule(st, indent);
                    if (st.operand == kNoCode) return next;
                    if (st.operand != next) Refuse(p_.Code(at), "a rule whose next statement does not follow it");
                    at = next;
                    break;
                }
                case STMT_BLOCK:
                case STMT_BLOCK_ONCE: {
                    Line(indent, st.code == STMT_BLOCK ? "block {" : "once {");
                    const WORD end = Statements(after, indent + 1);
                    Line(indent, "}");
                    if (st.operand != end) Refuse(p_.Code(at), "a block whose continuation does not follow it");
                    at = end;
                    break;
                }
                case STMT_FOREACH: {
                    DWORD end;
                    const std::string pattern = Sequence(st.body, end, 0);
                    if (st.operand != CodeOffset(end)) Refuse(p_.Code(at), "a foreach whose block does not follow it");
                    Line(indent, "foreach " + pattern + " {");
                    const WORD done = Statements(CodeOffset(end), indent + 1);
                    Line(indent, "}");
                    return done;
                }
                case STMT_END: {
                    // The end the compiler adds to an empty list and after a
                    // block or skip is not written in the source.
                    const bool implied = st.operand == kNoCode && (previous == 0xFF || previous == STMT_BLOCK ||
                                                                   previous == STMT_BLOCK_ONCE ||
                                                                   previous == STMT_SKIP || previous == STMT_SKIP_E);
                    if (!implied) Line(indent, st.operand == kNoCode ? "end" : "end " + std::to_string(st.operand));
                    return after;
                }
                case STMT_SKIP:
                case STMT_SKIP_E:
                    Line(indent, std::string("skip") + (st.code == STMT_SKIP_E ? " 'e'" : "") +
                                     (st.operand == kNoCode ? "" : " " + std::to_string(st.operand)));
                    at = after;
                    break;
                default:
                    Refuse(p_.Code(at), "statement code " + std::to_string(st.code));
            }
            previous = st.code;
        }
    }

    // A rule whose pattern is one group, its actions right after it.
    WORD Rule(const StatementInfo &st, int indent) {
        const ElementInfo g = p_.Element(st.body);
        if (g.code != EL_GROUP) Refuse(st.body, "a rule whose pattern is not a group");
        DWORD end;
        const std::string pattern = Sequence(g.body, end, 0);
        if (g.operand == kNoCode) {
            if (pattern.empty()) Refuse(st.body, "a rule with neither pattern nor actions");
            Line(indent, pattern);
            return CodeOffset(end);
        }
        if (g.successor != end) Refuse(st.body, "a rule whose actions do not follow its pattern");
        std::string actions;
        DWORD at = end;
        for (;;) {
            const ActionInfo a = p_.Action(at);
            if (a.code == ACT_END) break;
            actions += " " + Action(a, at);
            at = a.next;
        }
        Line(indent, (pattern.empty() ? "->" : pattern + " ->") + actions);
        return CodeOffset(at + 1);
    }

    std::string Action(const ActionInfo &a, DWORD at) {
        switch (a.code) {
            case ACT_TEXT: return QuoteRuleString(p_.String(a.text));
            case ACT_RESULT:
                if (a.operand == RES_STOP) return "stop";
                if (a.operand == 'U') return "leave";
                return "result " + QuoteChar(static_cast<uint8_t>(a.operand));
            case ACT_CAPTURE:
                if (subs_.count(a.operand)) return "$s" + std::to_string(a.operand);
                return "capture(" + Id(a.operand, false) + ")";
            case ACT_TAG_SPAN:
                if (classes_.count(a.operand) && !IsList(a.operand)) return "$c" + std::to_string(a.operand);
                return "text(" + Id(a.operand, true) + ")";
            case ACT_TAG:
                if (IsList(a.operand) && !classes_.count(a.operand))
                    return "$" + std::string(longest_.count(a.operand) ? "k" : "f") + std::to_string(a.operand);
                return "value(" + Id(a.operand, true) + ")";
            case ACT_DICT_SPAN: return "text(dict)";
            case ACT_DICT: return "dict";
            default: Refuse(at, "action code " + std::to_string(a.code));
        }
    }
    bool IsList(WORD id) const { return longest_.count(id) || first_.count(id); }
    // A name for an id: tables first for tags, subs first for captures.
    std::string Id(WORD id, bool tag) const {
        const std::string table = classes_.count(id) ? "c" : longest_.count(id) ? "k" : first_.count(id) ? "f" : "";
        const std::string sub = subs_.count(id) ? "s" : "";
        const std::string &first = tag ? table : sub;
        const std::string &second = tag ? sub : table;
        if (!first.empty()) return first + std::to_string(id);
        if (!second.empty()) return second + std::to_string(id);
        return std::to_string(id);
    }

    // ---- Patterns ------------------------------------------------------------

    // The element list at `at`, up to its zero byte; end = the byte after it.
    std::string Sequence(DWORD at, DWORD &end, int depth) {
        std::vector<Printed> list = Elements(at, end, depth);
        std::string out;
        for (const Printed &e : list) out += (out.empty() ? "" : " ") + e.text;
        return out;
    }

    std::vector<Printed> Elements(DWORD at, DWORD &end, int depth) {
        if (depth > kMaxDepth) Refuse(at, "a pattern nested too deeply");
        std::vector<Printed> list;
        while (p_.Byte(at) != 0) list.push_back(Element(at, depth));
        end = at + 1;
        return list;
    }

    // A class, keyed list or sub by its number, noted as used so that its
    // definition is printed.
    static std::string Named(const ElementInfo &e, std::set<WORD> &used, const char *letter) {
        used.insert(e.operand);
        return letter + std::to_string(e.operand);
    }

    Printed Element(DWORD &at, int depth) {
        const DWORD start = at;
        const ElementInfo e = p_.Element(at);
        Printed out;
        out.code = e.code;
        at = e.successor;
        switch (e.code) {
            case EL_GROUP:
            case EL_ALT:
            case EL_SEEK:
            case EL_REPEAT:
            case EL_REPEAT_LAZY: {
                DWORD end;
                std::vector<Printed> body = Elements(e.body, end, depth + 1);
                const bool repeat = e.code == EL_REPEAT || e.code == EL_REPEAT_LAZY;
                const bool last = p_.Byte(end) == 0;
                const DWORD expected = repeat && last ? kNowhere : end;
                if (e.successor != expected) Refuse(start, "an element whose successor does not follow its body");
                at = end;
                out.text = Composite(e, body);
                out.groupSize = body.size();
                return out;
            }
            case EL_LITERAL: out.text = QuoteRuleString(p_.String(e.body)); return out;
            case EL_RANGE: out.text = QuoteChar(e.operand & 0xFF) + "-" + QuoteChar(e.operand >> 8); return out;
            case EL_CLASS: out.text = Named(e, classes_, "c"); return out;
            case EL_CLASS_TAG: out.text = "$" + Named(e, classes_, "c"); return out;
            case EL_LONGEST: out.text = Named(e, longest_, "k"); return out;
            case EL_LONGEST_TAG: out.text = "$" + Named(e, longest_, "k"); return out;
            case EL_FIRST: out.text = Named(e, first_, "f"); return out;
            case EL_FIRST_TAG: out.text = "$" + Named(e, first_, "f"); return out;
            case EL_CALL: out.text = Named(e, subs_, "s"); return out;
            case EL_CALL_CAPTURE: out.text = "$" + Named(e, subs_, "s"); return out;
            case EL_RESUME: out.text = ">"; return out;
            case EL_FOCUS_START: out.text = "["; return out;
            case EL_FOCUS_END: out.text = "]"; return out;
            case EL_REST: out.text = "rest"; return out;
            case EL_AT_ANCHOR: out.text = "^"; return out;
            case EL_AT_END: out.text = "$"; return out;
            case EL_DICT: out.text = e.operand == 0 ? "dict" : "dict " + std::to_string(e.operand); return out;
            default: Refuse(start, "element code " + std::to_string(e.code));
        }
    }

    static std::string Join(const std::vector<Printed> &list, const char *sep) {
        std::string out;
        for (size_t i = 0; i < list.size(); ++i) out += (i ? sep : "") + list[i].text;
        return out;
    }

    static std::string Composite(const ElementInfo &e, const std::vector<Printed> &body) {
        switch (e.code) {
            case EL_GROUP: return "(" + Join(body, " ") + ")";
            case EL_SEEK: return "seek(" + Join(body, " ") + ")";
            case EL_ALT: {
                // A group of two or more elements is written as a bare sequence.
                std::vector<Printed> alts = body;
                for (Printed &a : alts)
                    if (a.code == EL_GROUP && a.groupSize >= 2) a.text = a.text.substr(1, a.text.size() - 2);
                return (alts.size() >= 2 ? "(" : "alt(") + Join(alts, " | ") + ")";
            }
            default: break;
        }
        std::string op;
        if (e.min == 0 && e.max == 0xFFFF) op = "*";
        else if (e.min == 1 && e.max == 0xFFFF) op = "+";
        else if (e.min == 0 && e.max == 1) op = "?";
        else if (e.max == 0xFFFF) op = "{" + std::to_string(e.min) + ",}";
        else if (e.min == e.max) op = "{" + std::to_string(e.min) + "}";
        else op = "{" + std::to_string(e.min) + "," + std::to_string(e.max) + "}";
        if (e.code == EL_REPEAT_LAZY) op += "?";
        const bool bare = body.size() == 1 && body[0].code != EL_GROUP && body[0].code != EL_REPEAT &&
                          body[0].code != EL_REPEAT_LAZY;
        return (bare ? body[0].text : "(" + Join(body, " ") + ")") + op;
    }

    // ---- Class area ----------------------------------------------------------

    std::string ClassText(WORD offset) {
        std::string out = "class c" + std::to_string(offset) + " =";
        for (int c = 0; c < 256;) {
            if (!p_.ClassMember(offset, static_cast<BYTE>(c))) {
                ++c;
                continue;
            }
            int last = c;
            while (last < 255 && p_.ClassMember(offset, static_cast<BYTE>(last + 1))) ++last;
            if (last - c >= 2) {
                out += " " + QuoteChar(static_cast<uint8_t>(c)) + "-" + QuoteChar(static_cast<uint8_t>(last));
            } else {
                for (int k = c; k <= last; ++k) out += " " + QuoteChar(static_cast<uint8_t>(k));
            }
            c = last + 1;
        }
        return out + "\n";
    }

    struct Entry {
        std::string key;
        bool hasValue = false;
        std::string value;
        bool operator==(const Entry &o) const {
            return key == o.key && hasValue == o.hasValue && value == o.value;
        }
    };

    std::vector<Entry> Bucket(DWORD at, bool longest) {
        std::vector<Entry> list;
        for (;;) {
            if (longest) {
                const BYTE size = p_.Byte(at);
                if (size == 0) return list;
                Entry e;
                e.key = p_.String(at + 1);
                const DWORD afterKey = at + 1 + e.key.size() + 1;
                if (afterKey < at + size && p_.Byte(afterKey) == ')') {
                    e.hasValue = true;
                    e.value = p_.String(afterKey + 1);
                }
                list.push_back(e);
                at += size;
            } else {
                const BYTE tag = p_.Byte(at);
                if (tag == 0) return list;
                const std::string s = p_.String(at + 1);
                if (tag == '(') {
                    list.push_back(Entry{s, false, {}});
                } else if (tag == ')' && !list.empty() && !list.back().hasValue) {
                    list.back().hasValue = true;
                    list.back().value = s;
                } else {
                    Refuse(at, "a tagged string the table notation cannot hold");
                }
                at += 1 + s.size() + 1;
            }
        }
    }

    // Every bucket holds its own keys and all empty keys in table order; the
    // table is rebuilt by interleaving the buckets between the empty keys.
    std::string ListText(WORD offset, bool longest) {
        std::vector<std::vector<Entry>> buckets(32);
        for (int k = 0; k < 32; ++k) {
            const WORD list = p_.Word(p_.ClassBase() + offset + 2 * k);
            if (list != kNoCode) buckets[k] = Bucket(p_.ClassBase() + list, longest);
        }
        std::vector<Entry> empties;
        for (const Entry &e : buckets[0])
            if (e.key.empty()) empties.push_back(e);
        std::vector<std::vector<Entry>> segments(empties.size() + 1);
        for (int k = 0; k < 32; ++k) {
            size_t seg = 0;
            for (const Entry &e : buckets[k]) {
                if (e.key.empty()) {
                    if (seg >= empties.size() || !(e == empties[seg]))
                        Refuse(p_.ClassBase() + offset, "an empty key that is not in every bucket");
                    ++seg;
                } else if (BucketOf(static_cast<BYTE>(e.key[0])) != k) {
                    Refuse(p_.ClassBase() + offset, "a key in another bucket than its first character's");
                } else {
                    segments[seg].push_back(e);
                }
            }
            if (seg != empties.size()) Refuse(p_.ClassBase() + offset, "an empty key that is not in every bucket");
        }
        std::string out = (longest ? "longest k" : "first f") + std::to_string(offset) + " {\n";
        for (size_t s = 0; s < segments.size(); ++s) {
            if (s > 0) segments[s].insert(segments[s].begin(), empties[s - 1]);
            for (const Entry &e : segments[s])
                out += "    " + QuoteRuleString(e.key) + (e.hasValue ? " " + QuoteRuleString(e.value) : "") + "\n";
        }
        return out + "}\n";
    }

    const RuleProgram &p_;
    std::string out_;
    std::set<WORD> classes_, longest_, first_, subs_;
    std::map<WORD, std::string> subText_;
};

}  // namespace

std::string QuoteRuleString(const std::string &bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') out += std::string("\\") + static_cast<char>(c);
        else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
        else out += Hex2(c);
    }
    return out + "\"";
}

RuleDisassembly DisassembleRules(const uint8_t *bytes, size_t size) {
    RuleDisassembly r;
    if (size > 0xFFFFFFFFu) size = 0xFFFFFFFFu;
    RuleProgram prog;
    const LONG status = prog.Open(bytes, static_cast<DWORD>(size));
    if (status != 0) {
        r.error = status == kRuleBadVersion ? "not a rule program of version 2" : "not a rule program (short header or no entry)";
        return r;
    }
    // Code offsets are 16-bit: a longer code area could wrap them round.
    if (prog.CodeBase() < size && size - prog.CodeBase() > 0xFFFF) {
        r.error = "the code area passes 65535 bytes";
        return r;
    }
    try {
        r.text = Disassembler(prog).Run();
    } catch (const Unexpressible &u) {
        r.error = "no notation for this program: " + u.why;
        return r;
    } catch (const BadProgram &) {
        r.error = "the program reads outside itself or lacks a terminator";
        return r;
    }
    const CompiledRules again = CompileRules(r.text);
    if (!again.ok() || again.bytes.size() != size || !std::equal(again.bytes.begin(), again.bytes.end(), bytes)) {
        size_t at = 0;
        while (at < size && at < again.bytes.size() && again.bytes[at] == bytes[at]) ++at;
        r.error = "no notation for this program: it is laid out differently from compiled rules (from byte " +
                  std::to_string(at) + ")";
        r.text.clear();
        return r;
    }
    r.ok = true;
    return r;
}

}  // namespace kav::font
