// The diphone group file is read by the voice builder from wherever the
// user points it: any bytes must end in a voice or a VoiceError, through
// the reader and through the building that trusts what the reader passed.
#include "kal_group.h"
#include "voice_resources.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    try {
        const kav::font::KalDatabase db = kav::font::ReadKalGroup(data, size);
        size_t samples = 0;
        for (const auto &d : db.diphones) samples += d.residual.size();
        if (samples < 200000)  // keep each run short
            kav::font::BuildVoice(db, kav::font::FormatOf(kav::font::VoiceVariant::Kal8));
    } catch (const kav::font::VoiceError &) {
    }
    return 0;
}
