#include "font/kal_group_writer.h"
#include "font/voice_decoding.h"
#include "font_resource_pe.h"
#include "kal_phones.h"
#include "voice_resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace kav::font {
namespace {

using kavtest::Record;
using kavtest::RecordAt;
using kavtest::Resource;
using kavtest::U32;

// pau, aa and t, with voiced aa at 100 Hz and noisy t; t-aa is missing.
KalDatabase SmallDatabase() {
    std::vector<kavtest::SyntheticDiphone> d{
        kavtest::NoiseDiphone("pau-pau", 800, 2, 20), kavtest::PulseDiphone("pau-aa", 1600, 80, 160, 2),
        kavtest::PulseDiphone("aa-aa", 1600, 80, 160, 4), kavtest::PulseDiphone("aa-t", 1600, 80, 160, 5),
        kavtest::NoiseDiphone("t-pau", 1600, 4), kavtest::PulseDiphone("aa-pau", 1600, 80, 160, 5),
        kavtest::NoiseDiphone("pau-t", 1600, 4), kavtest::NoiseDiphone("s_-_t", 800, 2)};
    const auto bytes = kavtest::WriteGroupFile(d);
    return ReadKalGroup(bytes.data(), bytes.size());
}

uint8_t Phone(const char *name) { return *KalPhoneIndex(name); }

// Follows a unit from its DEMI entry; every sample of each frame.
std::vector<std::vector<int16_t>> Unit16(const std::vector<FontResource> &r, uint32_t first, std::vector<Record> *records) {
    const auto &inst = Resource(r, "INST", 400);
    const auto &pcmd = Resource(r, "PCMD", 500);
    std::vector<std::vector<int16_t>> frames;
    for (uint32_t i = first;; ++i) {
        const Record rec = RecordAt(inst, i);
        records->push_back(rec);
        std::vector<int16_t> s(rec.length / 2);
        EXPECT_LE(size_t{rec.offset} + rec.length, pcmd.size());
        std::memcpy(s.data(), pcmd.data() + rec.offset, rec.length);
        frames.push_back(std::move(s));
        if (rec.flags & kFrameUnitEnd) return frames;
    }
}

TEST(VoiceResources, HeaderSymbolsAndMouthShapes) {
    const BuiltVoice v = BuildVoice(SmallDatabase(), FormatOf(VoiceVariant::Kal16));
    const auto &hdr = Resource(v.resources, "SPEECH_HDR", 256);
    const uint32_t n = static_cast<uint32_t>(KalPhones().size());
    EXPECT_EQ(U32(hdr, 0), kVoiceKeepUnvoiced);
    EXPECT_EQ(U32(hdr, 4), n);
    EXPECT_EQ(U32(hdr, 8), 16000u);
    EXPECT_EQ(U32(hdr, 12), 16u);
    EXPECT_EQ(U32(hdr, 16), 160u);  // the pulse period of the vowel
    const std::string symbols(reinterpret_cast<const char *>(hdr.data() + 28));
    EXPECT_EQ(hdr.size(), 28 + symbols.size() + 1);
    EXPECT_EQ(symbols.substr(0, 6), "_\na\n@\n");
    EXPECT_EQ(std::count(symbols.begin(), symbols.end(), '\n'), static_cast<long>(n) - 1);
    EXPECT_EQ(symbols.find_first_of("\\ '\"-|"), std::string::npos);  // no byte the string's syntax uses

    const auto &mouth = Resource(v.resources, "MOUTH_SHAPES", 257);
    ASSERT_EQ(mouth.size(), 3u * n);
    EXPECT_EQ(mouth[0], kVisemeRest);
    EXPECT_EQ(mouth[3 * Phone("uw") + 0], kVisemePucker);
    EXPECT_GT(mouth[3 * Phone("aa") + 1], mouth[3 * Phone("iy") + 1]);  // jaw
    EXPECT_GT(mouth[3 * Phone("uw") + 2], mouth[3 * Phone("iy") + 2]);  // rounding
    const auto *count = FindResource(v.resources, ResourceKey::Id(kRawDataType), ResourceKey::Named("NUMINSTRESOURCES"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(U32(count->bytes, 0), 1u);
    EXPECT_EQ(FindResource(v.resources, ResourceKey::Named("DELTA_TABLE"), ResourceKey::Id(259)), nullptr);

    // Written into a module (read back through the engine by the linker
    // tests), the first clash is named.
    PeWriter writer;
    ASSERT_TRUE(AddFontResources(writer, v.resources, nullptr));
    std::string refused;
    EXPECT_FALSE(AddFontResources(writer, v.resources, &refused));
    EXPECT_EQ(refused, "SPEECH_HDR.256");
}

TEST(VoiceResources, DemiEntriesLeadToTheUnitsOfEachPair) {
    const KalDatabase db = SmallDatabase();
    VoiceUnitOptions o;
    const VoiceUnits units = BuildVoiceUnits(db, o);
    const BuiltVoice v = EncodeVoice(units, FormatOf(VoiceVariant::Kal16));
    const uint32_t n = units.phonemes;
    const auto &demi = Resource(v.resources, "DEMI", 258);
    ASSERT_EQ(demi.size(), 8u * n * n);
    EXPECT_EQ(v.stats.diphones, 7u);  // s_-_t has no phoneme pair
    EXPECT_EQ(v.stats.substitutedPairs, n * n - 7);

    auto check = [&](const char *a, const char *b, bool substituted) {
        const uint32_t pair = Phone(a) * n + Phone(b);
        const PairUnits &p = units.pairs[pair];
        EXPECT_EQ(p.substituted, substituted);
        std::vector<Record> out, in;
        const auto outFrames = Unit16(v.resources, U32(demi, 4 * pair), &out);
        const auto inFrames = Unit16(v.resources, U32(demi, 4 * (n * n + pair)), &in);
        ASSERT_EQ(outFrames.size(), units.units[p.out].frames.size());
        ASSERT_EQ(inFrames.size(), units.units[p.in].frames.size());
        for (size_t i = 0; i < outFrames.size(); ++i) {
            EXPECT_EQ(outFrames[i], units.units[p.out].frames[i].samples);
            EXPECT_EQ((out[i].flags & kFrameVoiced) != 0, units.units[p.out].frames[i].voiced);
            EXPECT_EQ(out[i].nominal, out[i].length);
        }
        for (size_t i = 0; i < inFrames.size(); ++i) EXPECT_EQ(inFrames[i], units.units[p.in].frames[i].samples);
        // Joins between recordings fade; the two halves of one recording do not.
        EXPECT_TRUE(out[0].flags & kFrameFadeJoin);
        EXPECT_EQ((in[0].flags & kFrameFadeJoin) != 0, substituted);
    };
    check("aa", "t", false);
    check("t", "aa", true);
    check("ih", "k", true);

    // The unit data: aa-t's outgoing aa is voiced pulses at a 160-sample period.
    const VoiceUnit &aaOut = units.units[units.pairs[Phone("aa") * n + Phone("t")].out];
    EXPECT_EQ(aaOut.phone, Phone("aa"));
    EXPECT_TRUE(aaOut.outgoing);
    EXPECT_TRUE(aaOut.frames[1].voiced);
    EXPECT_EQ(aaOut.frames[1].samples.size(), 160u);
    EXPECT_EQ(aaOut.frames[1].samples[40], 2 * MuLawToLinear(kavtest::LinearToMuLaw(8000)));  // the pulse, doubled
}

TEST(VoiceResources, EightBitVoiceDecodesCloseToItsSource) {
    const KalDatabase db = SmallDatabase();
    VoiceUnitOptions o;
    o.sampleRate = 11025;
    const VoiceUnits units = BuildVoiceUnits(db, o);
    const BuiltVoice v = EncodeVoice(units, FormatOf(VoiceVariant::Kal8));
    const auto &hdr = Resource(v.resources, "SPEECH_HDR", 256);
    EXPECT_EQ(U32(hdr, 0), kVoiceKeepUnvoiced | kVoiceDeltaCoded);
    EXPECT_EQ(U32(hdr, 8), 11025u);
    EXPECT_EQ(U32(hdr, 12), 8u);
    EXPECT_EQ(U32(hdr, 16), 110u);  // 160 samples at 16 kHz
    const auto &table = Resource(v.resources, "DELTA_TABLE", 259);
    const auto &inst = Resource(v.resources, "INST", 400);
    const auto &pcmd = Resource(v.resources, "PCMD", 500);
    uint32_t record = 0, next = 0;
    for (const VoiceUnit &u : units.units)
        for (const VoiceFrame &f : u.frames) {
            const Record r = RecordAt(inst, record++);
            ASSERT_EQ(r.length, f.samples.size());
            EXPECT_EQ(r.offset, next);  // 1 + length / 2 bytes each, back to back
            next += 1 + r.length / 2;
            ASSERT_LE(next, pcmd.size());
            const auto decoded = kavtest::DecodeDelta8(pcmd.data() + r.offset, r.length, table.data());
            for (size_t i = 0; i < decoded.size(); ++i)
                EXPECT_NEAR(decoded[i], 128 + f.samples[i] / 256.0, 12) << "record " << record - 1 << " sample " << i;
        }
    EXPECT_EQ(next, pcmd.size());
}

TEST(DeltaCoder, EncoderFollowsTheDecodedSignal) {
    const DeltaTable8 table{-64, -40, -25, -15, -8, -4, -2, -1, 0, 1, 2, 4, 8, 15, 25, 40};
    std::vector<uint8_t> wave(4001);
    for (size_t i = 0; i < wave.size(); ++i)  // a slow sine that touches both rails, then a jump
        wave[i] = i < 3000 ? static_cast<uint8_t>(127.5 + 127.5 * std::sin(i * 0.01)) : (i < 3500 ? 255 : 0);
    const auto coded = EncodeDelta8(wave.data(), wave.size(), table);
    ASSERT_EQ(coded.size(), 1 + wave.size() / 2);
    uint8_t t[16];
    std::memcpy(t, table.data(), 16);
    const auto decoded = kavtest::DecodeDelta8(coded.data(), static_cast<uint32_t>(wave.size()), t);
    for (size_t i = 0; i < 3000; ++i) ASSERT_NEAR(decoded[i], wave[i], 2) << i;  // no drift, no wrap at the rails
    EXPECT_EQ(decoded[3499], 255);
    EXPECT_EQ(decoded[4000], 0);
    EXPECT_EQ(EncodeDelta8(wave.data(), 2, table).size(), 2u);
    const DeltaTable8 noZero{-8, -7, -6, -5, -4, -3, -2, -1, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_THROW(EncodeDelta8(wave.data(), 2, noZero), VoiceError);  // could not hold a level
}

TEST(DeltaCoder, TrainedTableIsSortedDistinctWithAZeroStep) {
    std::vector<std::vector<uint8_t>> frames(20, std::vector<uint8_t>(300));
    for (size_t f = 0; f < frames.size(); ++f)
        for (size_t i = 0; i < 300; ++i) frames[f][i] = static_cast<uint8_t>(128 + (f + 5) * std::sin(i * 0.3));
    const DeltaTable8 table = TrainDeltaTable8(frames);
    EXPECT_TRUE(std::is_sorted(table.begin(), table.end()));
    EXPECT_EQ(std::adjacent_find(table.begin(), table.end()), table.end());
    EXPECT_NE(std::find(table.begin(), table.end(), 0), table.end());
    // Fitted to these small steps, it codes them better than the start table.
    auto error = [&](const DeltaTable8 &t) {
        long sum = 0;
        for (const auto &f : frames) {
            const auto coded = EncodeDelta8(f.data(), f.size(), t);
            const auto back = kavtest::DecodeDelta8(coded.data(), static_cast<uint32_t>(f.size()),
                                                    reinterpret_cast<const uint8_t *>(t.data()));
            for (size_t i = 0; i < f.size(); ++i) sum += std::abs(back[i] - f[i]);
        }
        return sum;
    };
    EXPECT_LT(error(table) * 2, error(TrainDeltaTable8(frames, 0)));
}

}  // namespace
}  // namespace kav::font
