#include "voice_units.h"

#include "diphone_signal.h"
#include "kal_phones.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace kav::font {
namespace {

// Rounds to 16 bits, counting what had to be clipped.
int16_t ToSample(float x, uint64_t *clipped) {
    const long v = std::lround(x);
    if (v > 32767 || v < -32768) {
        ++*clipped;
        return v > 0 ? 32767 : -32768;
    }
    return static_cast<int16_t>(v);
}

bool IsVowelClass(PhoneClass c) {
    return c == PhoneClass::Vowel || c == PhoneClass::Diphthong || c == PhoneClass::Schwa;
}

VoiceUnit MakeUnit(const HalfUnit &half, uint32_t diphone, bool outgoing, const std::vector<float> &speech,
                   const Resampler *resampler, uint64_t *clipped) {
    VoiceUnit unit{half.phone, diphone, outgoing, {}};
    const int64_t length = static_cast<int64_t>(speech.size());
    for (const CutFrame &f : half.frames) {
        int64_t b = f.begin, e = f.end;
        if (resampler != nullptr) {
            b = std::min(resampler->MapPosition(b), length);
            e = std::min(resampler->MapPosition(e), length);
        }
        if (e <= b) continue;  // a sliver that vanished in the rate change
        VoiceFrame frame{f.voiced, f.burst, {}};
        frame.samples.reserve(static_cast<size_t>(e - b));
        for (int64_t i = b; i < e; ++i) frame.samples.push_back(ToSample(speech[i], clipped));
        unit.frames.push_back(std::move(frame));
    }
    return unit;
}

}  // namespace

std::vector<PairUnits> ChoosePairUnits(uint32_t n, const std::vector<uint32_t> &recorded) {
    struct Pair {
        uint8_t p, c;
        uint32_t k;
    };
    std::vector<Pair> have;
    for (uint32_t i = 0; i < n * n; ++i)
        if (recorded[i] != kNoDiphone) have.push_back({static_cast<uint8_t>(i / n), static_cast<uint8_t>(i % n), recorded[i]});
    if (have.empty()) return {};
    // The phone a half keeps weighs far more than the one it meets.
    constexpr int kKept = 100;
    std::vector<PairUnits> pairs(n * n);
    for (uint32_t p = 0; p < n; ++p) {
        for (uint32_t c = 0; c < n; ++c) {
            const uint32_t k = recorded[p * n + c];
            if (k != kNoDiphone) {
                pairs[p * n + c] = {2 * k, 2 * k + 1, false};
                continue;
            }
            int bestOut = std::numeric_limits<int>::max(), bestIn = bestOut;
            PairUnits &u = pairs[p * n + c];
            for (const Pair &h : have) {
                const int dp = PhoneDistance(static_cast<uint8_t>(p), h.p), dc = PhoneDistance(static_cast<uint8_t>(c), h.c);
                if (kKept * dp + dc < bestOut) {
                    bestOut = kKept * dp + dc;
                    u.out = 2 * h.k;
                }
                if (dp + kKept * dc < bestIn) {
                    bestIn = dp + kKept * dc;
                    u.in = 2 * h.k + 1;
                }
            }
            u.substituted = true;
        }
    }
    return pairs;
}

VoiceUnits BuildVoiceUnits(const KalDatabase &db, const VoiceUnitOptions &options) {
    const uint32_t n = static_cast<uint32_t>(KalPhones().size());
    VoiceUnits voice;
    voice.sampleRate = options.sampleRate;
    voice.phonemes = n;
    voice.recorded.assign(n * n, kNoDiphone);

    std::optional<Resampler> resampler;
    if (db.sampleRate != options.sampleRate) resampler.emplace(db.sampleRate, options.sampleRate);
    CutOptions cutOptions;
    cutOptions.sampleRate = db.sampleRate;
    cutOptions.trim = options.trim;

    std::vector<double> vowelPeriods;
    uint32_t used = 0;
    for (uint32_t i = 0; i < db.diphones.size(); ++i) {
        const KalDiphone &d = db.diphones[i];
        const auto left = KalPhoneIndex(d.left), right = KalPhoneIndex(d.right);
        // Cluster variants (s_-_t and the like) have no phoneme of their own.
        if (!left || !right || voice.recorded[*left * n + *right] != kNoDiphone) continue;
        voice.recorded[*left * n + *right] = used++;

        std::vector<float> speech = RebuildSpeech(d, db.lpcOrder, db.sampleRate, options.warmUp);
        for (float &x : speech) x *= static_cast<float>(options.gain);
        const DiphoneCut cut = CutDiphone(speech, d, *left, *right, cutOptions);
        if (resampler) speech = resampler->Run(speech);
        const Resampler *r = resampler ? &*resampler : nullptr;
        for (const HalfUnit *half : {&cut.out, &cut.in}) {
            VoiceUnit unit = MakeUnit(*half, i, half == &cut.out, speech, r, &voice.clippedSamples);
            if (unit.frames.empty()) throw VoiceError(d.name + ": a half-unit has no samples");
            if (IsVowelClass(KalPhones()[unit.phone].cls))
                for (const VoiceFrame &f : unit.frames)
                    if (f.voiced) vowelPeriods.push_back(static_cast<double>(f.samples.size()));
            voice.units.push_back(std::move(unit));
        }
    }
    if (used == 0) throw VoiceError("the database has no diphone of two known phones");
    voice.pairs = ChoosePairUnits(n, voice.recorded);
    if (!vowelPeriods.empty()) {
        auto mid = vowelPeriods.begin() + static_cast<std::ptrdiff_t>(vowelPeriods.size() / 2);
        std::nth_element(vowelPeriods.begin(), mid, vowelPeriods.end());
        voice.medianPeriod = *mid;
    }
    return voice;
}

}  // namespace kav::font
