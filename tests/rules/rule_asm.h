// A tiny assembler for rule programs in tests: class area and code area
// are laid out by hand-written calls, composite elements get their `next`
// patched when their body is done.
#pragma once

#include "rules/rule_program.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ruletest {

using Bytes = std::vector<uint8_t>;
using Body = std::function<void()>;
using namespace kav::rules;

struct KeyEntry {
    std::string key;
    std::optional<std::string> value;
};

class Asm {
public:
    // ---- Class area
    uint16_t ClassOf(const std::string &members) {
        const auto at = static_cast<uint16_t>(cls_.size());
        cls_.resize(cls_.size() + 256, 0);
        for (unsigned char c : members) cls_[at + c] = 1;
        return at;
    }
    // Bucket table and longest-match lists (keys sorted here).
    uint16_t Longest(std::vector<KeyEntry> entries) {
        std::sort(entries.begin(), entries.end(), [](const KeyEntry &a, const KeyEntry &b) {
            return std::lexicographical_compare(a.key.begin(), a.key.end(), b.key.begin(), b.key.end(),
                                                [](char x, char y) { return uint8_t(x) < uint8_t(y); });
        });
        return Buckets(entries, [this](const KeyEntry &e) {
            Bytes entry{0};
            entry.insert(entry.end(), e.key.begin(), e.key.end());
            entry.push_back(0);
            if (e.value) {
                entry.push_back(')');
                entry.insert(entry.end(), e.value->begin(), e.value->end());
                entry.push_back(0);
            }
            entry[0] = static_cast<uint8_t>(entry.size());
            cls_.insert(cls_.end(), entry.begin(), entry.end());
        });
    }
    // Bucket table and first-match lists (order kept).
    uint16_t First(const std::vector<KeyEntry> &entries) {
        return Buckets(entries, [this](const KeyEntry &e) {
            cls_.push_back('(');
            cls_.insert(cls_.end(), e.key.begin(), e.key.end());
            cls_.push_back(0);
            if (e.value) {
                cls_.push_back(')');
                cls_.insert(cls_.end(), e.value->begin(), e.value->end());
                cls_.push_back(0);
            }
        });
    }

    // ---- Code area: raw bytes
    uint16_t Pc() const { return static_cast<uint16_t>(code_.size()); }
    Asm &B(uint8_t b) { code_.push_back(b); return *this; }
    Asm &W(uint16_t w) { B(w & 0xFF); return B(w >> 8); }
    Asm &S(const std::string &s) {
        code_.insert(code_.end(), s.begin(), s.end());
        return B(0);
    }
    void Patch(uint16_t at, uint16_t w) {
        code_[at] = w & 0xFF;
        code_[at + 1] = w >> 8;
    }

    // ---- Elements.  Composite ones return the position of their `next`.
    uint16_t Group(const Body &body) { return Composite(EL_GROUP, {}, body); }
    uint16_t Alt(const Body &alternatives) { return Composite(EL_ALT, {}, alternatives); }
    uint16_t Seek(const Body &body) { return Composite(EL_SEEK, {}, body); }
    // `last`: the repetition ends its list, so it has nothing to give back for.
    uint16_t Repeat(uint16_t min, uint16_t max, const Body &body, bool last = false, bool lazy = false) {
        const uint16_t next = Composite(lazy ? EL_REPEAT_LAZY : EL_REPEAT, {min, max}, body);
        if (last) Patch(next, 0xFFFF);
        return next;
    }
    Asm &Lit(const std::string &s) { return B(EL_LITERAL).S(s); }
    Asm &El(uint8_t code, uint16_t operand) { return B(code).W(operand); }  // class, call, list elements
    Asm &Range(uint8_t lo, uint8_t hi) { return B(EL_RANGE).B(lo).B(hi); }
    Asm &Focus() { return B(EL_FOCUS_START); }
    Asm &FocusEnd() { return B(EL_FOCUS_END); }
    Asm &Resume() { return B(EL_RESUME); }
    Asm &Dict() { return B(EL_DICT).W(0); }
    // An element list of its own (for EL_CALL), ended by 0.
    uint16_t List(const Body &body) {
        const uint16_t at = Pc();
        body();
        B(0);
        return at;
    }

    // ---- Statements
    // A rewrite rule: one pattern group, then the actions; its next statement
    // follows it, or none (leave the frame) with leave = true.
    uint16_t Rule(const Body &pattern, const Body &actions, bool leave = false) {
        const uint16_t at = Pc();
        B(STMT_RULE);
        const uint16_t next = Pc();
        W(0);
        const uint16_t groupNext = Group(pattern);
        if (actions) {
            actions();
            B(0);
        } else {
            Patch(groupNext, 0xFFFF);
        }
        Patch(next, leave ? 0xFFFF : Pc());
        return at;
    }
    // A rewrite rule in the usual form: focus around `focus`, resume after it.
    uint16_t Rewrite(const std::string &left, const std::string &focus, const std::string &right,
                     const std::string &replacement) {
        return Rule([&] {
            if (!left.empty()) Lit(left);
            Focus().Lit(focus).FocusEnd().Resume();
            if (!right.empty()) Lit(right);
        }, [&] { B(ACT_TEXT).S(replacement); });
    }
    uint16_t Block(bool once, const Body &body) {
        const uint16_t at = Pc();
        B(once ? STMT_BLOCK_ONCE : STMT_BLOCK);
        const uint16_t cont = Pc();
        W(0);
        body();
        Patch(cont, Pc());
        return at;
    }
    // The nested block follows the pattern list directly.
    uint16_t Foreach(const Body &pattern, const Body &nested) {
        const uint16_t at = Pc();
        B(STMT_FOREACH);
        const uint16_t block = Pc();
        W(0);
        pattern();
        B(0);
        Patch(block, Pc());
        nested();
        return at;
    }
    Asm &End() { return B(STMT_END).W(0); }

    // The program: header, class area, code area.
    Bytes Build(uint16_t entry = 0) const {
        Bytes p{2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        p[4] = cls_.size() & 0xFF;
        p[5] = cls_.size() >> 8;
        p[8] = entry & 0xFF;
        p[9] = entry >> 8;
        p.insert(p.end(), cls_.begin(), cls_.end());
        p.insert(p.end(), code_.begin(), code_.end());
        return p;
    }

private:
    uint16_t Composite(uint8_t code, std::vector<uint16_t> words, const Body &body) {
        B(code);
        const uint16_t next = Pc();
        W(0);
        for (uint16_t w : words) W(w);
        body();
        B(0);
        Patch(next, Pc());
        return next;
    }
    template <typename Emit>
    uint16_t Buckets(const std::vector<KeyEntry> &entries, Emit emit) {
        const auto table = static_cast<uint16_t>(cls_.size());
        cls_.resize(cls_.size() + 64, 0xFF);
        for (int k = 0; k < 32; ++k) {
            bool any = false;
            for (const auto &e : entries) {
                // An empty key matches any text: it goes into every bucket.
                if (!e.key.empty() && kav::rules::BucketOf(uint8_t(e.key[0])) != k) continue;
                if (!any) {
                    cls_[table + 2 * k] = cls_.size() & 0xFF;
                    cls_[table + 2 * k + 1] = cls_.size() >> 8;
                    any = true;
                }
                emit(e);
            }
            if (any) cls_.push_back(0);
        }
        return table;
    }

    Bytes cls_;
    Bytes code_;
};

}  // namespace ruletest
