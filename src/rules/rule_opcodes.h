// Rule program byte codes: the reference card.
//
// Every statement, pattern element and action of a compiled rule program,
// with its code, its operands and what it does.  The enums, the name tables
// and the operand layouts below are generated from these three lists; the
// executor, the rule compiler and the disassembler all read them from here.
//
// Layout of a program (all 16-bit values little-endian, nothing aligned):
//   header  u16 version (2), u16 class area start (after the 10-byte header),
//           u16 code area start (after the class area), u16 unused,
//           u16 entry (code offset of the first statement)
//   class area: class tables (256 bytes), bucket tables (32 x u16 list
//           offsets, 0xFFFF = empty), longest-match and first-match lists
//   code area: statements, element lists (ended by a 0 byte), action lists
//           (ended by a 0 byte)
// "code" offsets count from the code area, "class" offsets from the class
// area; the code offset 0xFFFF means "none".
//
// Operand layouts (RuleOperands):
//   NONE    nothing
//   WORD    u16 not read by the engine
//   CODE    u16 code offset
//   CLASS   u16 class offset
//   ID      u16 mark id
//   NEXT    u16 code offset of the successor; the inline element list follows
//   REPEAT  u16 next, u16 min, u16 max; the inline body list follows
//   STRING  NUL-terminated string
//   RANGE   byte lo, byte hi
//   BYTE    one byte
#pragma once

#include <cstdint>

