// kavfont rules: compile, disassemble and trace rule programs, and build the
// pass mask table from the passes' sources.
#include "commands.h"
#include "rule_compiler.h"
#include "rule_disasm.h"
#include "rule_trace.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <vector>

namespace kav::font {
namespace {

constexpr const char *kRulesUsage =
    "Usage: kavfont rules compile SRC -o OUT     compile a rule program\n"
    "       kavfont rules disasm FILE [-o OUT]   print a compiled program as source\n"
    "       kavfont rules trace SRC TEXT         run SRC over TEXT, showing each rewrite\n"
    "       kavfont rules masks -o OUT SRC...    pass mask table (RULE 354) of the passes, in order\n"
    "\n"
    "The rule language is described in tools/font/RULES.md.  Errors are\n"
    "reported as FILE:LINE:COL: message, all of them in one run.\n"
    "\n"
    "  -o OUT       the file to write\n"
    "  -h, --help   show this help\n";

bool ReadFile(const std::string &path, std::string &out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return static_cast<bool>(in) || in.eof();
}

bool WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Compiles one source file, printing its errors; false when it has any.
bool CompileFile(const std::string &path, std::string &source, CompiledRules &out, int &status) {
    if (!ReadFile(path, source)) {
        status = Fail("cannot read " + path);
        return false;
    }
    out = CompileRules(source);
    if (out.ok()) return true;
    std::fputs(FormatRuleErrors(path, out.errors).c_str(), stderr);
    status = Fail(std::to_string(out.errors.size()) + (out.errors.size() == 1 ? " error" : " errors") + " in " + path);
    return false;
}

std::string AsString(const std::vector<uint8_t> &bytes) { return std::string(bytes.begin(), bytes.end()); }

}  // namespace

int RunRulesCommand(int argc, char **argv) {
    std::vector<std::string> args;
    std::string output;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kRulesUsage, stdout);
            return kExitOk;
        }
        if (arg == "-o") {
            if (i + 1 >= argc) return UsageError("rules", "-o needs a file name");
            output = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("rules", "unknown option '" + arg + "'");
        } else {
            args.push_back(arg);
        }
    }
    if (args.empty()) return UsageError("rules", "a subcommand is required: compile, disasm, trace or masks");
    const std::string sub = args[0];
    args.erase(args.begin());
    int status = kExitOk;
    std::string source;
    CompiledRules program;

    if (sub == "compile") {
        if (args.size() != 1 || output.empty()) return UsageError("rules", "compile takes SRC and -o OUT");
        if (!CompileFile(args[0], source, program, status)) return status;
        if (!WriteFile(output, AsString(program.bytes))) return Fail("cannot write " + output);
        return kExitOk;
    }
    if (sub == "disasm") {
        if (args.size() != 1) return UsageError("rules", "disasm takes one compiled program");
        std::string bytes;
        if (!ReadFile(args[0], bytes)) return Fail("cannot read " + args[0]);
        const RuleDisassembly d = DisassembleRules(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
        if (!d.ok) return Fail(args[0] + ": " + d.error);
        if (output.empty()) std::fputs(d.text.c_str(), stdout);
        else if (!WriteFile(output, d.text)) return Fail("cannot write " + output);
        return kExitOk;
    }
    if (sub == "trace") {
        if (args.size() != 2) return UsageError("rules", "trace takes SRC and TEXT");
        if (!CompileFile(args[0], source, program, status)) return status;
        const RuleTrace trace = TraceRulePass(program, args[1]);
        std::fputs(FormatRuleTrace(args[0], source, args[1], trace).c_str(), stdout);
        return trace.status == 0 ? kExitOk : kExitFailure;
    }
    if (sub == "masks") {
        if (args.empty() || output.empty()) return UsageError("rules", "masks takes -o OUT and the pass sources");
        std::vector<uint16_t> masks;
        int failed = 0;
        for (const std::string &path : args) {
            if (CompileFile(path, source, program, status)) masks.push_back(program.mask);
            else ++failed;
        }
        if (failed) return kExitFailure;
        if (!WriteFile(output, AsString(PassMaskTable(masks)))) return Fail("cannot write " + output);
        return kExitOk;
    }
    return UsageError("rules", "unknown subcommand '" + sub + "'");
}

}  // namespace kav::font
