// Speech font files are outside input: the PE reader must refuse or accept
// any bytes without reading outside them, and whatever it accepts must only
// name data inside the file.
#include "platform/posix/pe_image.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using kav::posix::ResourceKey;
    kav::posix::ResourceIndex index;
    if (!kav::posix::ParsePeImage(data, size, index)) return 0;

    volatile uint8_t sink = 0;
    for (const auto &e : index.Entries()) {
        if (uint64_t{e.offset} + e.size > size) abort();
        if (e.size > 0) sink = sink + data[e.offset] + data[e.offset + e.size - 1];
        if (index.Find(e.type, e.name) != &e || !index.Owns(&e)) abort();
    }
    ResourceKey type, name;
    for (auto [n, t] : {std::pair<LPCSTR, LPCSTR>{"NUMRULEPASSES", RT_RCDATA},
                        {MAKEINTRESOURCEA(300), "rule"}, {MAKEINTRESOURCEA(256), "SPEECH_HDR"}}) {
        if (kav::posix::KeyFromArgument(t, type) && kav::posix::KeyFromArgument(n, name))
            index.Find(type, name);
    }
    return 0;
}
