// RuleSource to program bytes.  The layout is fixed so that the
// disassembler can read it back: header (class area right after it, entry
// 0), class area with the used classes and keyed lists in source order, code
// area with the top-level statements first and the used subs after them.
// Definitions no pattern uses are left out: an unused class would be bytes
// no reader could tell from a bucket table.
#include "rule_compiler.h"

#include "rules/rule_opcodes.h"
#include "rules/rule_program.h"

#include <algorithm>
#include <bitset>
#include <map>
#include <set>

namespace kav::font {

using namespace kav::rules;

namespace {

constexpr size_t kMaxArea = 0xFFFF;  // 0xFFFF itself means "none"
constexpr size_t kMaxClassNesting = 200;  // keeps the resolution's recursion shallow

bool KeyLess(const std::string &a, const std::string &b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return uint8_t(x) < uint8_t(y); });
}

class Emitter {
public:
    explicit Emitter(const RuleSource &src, CompiledRules &out) : src_(src), out_(out) {}

    void Run() {
        IndexNames();
        for (const Definition &d : src_.definitions)
            if (d.kind == DefinitionKind::Class) ClassMembers(d);
        for (const RuleStatement &st : src_.statements) CheckStatement(st);
        for (const Definition &d : src_.definitions)
            if (d.kind == DefinitionKind::Sub) CheckPattern(d.body);
        FindUsed();
        LayClassArea();
        EmitStatements(src_.statements);
        for (const Definition &d : src_.definitions) {
            if (d.kind != DefinitionKind::Sub || !used_.count(d.name)) continue;
            Note(d.pos);
            subOffset_[d.name] = Pc();
            EmitList(d.body);
        }
        for (const auto &[at, name] : subPatches_) Patch(at, subOffset_.at(name));
        if (code_.size() > kMaxArea) {
            SourcePos where = placed_.empty() ? SourcePos{1, 1} : placed_.back().second;
            for (const auto &[at, pos] : placed_)
                if (at >= kMaxArea) {
                    where = pos;
                    break;
                }
            Error(where, "the program does not fit: its code area needs " + std::to_string(code_.size()) +
                             " bytes and 16-bit offsets reach 65535");
        }
        if (!out_.errors.empty()) return;
        std::vector<uint8_t> &p = out_.bytes;
        p = {2, 0, 0, 0, uint8_t(cls_.size() & 0xFF), uint8_t(cls_.size() >> 8), 0, 0, 0, 0};
        p.insert(p.end(), cls_.begin(), cls_.end());
        p.insert(p.end(), code_.begin(), code_.end());
        if (src_.mask) out_.mask = *src_.mask;
    }

private:
    void Error(SourcePos pos, std::string message) { out_.errors.push_back(RuleError{pos, std::move(message)}); }

    // ---- Names ---------------------------------------------------------------

    void IndexNames() {
        for (const Definition &d : src_.definitions) {
            auto [it, fresh] = defs_.emplace(d.name, &d);
            if (!fresh)
                Error(d.pos, "'" + d.name + "' is already defined at line " + std::to_string(it->second->pos.line));
        }
    }
    const Definition *Lookup(const std::string &name, SourcePos pos) {
        auto it = defs_.find(name);
        if (it != defs_.end()) return it->second;
        Error(pos, "unknown name '" + name + "'");
        return nullptr;
    }

    // The members of a class, its included classes resolved (once each).
    std::bitset<256> ClassMembers(const Definition &d) {
        if (auto it = sets_.find(&d); it != sets_.end()) return it->second;
        if (visiting_.size() > kMaxClassNesting) {
            Error(d.pos, "classes include one another more than " + std::to_string(kMaxClassNesting) + " deep");
            return sets_[&d] = {};
        }
        visiting_.insert(&d);
        std::bitset<256> set;
        for (const ClassItem &it : d.items) {
            if (it.name.empty()) {
                for (int c = it.lo; c <= it.hi; ++c) set.set(static_cast<size_t>(c));
                continue;
            }
            const Definition *other = Lookup(it.name, it.pos);
            if (other == nullptr) continue;
            if (other->kind != DefinitionKind::Class) Error(it.pos, "'" + it.name + "' is not a class");
            else if (visiting_.count(other)) Error(it.pos, "class '" + it.name + "' includes itself");
            else set |= ClassMembers(*other);
        }
        visiting_.erase(&d);
        sets_[&d] = set;
        return set;
    }

    void CheckPattern(const std::vector<PatternElement> &list) {
        for (const PatternElement &e : list) {
            if (e.kind == ElementKind::Name) Lookup(e.text, e.pos);
            CheckPattern(e.body);
        }
    }
    void CheckStatement(const RuleStatement &st) {
        CheckPattern(st.pattern);
        for (const RuleStatement &b : st.body) CheckStatement(b);
    }

