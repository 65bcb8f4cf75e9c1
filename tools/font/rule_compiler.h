// The rule compiler: rule language source (tools/font/RULES.md) to the bytes
// of a RULE resource, and the pass mask table built from the passes' masks.
#pragma once

#include "rule_source.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace kav::font {

// Mask of a pass whose source names none: it always runs.
constexpr uint16_t kMaskAlways = 0xFFE0;

struct CompiledRules {
    std::vector<uint8_t> bytes;  // empty when there are errors
    uint16_t mask = kMaskAlways;
    // Code offset of every statement with the place it was written (for
    // the trace), in code order.
    std::vector<std::pair<uint16_t, SourcePos>> statements;
    std::vector<RuleError> errors;  // in source order

    bool ok() const { return errors.empty(); }
};

CompiledRules CompileRules(const std::string &source);

// Lays out a parsed source (CompileRules = ParseRuleSource + this).
CompiledRules EmitRuleProgram(const RuleSource &source);

// "file:line:col: message" lines, one per error.
std::string FormatRuleErrors(const std::string &file, const std::vector<RuleError> &errors);

// The pass mask table: one u16 per text pass, little-endian, in pass order.
std::vector<uint8_t> PassMaskTable(const std::vector<uint16_t> &masks);

}  // namespace kav::font
