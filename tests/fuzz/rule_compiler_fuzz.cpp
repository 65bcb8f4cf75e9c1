// Rule language source is outside input: the compiler must never crash on
// it, and whatever compiles must disassemble and compile back to the same
// bytes.  The same bytes taken as a compiled program must not crash the
// disassembler either.
#include "rule_compiler.h"
#include "rule_disasm.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string source(reinterpret_cast<const char *>(data), size);
    const kav::font::CompiledRules compiled = kav::font::CompileRules(source);
    if (compiled.ok()) {
        const kav::font::RuleDisassembly d = kav::font::DisassembleRules(compiled.bytes.data(), compiled.bytes.size());
        if (!d.ok) __builtin_trap();
        if (kav::font::CompileRules(d.text).bytes != compiled.bytes) __builtin_trap();
    }
    (void)kav::font::DisassembleRules(data, size);
    return 0;
}