    // Names that patterns reach, from the statements through the subs.
    void FindUsed() {
        std::vector<const std::vector<PatternElement> *> work;
        std::vector<const std::vector<RuleStatement> *> lists{&src_.statements};
        while (!lists.empty()) {
            const auto *l = lists.back();
            lists.pop_back();
            for (const RuleStatement &st : *l) {
                work.push_back(&st.pattern);
                lists.push_back(&st.body);
            }
        }
        while (!work.empty()) {
            const auto *l = work.back();
            work.pop_back();
            for (const PatternElement &e : *l) {
                work.push_back(&e.body);
                if (e.kind != ElementKind::Name || used_.count(e.text) || !defs_.count(e.text)) continue;
                used_.insert(e.text);
                const Definition *d = defs_.at(e.text);
                if (d->kind == DefinitionKind::Sub) work.push_back(&d->body);
            }
        }
    }

    // ---- Class area ------------------------------------------------------------

    void LayClassArea() {
        for (const Definition &d : src_.definitions) {
            if (d.kind == DefinitionKind::Sub || !used_.count(d.name)) continue;
            classOffset_[d.name] = static_cast<uint16_t>(cls_.size());
            if (cls_.size() >= kMaxArea) {
                Error(d.pos, "the class area passes 65535 bytes at '" + d.name + "'");
                return;
            }
            if (d.kind == DefinitionKind::Class) {
                const std::bitset<256> set = ClassMembers(d);
                for (size_t c = 0; c < 256; ++c) cls_.push_back(set.test(c) ? 1 : 0);
            } else {
                KeyedList(d);
            }
            if (cls_.size() > kMaxArea) {
                Error(d.pos, "the class area passes 65535 bytes at '" + d.name + "'");
                return;
            }
        }
    }

    void KeyedList(const Definition &d) {
        const bool longest = d.kind == DefinitionKind::Longest;
        std::vector<const KeyedEntry *> entries;
        for (const KeyedEntry &e : d.entries) entries.push_back(&e);
        if (longest)
            std::stable_sort(entries.begin(), entries.end(),
                             [](const KeyedEntry *a, const KeyedEntry *b) { return KeyLess(a->key, b->key); });
        std::map<std::string, SourcePos> seen;
        for (const KeyedEntry &e : d.entries) {
            auto [it, fresh] = seen.emplace(e.key, e.pos);
            if (!fresh)
                Error(e.pos, "key \"" + e.key + "\" is already in the table at line " + std::to_string(it->second.line));
            const size_t size = 1 + e.key.size() + 1 + (e.value ? e.value->size() + 2 : 0);
            if (longest && size > 255)
                Error(e.pos, "a longest-match entry holds at most 255 bytes with its key, value and length");
        }
        const size_t table = cls_.size();
        cls_.resize(cls_.size() + 64, 0xFF);
        for (int k = 0; k < 32; ++k) {
            bool any = false;
            for (const KeyedEntry *e : entries) {
                // An empty key belongs to every bucket.
                if (!e->key.empty() && BucketOf(uint8_t(e->key[0])) != k) continue;
                if (!any) {
                    cls_[table + 2 * k] = cls_.size() & 0xFF;
                    cls_[table + 2 * k + 1] = (cls_.size() >> 8) & 0xFF;
                    any = true;
                }
                const size_t start = cls_.size();
                cls_.push_back(longest ? 0 : '(');
                cls_.insert(cls_.end(), e->key.begin(), e->key.end());
                cls_.push_back(0);
                if (e->value) {
                    cls_.push_back(')');
                    cls_.insert(cls_.end(), e->value->begin(), e->value->end());
                    cls_.push_back(0);
                }
                if (longest) cls_[start] = static_cast<uint8_t>(cls_.size() - start);
            }
            if (any) cls_.push_back(0);
        }
    }

    // ---- Code area -------------------------------------------------------------

    uint16_t Pc() const { return static_cast<uint16_t>(code_.size()); }
    void B(uint8_t b) { code_.push_back(b); }
    void W(uint16_t w) {
        B(w & 0xFF);
        B(w >> 8);
    }
    void S(const std::string &s) {
        code_.insert(code_.end(), s.begin(), s.end());
        B(0);
    }
    void Patch(size_t at, uint16_t w) {
        code_[at] = w & 0xFF;
        code_[at + 1] = w >> 8;
    }
    void Note(SourcePos pos) { placed_.emplace_back(code_.size(), pos); }

