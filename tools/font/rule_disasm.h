// The rule disassembler: the bytes of a RULE resource back to the rule
// language.  It reads programs laid out the way the compiler lays them out;
// its text compiles back to the same bytes, which it checks before it
// answers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kav::font {

struct RuleDisassembly {
    bool ok = false;
    std::string text;   // the program in the rule language
    std::string error;  // why not, naming the byte offset
};

RuleDisassembly DisassembleRules(const uint8_t *bytes, size_t size);

// A quoted string literal of the rule language for any bytes.
std::string QuoteRuleString(const std::string &bytes);

}  // namespace kav::font