namespace kav::rules {

// X(name, code, operands, effect)
//
// Statements: code byte, u16 operand, body at +3.
#define KAV_RULE_STATEMENTS(X)                                                                       \
    X(STMT_END, 0x00, WORD, "pop the top frame and resume there; the pass ends on an empty stack")  \
    X(STMT_BLOCK_ONCE, 0x01, CODE, "push a frame resuming at the operand; single attempt on; anchor = region start; go on at +3") \
    X(STMT_BLOCK, 0x02, CODE, "as STMT_BLOCK_ONCE with single attempt off")                        \
    X(STMT_RULE, 0x03, CODE, "rewrite rule: one pattern element at +3, its successor the action list; operand = next statement, 0xFFFF leaves the frame") \
    X(STMT_FOREACH, 0x04, CODE, "element list at +3; each match runs the block at the operand over the match's focus") \
    X(STMT_SKIP, 0x64, WORD, "no effect; go on at +3")                                               \
    X(STMT_SKIP_E, 0x65, WORD, "no effect; go on at +3")

// Pattern elements.  The consuming ones (CLASS .. LONGEST_TAG below, marked
// "consumes") fail with no successor when the cursor is past the region end.
#define KAV_RULE_ELEMENTS(X)                                                                         \
    X(EL_GROUP, 0x05, NEXT, "match the inline list; cursor back on failure; view restored")          \
    X(EL_CLASS, 0x3A, CLASS, "consumes one character of the class table")                           \
    X(EL_CLASS_TAG, 0x3B, CLASS, "as EL_CLASS; records tag (class offset, 1 char)")                  \
    X(EL_ALT, 0x3C, NEXT, "each element of the inline list is an alternative; first match wins")    \
    X(EL_REPEAT, 0x3D, REPEAT, "greedy repetition of the body, min..max, giving back for the rest")  \
    X(EL_CALL, 0x3E, CODE, "match the element list at the operand, as EL_GROUP")                    \
    X(EL_FIRST, 0x3F, CLASS, "consumes the first key of the bucket's first-match list")             \
    X(EL_CALL_CAPTURE, 0x40, CODE, "as EL_CALL; records capture (operand, span)")                   \
    X(EL_FIRST_TAG, 0x41, CLASS, "as EL_FIRST; records tag (operand, span, value)")                  \
    X(EL_LITERAL, 0x42, STRING, "consumes the string, within the region")                           \
    X(EL_RANGE, 0x43, RANGE, "consumes one character lo <= c <= hi")                                 \
    X(EL_RESUME, 0x44, NONE, "resume point = cursor")                                                \
    X(EL_FOCUS_START, 0x45, NONE, "focus start = cursor; view = work copy in rule mode")            \
    X(EL_FOCUS_END, 0x46, NONE, "focus end = cursor; view = input text")                             \
    X(EL_REST, 0x47, NONE, "cursor past the region end; fails inside the focus over a cleared byte") \
    X(EL_SEEK, 0x48, NEXT, "cursor to the first position where the inline list matches")           \
    X(EL_AT_ANCHOR, 0x49, NONE, "cursor at the anchor; a failure outside EL_ALT ends the scan")     \
    X(EL_AT_END, 0x4A, NONE, "cursor past the region end")                                           \
    X(EL_DICT, 0x4B, WORD, "the rest of the region is a dictionary word (or reference); records the dictionary tag") \
    X(EL_REPEAT_LAZY, 0x4C, REPEAT, "lazy repetition: min times, then more only while the rest fails") \
    X(EL_LONGEST, 0x4D, CLASS, "consumes the longest key of the bucket's longest-match list")       \
    X(EL_LONGEST_TAG, 0x4E, CLASS, "as EL_LONGEST; records tag (operand, span, value)")

// Actions: each appends to the replacement inserted at the focus start.
#define KAV_RULE_ACTIONS(X)                                                                          \
    X(ACT_END, 0x00, NONE, "ends the action list")                                                   \
    X(ACT_RESULT, 0x06, BYTE, "run the rest of the list, then the byte is the statement result")    \
    X(ACT_TEXT, 0x50, STRING, "append the string")                                                   \
    X(ACT_CAPTURE, 0x51, ID, "append the newest capture with this id")                              \
    X(ACT_TAG_SPAN, 0x52, ID, "append the text of the newest tag with this id")                     \
    X(ACT_TAG, 0x53, ID, "append the value of the newest tag with this id, else its text")          \
    X(ACT_DICT_SPAN, 0x57, NONE, "as ACT_TAG_SPAN for the dictionary tag")                           \
    X(ACT_DICT, 0x58, NONE, "as ACT_TAG for the dictionary tag")

enum class RuleOperands : uint8_t { NONE, WORD, CODE, CLASS, ID, NEXT, REPEAT, STRING, RANGE, BYTE };

#define KAV_RULE_ENUM(name, code, ops, effect) name = code,
enum RuleStatement : uint8_t { KAV_RULE_STATEMENTS(KAV_RULE_ENUM) };
enum RuleElement : uint8_t { KAV_RULE_ELEMENTS(KAV_RULE_ENUM) };
enum RuleAction : uint8_t { KAV_RULE_ACTIONS(KAV_RULE_ENUM) };
#undef KAV_RULE_ENUM

// Highest element code; codes above it are a program error (assertion).
constexpr uint8_t kLastElementCode = EL_LONGEST_TAG;

// Statement results.
constexpr uint8_t RES_CONTINUE = 'V';
constexpr uint8_t RES_STOP = 'T';

// Mark id of the tag the dictionary element records.
constexpr uint16_t DICT_TAG_ID = 0xFFFE;

constexpr uint16_t kNoCode = 0xFFFF;  // "no statement / no element"
constexpr int MAX_STATEMENT_NESTING = 30;
constexpr uint16_t kRuleVersion = 2;
constexpr int kRuleHeaderSize = 10;

// Bytes of operands that follow the code byte; -1 for a NUL-terminated string.
constexpr int OperandBytes(RuleOperands ops) {
    switch (ops) {
        case RuleOperands::NONE: return 0;
        case RuleOperands::BYTE: return 1;
        case RuleOperands::WORD:
        case RuleOperands::CODE:
        case RuleOperands::CLASS:
        case RuleOperands::ID:
        case RuleOperands::NEXT:
        case RuleOperands::RANGE: return 2;
        case RuleOperands::REPEAT: return 6;
        case RuleOperands::STRING: return -1;
    }
    return 0;
}

// Name and operand layout of a code, or null / NONE for a code not in the list.
#define KAV_RULE_NAME_CASE(name, code, ops, effect) \
    case code: return #name;
#define KAV_RULE_OPS_CASE(name, code, ops, effect) \
    case code: return RuleOperands::ops;
#define KAV_RULE_EFFECT_CASE(name, code, ops, effect) \
    case code: return effect;

constexpr const char *StatementName(uint8_t c) {
    switch (c) { KAV_RULE_STATEMENTS(KAV_RULE_NAME_CASE) default: return nullptr; }
}
constexpr const char *ElementName(uint8_t c) {
    switch (c) { KAV_RULE_ELEMENTS(KAV_RULE_NAME_CASE) default: return nullptr; }
}
constexpr const char *ActionName(uint8_t c) {
    switch (c) { KAV_RULE_ACTIONS(KAV_RULE_NAME_CASE) default: return nullptr; }
}
constexpr RuleOperands StatementOperands(uint8_t c) {
    switch (c) { KAV_RULE_STATEMENTS(KAV_RULE_OPS_CASE) default: return RuleOperands::NONE; }
}
constexpr RuleOperands ElementOperands(uint8_t c) {
    switch (c) { KAV_RULE_ELEMENTS(KAV_RULE_OPS_CASE) default: return RuleOperands::NONE; }
}
constexpr RuleOperands ActionOperands(uint8_t c) {
    switch (c) { KAV_RULE_ACTIONS(KAV_RULE_OPS_CASE) default: return RuleOperands::NONE; }
}
constexpr const char *StatementEffect(uint8_t c) {
    switch (c) { KAV_RULE_STATEMENTS(KAV_RULE_EFFECT_CASE) default: return nullptr; }
}
constexpr const char *ElementEffect(uint8_t c) {
    switch (c) { KAV_RULE_ELEMENTS(KAV_RULE_EFFECT_CASE) default: return nullptr; }
}
constexpr const char *ActionEffect(uint8_t c) {
    switch (c) { KAV_RULE_ACTIONS(KAV_RULE_EFFECT_CASE) default: return nullptr; }
}

#undef KAV_RULE_NAME_CASE
#undef KAV_RULE_OPS_CASE
#undef KAV_RULE_EFFECT_CASE

// The element's successor is its `next` operand rather than the byte after
// its operands.
constexpr bool HasNextOperand(uint8_t c) {
    return ElementOperands(c) == RuleOperands::NEXT || ElementOperands(c) == RuleOperands::REPEAT;
}

}  // namespace kav::rules