    void EmitStatements(const std::vector<RuleStatement> &list) {
        // A list ends with a rule (its next is "none": the frame is left),
        // a foreach or an end; after a block or a skip, or in an empty list,
        // an end is added.
        for (size_t i = 0; i + 1 < list.size(); ++i) {
            if (list[i].kind == StatementKind::Foreach || list[i].kind == StatementKind::End) {
                Error(list[i + 1].pos, std::string("this statement never runs: the ") +
                                           (list[i].kind == StatementKind::End ? "end" : "foreach") +
                                           " before it leaves the block");
                break;
            }
        }
        const bool addEnd = list.empty() || list.back().kind == StatementKind::Block ||
                            list.back().kind == StatementKind::Once || list.back().kind == StatementKind::Skip;
        for (size_t i = 0; i < list.size(); ++i) EmitStatement(list[i], i + 1 == list.size() && !addEnd);
        if (addEnd) {
            B(STMT_END);
            W(kNoCode);
        }
    }

    void EmitStatement(const RuleStatement &st, bool last) {
        Note(st.pos);
        if (code_.size() <= kMaxArea) out_.statements.emplace_back(Pc(), st.pos);
        switch (st.kind) {
            case StatementKind::Rule: {
                B(STMT_RULE);
                const size_t next = code_.size();
                W(0);
                B(EL_GROUP);
                const size_t actions = code_.size();
                W(0);
                EmitList(st.pattern);
                if (st.hasActions) {
                    Patch(actions, Pc());
                    for (const RuleAction &a : st.actions) EmitAction(a);
                    B(ACT_END);
                } else {
                    Patch(actions, kNoCode);
                }
                Patch(next, last ? kNoCode : Pc());
                break;
            }
            case StatementKind::Block:
            case StatementKind::Once: {
                B(st.kind == StatementKind::Block ? STMT_BLOCK : STMT_BLOCK_ONCE);
                const size_t cont = code_.size();
                W(0);
                EmitStatements(st.body);
                Patch(cont, last ? kNoCode : Pc());
                break;
            }
            case StatementKind::Foreach: {
                B(STMT_FOREACH);
                const size_t nested = code_.size();
                W(0);
                EmitList(st.pattern);
                Patch(nested, Pc());
                EmitStatements(st.body);
                break;
            }
            case StatementKind::End:
                B(STMT_END);
                W(st.word);
                break;
            case StatementKind::Skip:
                B(st.skipCode);
                W(st.word);
                break;
        }
    }

    void EmitList(const std::vector<PatternElement> &list) {
        for (size_t i = 0; i < list.size(); ++i) EmitElement(list[i], i + 1 == list.size());
        B(0);
    }

    // A composite: code, `next`, operands, inline list; `next` is the byte
    // after the list.  A repetition that ends its list has nothing to give
    // back for: its `next` is "none".
    void Composite(uint8_t code, const PatternElement &e, bool last) {
        B(code);
        const size_t next = code_.size();
        W(0);
        if (code == EL_REPEAT || code == EL_REPEAT_LAZY) {
            W(e.min);
            W(e.max);
        }
        EmitList(e.body);
        Patch(next, last && (code == EL_REPEAT || code == EL_REPEAT_LAZY) ? kNoCode : Pc());
    }

    void EmitElement(const PatternElement &e, bool last) {
        switch (e.kind) {
            case ElementKind::Literal:
                B(EL_LITERAL);
                S(e.text);
                return;
            case ElementKind::Range:
                B(EL_RANGE);
                B(e.lo);
                B(e.hi);
                return;
            case ElementKind::Group: return Composite(EL_GROUP, e, last);
            case ElementKind::Alt: return Composite(EL_ALT, e, last);
            case ElementKind::Seek: return Composite(EL_SEEK, e, last);
            case ElementKind::Repeat: return Composite(e.lazy ? EL_REPEAT_LAZY : EL_REPEAT, e, last);
            case ElementKind::Resume: return B(EL_RESUME);
            case ElementKind::FocusStart: return B(EL_FOCUS_START);
            case ElementKind::FocusEnd: return B(EL_FOCUS_END);
            case ElementKind::Rest: return B(EL_REST);
            case ElementKind::AtAnchor: return B(EL_AT_ANCHOR);
            case ElementKind::AtEnd: return B(EL_AT_END);
            case ElementKind::Dict:
                B(EL_DICT);
                W(e.word);
                return;
            case ElementKind::Name: break;
        }
        auto it = defs_.find(e.text);
        if (it == defs_.end()) return;  // reported by CheckPattern
        const Definition &d = *it->second;
        switch (d.kind) {
            case DefinitionKind::Class: B(e.tagged ? EL_CLASS_TAG : EL_CLASS); break;
            case DefinitionKind::Longest: B(e.tagged ? EL_LONGEST_TAG : EL_LONGEST); break;
            case DefinitionKind::First: B(e.tagged ? EL_FIRST_TAG : EL_FIRST); break;
            case DefinitionKind::Sub:
                B(e.tagged ? EL_CALL_CAPTURE : EL_CALL);
                subPatches_.emplace_back(code_.size(), d.name);
                W(0);
                return;
        }
        W(classOffset_.count(d.name) ? classOffset_.at(d.name) : 0);
    }

