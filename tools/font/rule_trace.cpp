#include "rule_trace.h"

#include "rule_disasm.h"

#include "api/services.h"
#include "rules/rule_pass.h"

#include <algorithm>

namespace kav::font {
namespace {

struct Recorder {
    const CompiledRules *program;
    std::vector<RuleTraceStep> steps;
};

void Record(void *context, WORD statement, WORD focusStart, WORD focusEnd) {
    auto *r = static_cast<Recorder *>(context);
    SourcePos pos;
    const auto &map = r->program->statements;
    auto it = std::lower_bound(map.begin(), map.end(), statement,
                               [](const std::pair<uint16_t, SourcePos> &e, uint16_t s) { return e.first < s; });
    if (it != map.end() && it->first == statement) pos = it->second;
    r->steps.push_back(RuleTraceStep{statement, pos, focusStart, focusEnd});
}

std::string SourceLine(const std::string &source, int line) {
    size_t start = 0;
    for (int l = 1; l < line && start != std::string::npos; ++l) {
        start = source.find('\n', start);
        if (start != std::string::npos) ++start;
    }
    if (start == std::string::npos || start > source.size()) return {};
    const size_t end = source.find('\n', start);
    std::string s = source.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t first = s.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : s.substr(first);
}

}  // namespace

RuleTrace TraceRulePass(const CompiledRules &program, const std::string &text) {
    RuleTrace trace;
    Recorder recorder{&program, {}};
    SetRuleTraceHook(Record, &recorder);
    char *out = nullptr;
    trace.status = RunRulePassOver(text.c_str(), program.bytes.data(), static_cast<DWORD>(program.bytes.size()), &out);
    SetRuleTraceHook(nullptr, nullptr);
    if (out != nullptr) {
        trace.output = out;
        FreeBlock(out);
    }
    trace.steps = std::move(recorder.steps);
    return trace;
}

std::string FormatRuleTrace(const std::string &file, const std::string &source, const std::string &text,
                            const RuleTrace &trace) {
    std::string out = "input:  " + QuoteRuleString(text) + "\n";
    for (const RuleTraceStep &s : trace.steps) {
        out += file + ":" + std::to_string(s.pos.line) + ":" + std::to_string(s.pos.col) + ": ";
        if (s.focusStart == 0xFFFF || s.focusEnd == 0xFFFF || s.focusEnd < s.focusStart) {
            out += "matched with no focus";
        } else {
            const size_t a = std::min<size_t>(s.focusStart, text.size());
            const size_t b = std::min<size_t>(s.focusEnd, text.size());
            out += "rewrote " + std::to_string(s.focusStart) + ".." + std::to_string(s.focusEnd) + " " +
                   QuoteRuleString(text.substr(a, b - a));
        }
        out += "    " + SourceLine(source, s.pos.line) + "\n";
    }
    if (trace.status == 0) out += "output: " + QuoteRuleString(trace.output) + "\n";
    else out += "the pass failed with status " + std::to_string(trace.status) + "\n";
    return out;
}

}  // namespace kav::font
