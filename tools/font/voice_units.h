// The units of a voice: every diphone of the database rebuilt, cut into its
// two half-phoneme units and framed, at the font's sample rate and in 16-bit
// samples, plus for every ordered pair of phonemes the units that speak it
// (the pair's own, or the closest stand-ins when the database lacks it).
#pragma once

#include "kal_group.h"
#include "unit_cutter.h"

#include <cstdint>
#include <vector>

namespace kav::font {

struct VoiceFrame {
    bool voiced = false;
    bool burst = false;
    std::vector<int16_t> samples;
};

struct VoiceUnit {
    uint8_t phone = 0;     // the phone the unit speaks
    uint32_t diphone = 0;  // index of the source diphone in the database
    bool outgoing = false;
    std::vector<VoiceFrame> frames;
};

// The units that speak the pair (p, c): the outgoing unit of p towards c
// and the incoming unit of c from p, as indices into VoiceUnits::units.
struct PairUnits {
    uint32_t out = 0, in = 0;
    bool substituted = false;  // the two units come from different recordings
};

struct VoiceUnitOptions {
    uint32_t sampleRate = 16000;  // of the font; the database is resampled to it
    double gain = 2.0;            // on the rebuilt speech, before rounding to 16 bits
    bool warmUp = true;           // see RebuildSpeech
    bool trim = true;
};

struct VoiceUnits {
    uint32_t sampleRate = 0;
    uint32_t phonemes = 0;                 // N: the pair table is N by N
    std::vector<VoiceUnit> units;          // per used diphone: outgoing, then incoming
    std::vector<PairUnits> pairs;          // N * N, row = first phoneme
    std::vector<uint32_t> recorded;        // N * N: see ChoosePairUnits
    double medianPeriod = 0.0;             // of voiced vowel frames, in samples at sampleRate
    uint64_t clippedSamples = 0;           // rounded to the 16-bit limit
};

VoiceUnits BuildVoiceUnits(const KalDatabase &db, const VoiceUnitOptions &options);

constexpr uint32_t kNoDiphone = 0xFFFFFFFF;

// Chooses the units of every pair from the recorded diphones: recorded[p*N+c]
// is the number k of the diphone p-c among the used ones (its outgoing unit
// is unit 2k, its incoming unit 2k + 1) or kNoDiphone.  A missing pair takes
// its outgoing half from the recorded pair that keeps the first phone and
// whose second phone is nearest, and its incoming half from the one that
// keeps the second phone and whose first is nearest; a phone the database
// never has on that side is stood in for by the nearest one that it has.
// Empty when nothing is recorded.
std::vector<PairUnits> ChoosePairUnits(uint32_t phonemes, const std::vector<uint32_t> &recorded);

}  // namespace kav::font
