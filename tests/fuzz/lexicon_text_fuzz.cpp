// A text lexicon comes from whoever writes a font: any bytes must end in
// entries or counted errors, never in a read outside a line.
#include "dict_compiler.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    for (auto keyCase : {kav::font::KeyCase::Upper, kav::font::KeyCase::Lower, kav::font::KeyCase::None}) {
        kav::font::Diagnostics errors;
        auto entries = kav::font::ParseLexicon(text, "fuzz", keyCase, errors);
        kav::font::SortDictionaryEntries(entries, "fuzz", errors);
    }
    return 0;
}
