// RuleProgram: a read-only view over the bytes of one locked RULE resource.
//
// The format stores no lengths and the font is outside input, so every read
// is checked against the resource's size: a read outside it, a string or
// list without its terminator, throws BadProgram.  The executor turns that
// into a refused pass (-103); the disassembler into an error message.
//
// Positions inside the program are absolute byte offsets into the resource
// (DWORD); kNowhere stands for "no element / no successor".
#pragma once

#include "rules/rule_opcodes.h"

#include "platform/platform.h"

#include <cstring>

namespace kav::rules {

// Thrown by any read that leaves the program.
struct BadProgram {};

constexpr DWORD kNowhere = 0xFFFFFFFFu;

// Open's refusal of a program of another format version.
constexpr LONG kRuleBadVersion = -102;

struct StatementInfo {
    BYTE code;
    WORD operand;
    DWORD body;  // offset of the statement's body (+3)
};

struct ElementInfo {
    BYTE code;
    WORD operand;    // class/code offset, id, `next`, lo|hi<<8 (range): the first operand
    WORD min, max;   // repetitions
    DWORD body;      // inline list of a composite element, the string of EL_LITERAL, else kNowhere
    DWORD successor; // kNowhere when none
};

struct ActionInfo {
    BYTE code;
    WORD operand;  // id, or the result byte of ACT_RESULT
    DWORD text;    // the string of ACT_TEXT, else kNowhere
    DWORD next;    // offset of the next action code
};

// Result of a keyed-list search.
struct KeyMatch {
    int length;         // -1: no match
    const char *value;  // value string, or null
};

class RuleProgram {
public:
    // 0; -102 when the version is not 2; -103 for a missing or short header
    // or an entry of 0xFFFF.
    LONG Open(const void *bytes, DWORD size);

    WORD Entry() const { return entry_; }
    DWORD Size() const { return size_; }
    DWORD ClassBase() const { return classBase_; }
    DWORD CodeBase() const { return codeBase_; }

    // Offset of a code offset, kNowhere for 0xFFFF.
    DWORD Code(WORD codeOffset) const { return codeOffset == kNoCode ? kNowhere : codeBase_ + codeOffset; }

    BYTE Byte(DWORD at) const {
        if (at >= size_) throw BadProgram{};
        return bytes_[at];
    }
    WORD Word(DWORD at) const {
        if (at >= size_ || size_ - at < 2) throw BadProgram{};
        return static_cast<WORD>(bytes_[at] | (bytes_[at + 1] << 8));
    }
    // Offset of the NUL that ends the string at `at`.
    DWORD StringEnd(DWORD at) const {
        if (at >= size_) throw BadProgram{};
        const void *nul = std::memchr(bytes_ + at, 0, size_ - at);
        if (nul == nullptr) throw BadProgram{};
        return static_cast<DWORD>(static_cast<const BYTE *>(nul) - bytes_);
    }
    const char *String(DWORD at) const {
        StringEnd(at);
        return reinterpret_cast<const char *>(bytes_ + at);
    }
    const BYTE *Bytes(DWORD at) const { return bytes_ + at; }  // for spans already checked

    StatementInfo Statement(WORD codeOffset) const {
        const DWORD at = codeBase_ + codeOffset;
        return StatementInfo{Byte(at), Word(at + 1), at + 3};
    }
    ElementInfo Element(DWORD at) const;
    ActionInfo Action(DWORD at) const;

    // Class-table test for the byte c.
    bool ClassMember(WORD classOffset, BYTE c) const {
        DWORD at = classBase_ + classOffset + c;
        if (at >= size_) throw BadProgram{};
        return bytes_[at] != 0;
    }

    // Keyed-list searches.  text points at the cursor; the bytes text[0..
    // readable-1] may be read (beyond them the text counts as NUL); remaining
    // is the number of characters from the cursor to the region end.
    KeyMatch LookupLongest(WORD classOffset, const BYTE *text, int readable, int remaining) const;
    KeyMatch LookupFirst(WORD classOffset, const BYTE *text, int readable, int remaining) const;

private:
    // Offset of the keyed list for the byte c, or kNowhere for an empty bucket.
    DWORD BucketList(WORD classOffset, BYTE c) const;

    const BYTE *bytes_ = nullptr;
    DWORD size_ = 0;
    DWORD classBase_ = 0;
    DWORD codeBase_ = 0;
    WORD entry_ = kNoCode;
};

// The bucket (0..31) of a text byte: taken signed, s + (s >> 5) arithmetic,
// low five bits of the two's complement.
constexpr int BucketOf(BYTE c) {
    const int s = static_cast<signed char>(c);
    return (s + (s >> 5)) & 31;
}

}  // namespace kav::rules
