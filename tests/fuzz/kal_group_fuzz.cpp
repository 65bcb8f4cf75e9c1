// The diphone group file is read by the voice builder from wherever the
// user points it: any bytes must end in a database or a VoiceError.
#include "kal_group.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    try {
        kav::font::ReadKalGroup(data, size);
    } catch (const kav::font::VoiceError &) {
    }
    return 0;
}
