// Trace mode: one pass of a compiled rule program over a text, recording
// which rule matched which span, for the rule author.
#pragma once

#include "rule_compiler.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kav::font {

struct RuleTraceStep {
    uint16_t statement;   // code offset of the rule
    SourcePos pos;        // where the rule is written (0:0 if unknown)
    uint16_t focusStart;  // 0xFFFF: no focus marked
    uint16_t focusEnd;
};

struct RuleTrace {
    long status = 0;     // RunRulePass's status
    std::string output;  // the pass's text when status is 0
    std::vector<RuleTraceStep> steps;
};

RuleTrace TraceRulePass(const CompiledRules &program, const std::string &text);

// One line per step, "file:line:col: rewrote 1..3 "ph": <the rule's line>",
// then the pass's output.
std::string FormatRuleTrace(const std::string &file, const std::string &source, const std::string &text,
                            const RuleTrace &trace);

}  // namespace kav::font
