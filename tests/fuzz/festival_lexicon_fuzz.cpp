// The festival files the kernel lexicon recipe reads (CMU lexicon, poslex,
// tag model) are taken from wherever the user points: the same bytes are
// fed to each reader, which must parse, skip or refuse them.
#include "kernel_lexicon.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    size_t odd = 0;
    const auto poslex = kav::font::ParsePoslex(bytes, odd);
    std::vector<double> probabilities;
    try {
        probabilities = kav::font::WordProbabilities(poslex, kav::font::ReadTagCounts(bytes));
    } catch (const kav::font::LexiconError &) {
        probabilities = kav::font::WordProbabilities(poslex, {{"nn", 1.0}});
    }
    kav::font::KernelLexiconStats stats;
    kav::font::BuildKernelLexicon(bytes, poslex, probabilities, 100, stats);
    return 0;
}