    // The id an action names: a class or list's class offset, a sub's code
    // offset (patched once the subs are placed).
    void EmitId(const RuleAction &a) {
        if (a.id) return W(*a.id);
        auto it = defs_.find(a.text);
        if (it == defs_.end()) {
            Error(a.pos, "unknown name '" + a.text + "'");
        } else if (!used_.count(a.text)) {
            Error(a.pos, "no pattern matches '" + a.text + "', so there is nothing of it to copy");
        } else if (it->second->kind == DefinitionKind::Sub) {
            subPatches_.emplace_back(code_.size(), a.text);
        } else {
            return W(classOffset_.count(a.text) ? classOffset_.at(a.text) : 0);
        }
        W(0);
    }

    void EmitAction(const RuleAction &a) {
        switch (a.kind) {
            case ActionKind::Text:
                B(ACT_TEXT);
                return S(a.text);
            case ActionKind::Shorthand: {
                auto it = defs_.find(a.text);
                const DefinitionKind k = it == defs_.end() ? DefinitionKind::Class : it->second->kind;
                B(k == DefinitionKind::Sub ? ACT_CAPTURE : k == DefinitionKind::Class ? ACT_TAG_SPAN : ACT_TAG);
                return EmitId(a);
            }
            case ActionKind::Capture: B(ACT_CAPTURE); return EmitId(a);
            case ActionKind::TagSpan: B(ACT_TAG_SPAN); return EmitId(a);
            case ActionKind::Tag: B(ACT_TAG); return EmitId(a);
            case ActionKind::DictSpan: return B(ACT_DICT_SPAN);
            case ActionKind::Dict: return B(ACT_DICT);
            case ActionKind::Result:
                B(ACT_RESULT);
                return B(a.result);
        }
    }

    const RuleSource &src_;
    CompiledRules &out_;
    std::map<std::string, const Definition *> defs_;
    std::set<std::string> used_;
    std::map<const Definition *, std::bitset<256>> sets_;
    std::set<const Definition *> visiting_;
    std::map<std::string, uint16_t> classOffset_, subOffset_;
    std::vector<std::pair<size_t, std::string>> subPatches_;
    std::vector<std::pair<size_t, SourcePos>> placed_;
    std::vector<uint8_t> cls_, code_;
};

}  // namespace

CompiledRules EmitRuleProgram(const RuleSource &source) {
    CompiledRules out;
    Emitter(source, out).Run();
    std::stable_sort(out.errors.begin(), out.errors.end(), [](const RuleError &a, const RuleError &b) {
        return a.pos.line != b.pos.line ? a.pos.line < b.pos.line : a.pos.col < b.pos.col;
    });
    if (!out.errors.empty()) out.bytes.clear();
    return out;
}

CompiledRules CompileRules(const std::string &source) {
    std::vector<RuleError> syntax;
    const RuleSource parsed = ParseRuleSource(source, syntax);
    CompiledRules out = EmitRuleProgram(parsed);
    out.errors.insert(out.errors.end(), syntax.begin(), syntax.end());
    std::stable_sort(out.errors.begin(), out.errors.end(), [](const RuleError &a, const RuleError &b) {
        return a.pos.line != b.pos.line ? a.pos.line < b.pos.line : a.pos.col < b.pos.col;
    });
    if (!out.errors.empty()) out.bytes.clear();
    return out;
}

std::string FormatRuleErrors(const std::string &file, const std::vector<RuleError> &errors) {
    std::string out;
    for (const RuleError &e : errors)
        out += file + ":" + std::to_string(e.pos.line) + ":" + std::to_string(e.pos.col) + ": " + e.message + "\n";
    return out;
}

std::vector<uint8_t> PassMaskTable(const std::vector<uint16_t> &masks) {
    std::vector<uint8_t> out;
    for (uint16_t m : masks) {
        out.push_back(m & 0xFF);
        out.push_back(m >> 8);
    }
    return out;
}

}  // namespace kav::font
