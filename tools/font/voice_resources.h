// A voice's resources in the engine's formats: the voice header
// (SPEECH_HDR 256), mouth shapes (MOUTH_SHAPES 257), the unit tables
// (DEMI 258), the delta table (DELTA_TABLE 259, delta-coded fonts only), the
// frame records (INST 400), the sample data (PCMD 500) and the counts of the
// last two families (raw data "NUMINSTRESOURCES", "NUMPCMRESOURCES").
#pragma once

#include "delta_coder.h"
#include "font_resource.h"
#include "kal_group.h"
#include "voice_units.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kav::font {

// Voice header flag values.
constexpr uint32_t kVoiceDeltaCoded = 4;      // samples are delta-coded, DELTA_TABLE present
constexpr uint32_t kVoiceNaturalLength = 8;   // INST word 3 is the natural duration
constexpr uint32_t kVoiceKeepUnvoiced = 16;   // durations from natural length, unvoiced frames keep theirs, adaptive fades

// FrameRecord flag values.
constexpr uint32_t kFrameVoiced = 1u << 7;    // one pitch period: its length follows the pitch
constexpr uint32_t kFrameUnitEnd = 1u << 8;   // last frame of its unit
constexpr uint32_t kFrameFadeJoin = 1u << 13; // fade into it always; delivered exactly once

constexpr uint32_t kMaxFrameBytes = 4096;
constexpr uint32_t kNoUnit = 0xFFFF;          // DEMI entry of a pair without a unit

enum class VoiceVariant { Kal16, Kal8 };

struct VoiceFormat {
    std::string name;            // "KAL16"
    uint32_t sampleRate = 16000;
    uint32_t bitsPerSample = 16;
    bool deltaCoded = false;     // 8-bit only
    uint32_t headerFlags = kVoiceKeepUnvoiced;  // timing bits; the delta bit follows deltaCoded
};

VoiceFormat FormatOf(VoiceVariant variant);

struct VoiceStats {
    uint32_t phonemes = 0;
    uint32_t diphones = 0;          // recorded pairs used
    uint32_t substitutedPairs = 0;
    uint32_t frameRecords = 0;      // INST entries, copies included
    uint32_t storedFrames = 0;      // frames with their own data
    uint32_t voicedFrames = 0;
    uint64_t pcmdBytes = 0;
    uint64_t decodedBytes = 0;      // the same frames after decoding
    uint32_t basePeriod = 0;
    uint64_t clippedSamples = 0;
    DeltaTable8 deltaTable{};
};

struct BuiltVoice {
    std::vector<FontResource> resources;
    VoiceStats stats;
};

// The symbol text of the voice header: one line per phoneme.
std::string PhonemeSymbolText();

BuiltVoice EncodeVoice(const VoiceUnits &units, const VoiceFormat &format);

// The whole way from a database to resources.
BuiltVoice BuildVoice(const KalDatabase &db, const VoiceFormat &format);

// The resource of that type and name in a list, or null.
const FontResource *FindResource(const std::vector<FontResource> &list, const ResourceKey &type,
                                 const ResourceKey &name);

}  // namespace kav::font
