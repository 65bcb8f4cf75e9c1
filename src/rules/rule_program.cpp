// Header check and decoding of elements and actions.
#include "rules/rule_program.h"

namespace kav::rules {

LONG RuleProgram::Open(const void *bytes, DWORD size) {
    bytes_ = static_cast<const BYTE *>(bytes);
    size_ = bytes_ == nullptr ? 0 : size;
    if (size_ < 2) return SE_ERR_NORULES;
    if (bytes_[0] != 2 || bytes_[1] != 0) return kRuleBadVersion;
    if (size_ < kRuleHeaderSize) return SE_ERR_NORULES;
    classBase_ = kRuleHeaderSize + Word(2);
    codeBase_ = classBase_ + Word(4);
    entry_ = Word(8);
    if (entry_ == kNoCode) return SE_ERR_NORULES;
    return 0;
}

ElementInfo RuleProgram::Element(DWORD at) const {
    ElementInfo e{Byte(at), 0, 0, 0, kNowhere, at + 1};
    switch (ElementOperands(e.code)) {
        case RuleOperands::NEXT:
            e.operand = Word(at + 1);
            e.body = at + 3;
            e.successor = Code(e.operand);
            break;
        case RuleOperands::REPEAT:
            e.operand = Word(at + 1);
            e.min = Word(at + 3);
            e.max = Word(at + 5);
            e.body = at + 7;
            e.successor = Code(e.operand);
            break;
        case RuleOperands::STRING:
            e.body = at + 1;
            e.successor = StringEnd(at + 1) + 1;
            break;
        case RuleOperands::RANGE:
        case RuleOperands::WORD:
        case RuleOperands::CODE:
        case RuleOperands::CLASS:
        case RuleOperands::ID:
            e.operand = Word(at + 1);
            e.successor = at + 3;
            break;
        case RuleOperands::NONE:
        case RuleOperands::BYTE:
            break;
    }
    return e;
}

ActionInfo RuleProgram::Action(DWORD at) const {
    ActionInfo a{Byte(at), 0, kNowhere, at + 1};
    switch (a.code) {
        case ACT_RESULT:
            a.operand = Byte(at + 1);
            a.next = at + 2;
            break;
        case ACT_TEXT:
            a.text = at + 1;
            a.next = StringEnd(at + 1) + 1;
            break;
        case ACT_CAPTURE:
        case ACT_TAG_SPAN:
        case ACT_TAG:
            a.operand = Word(at + 1);
            a.next = at + 3;
            break;
        default:  // the end, the dictionary actions and unknown codes have no operands
            break;
    }
    return a;
}

}  // namespace kav::rules
