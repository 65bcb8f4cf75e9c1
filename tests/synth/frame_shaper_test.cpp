#include "synth/frame_shaper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using kav::FrameRecord;
using kav::SynthFrame;
using kav::SynthesisFont;

namespace {
SynthesisFont Font(DWORD bits, DWORD rate = 11025, DWORD flags = 0) {
    SynthesisFont f;
    f.hdr.sampleRate = rate;
    f.hdr.bitsPerSample = bits;
    f.sixteenBit = bits == 16;
    f.bytesPerSample = bits / 8;
    f.deltaCoded = (flags & 4) != 0;
    f.naturalDurations = (flags & 8) != 0;
    f.adaptiveTiming = (flags & 16) != 0;
    return f;
}

SynthFrame Voiced(DWORD length, LONG pitch, LONG speed, DWORD flags = kav::kFrameVoiced) {
    return SynthFrame{{flags, length, 0, length}, pitch, speed, 0, 0};
}

std::vector<SHORT> Samples16(const BYTE *b, size_t n) {
    std::vector<SHORT> s(n);
    std::memcpy(s.data(), b, n * 2);
    return s;
}
}  // namespace

TEST(SampleMath, PeriodsDurationsAndBlends) {
    EXPECT_EQ(kav::PeriodBytes(Font(8), 100), 110);
    EXPECT_EQ(kav::PeriodBytes(Font(16), 100), 220);
    EXPECT_EQ(kav::PeriodBytes(Font(16), 2), 4096);
    EXPECT_EQ(kav::PeriodBytes(Font(8), 0), 4096);
    EXPECT_EQ(kav::PeriodBytes(Font(8), -5), 4096);
    EXPECT_EQ(kav::PeriodBytes(Font(16), 20000), 2);  // never below one sample
    EXPECT_EQ(kav::PeriodBytes(Font(8), 11026), 1);

    EXPECT_EQ(kav::ScaleDuration(1000, 50), 1000);
    EXPECT_EQ(kav::ScaleDuration(1000, 178), 0);
    EXPECT_EQ(kav::ScaleDuration(1000, 10), 1312);
    EXPECT_EQ(kav::ScaleDuration(1000, 51), 993);   // arithmetic shift of 7.8
    EXPECT_EQ(kav::ScaleDuration(1000, 300), -953);  // faster than 178: negative

    EXPECT_EQ(kav::BlendSamples(100, -100, 16384), 0);
    EXPECT_EQ(kav::BlendSamples(1234, -567, 0), -568);  // b, rounded away from zero
    EXPECT_EQ(kav::BlendSamples(1234, -567, 32767), 1234);
    EXPECT_EQ(kav::BlendSamples(32767, 32767, 16384), 32766);  // Q15 weights sum to 32767
    EXPECT_EQ(kav::BlendSamples(-32768, -32768, 0), -32768);  // no overflow at the extremes
    EXPECT_EQ(kav::BlendSamples(200, 100, 8192), 125);
}

TEST(FrameDecoder, BothDeltaCodings) {
    BYTE out[16] = {};
    SynthesisFont f8 = Font(8, 11025, 4);
    const BYTE table8[16] = {0, 1, 2, 3, 0xFF, 0x80};
    const BYTE data8[] = {128, 0x21, 0x03, 0x45};
    f8.pcmd = data8;
    f8.pcmdBytes = sizeof data8;
    f8.delta = table8;
    f8.deltaBytes = sizeof table8;
    f8.PrepareDeltaPairs();
    kav::DecodeFrame(f8, FrameRecord{0, 4, 0, 4}, out);
    EXPECT_EQ(std::vector<BYTE>(out, out + 4), (std::vector<BYTE>{128, 129, 131, 134}));
    // Odd length: both nibbles of the last byte; sums wrap modulo 256.
    kav::DecodeFrame(f8, FrameRecord{0, 3, 2, 3}, out);
    EXPECT_EQ(std::vector<BYTE>(out, out + 3), (std::vector<BYTE>{3, 131, 130}));

    SynthesisFont f16 = Font(16, 11025, 4);
    std::vector<BYTE> table16(512, 0);
    auto put = [&](int i, int16_t v) { std::memcpy(&table16[i * 2], &v, 2); };
    put(5, 100);
    put(7, -50);
    put(9, 32767);
    const BYTE data16[] = {0x10, 0x00, 5, 7, 9, 9};
    f16.pcmd = data16;
    f16.pcmdBytes = sizeof data16;
    f16.delta = table16.data();
    f16.deltaBytes = 512;
    kav::DecodeFrame(f16, FrameRecord{0, 6, 0, 6}, out);
    EXPECT_EQ(Samples16(out, 3), (std::vector<SHORT>{16, 116, 66}));
    kav::DecodeFrame(f16, FrameRecord{0, 10, 0, 10}, out);
    EXPECT_EQ(Samples16(out, 5)[4], static_cast<SHORT>(66 + 32767 + 32767));  // modulo 65536

    // Stored data cut short (only a font that failed its check): silence or
    // zero codes, never a read past the resource.
    SynthesisFont plain = Font(8);
    plain.pcmd = data8;
    plain.pcmdBytes = sizeof data8;
    kav::DecodeFrame(plain, FrameRecord{0, 6, 2, 6}, out);
    EXPECT_EQ(std::vector<BYTE>(out, out + 6), (std::vector<BYTE>{0x03, 0x45, 128, 128, 128, 128}));
}

TEST(ChangeLength, CutsCrossFadeAndInsertionsRepeatThePivotSample) {
    BYTE buf[4096];
    // 16-bit, pivot at the end, change -3: rounded to -4 bytes (two
    // samples), one sample cross-faded with weight 0.
    SynthesisFont f16 = Font(16);
    for (int i = 0; i < 100; ++i) {
        const SHORT v = static_cast<SHORT>(i * 100);
        std::memcpy(buf + 2 * i, &v, 2);
    }
    EXPECT_EQ(kav::ChangeLength(f16, buf, FrameRecord{0x80, 200, 0, 200}, -3), 196u);
    EXPECT_EQ(Samples16(buf, 98)[97], 9700);

    // 8-bit cut of 8 bytes at the end of 40: n = 3 samples cross-faded.
    SynthesisFont f8 = Font(8);
    for (int i = 0; i < 40; ++i) buf[i] = static_cast<BYTE>(100 + i);
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 40, 0, 40}, -8), 32u);
    // byte 29 + i fades from itself (weight 0) towards byte 37 + i.
    EXPECT_EQ(buf[29], 129);
    EXPECT_EQ(buf[30], kav::BlendSamples(138, 130, 10922));
    EXPECT_EQ(buf[31], kav::BlendSamples(139, 131, 21844));

    // A cut larger than three fifths of what lies before the pivot moves
    // the pivot into the tail: pivot 10 -> 11, 3 samples faded from byte 0.
    for (int i = 0; i < 40; ++i) buf[i] = static_cast<BYTE>(i);
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 40, 0, 30}, -8), 32u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], kav::BlendSamples(9, 1, 10922));
    EXPECT_EQ(buf[2], kav::BlendSamples(10, 2, 21844));
    EXPECT_EQ(buf[3], 11);
    EXPECT_EQ(buf[31], 39);

    // Intact tail: with nominal 10 the last 10 bytes move with the end.
    for (int i = 0; i < 40; ++i) buf[i] = static_cast<BYTE>(i);
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 40, 0, 10}, 5), 45u);
    EXPECT_EQ(buf[29], 29);
    for (int i = 30; i < 35; ++i) EXPECT_EQ(buf[i], 29);
    for (int i = 35; i < 45; ++i) EXPECT_EQ(buf[i], i - 5);

    // Limits: never beyond 4096 bytes, never cut by more than a sixteenth
    // when the change would leave less than a sixteenth.
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 4000, 0, 4000}, 500), 4096u);
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 320, 0, 320}, -310), 300u);
    EXPECT_EQ(kav::ChangeLength(f16, buf, FrameRecord{0x80, 200, 0, 200}, 7), 206u);
    // In fonts whose fourth word is a duration the cut is always at the end.
    SynthesisFont natural = Font(8, 11025, 8);
    for (int i = 0; i < 40; ++i) buf[i] = static_cast<BYTE>(i);
    EXPECT_EQ(kav::ChangeLength(natural, buf, FrameRecord{0x80, 40, 0, 999}, 2), 42u);
    EXPECT_EQ(buf[39], 39);
    EXPECT_EQ(buf[41], 39);
}

TEST(FramePlanner, RepeatsAndDropsFramesToFollowTheTarget) {
    const SynthesisFont f = Font(8, 10000);  // 200 Hz = 50 bytes, 50 Hz = 200 bytes
    kav::ShaperState st;
    kav::StartShaper(f, &st);
    SynthFrame a = Voiced(100, 200, 50);
    kav::PlanFrame(f, &st, &a);
    EXPECT_EQ(a.period, 50);
    EXPECT_EQ(a.count, 2);
    EXPECT_EQ(st.outputPos, 100);

    kav::StartShaper(f, &st);
    SynthFrame b = Voiced(100, 50, 50), c = b;
    kav::PlanFrame(f, &st, &b);
    EXPECT_EQ(b.count, 1);
    EXPECT_EQ(st.outputPos, 200);
    kav::PlanFrame(f, &st, &c);
    EXPECT_EQ(c.count, 0);  // dropped
    EXPECT_EQ(st.outputPos, 200);
    EXPECT_EQ(st.targetPos, 200);

    // Unit ends and always-fade frames are delivered once, whatever their
    // duration.
    SynthFrame end = Voiced(100, 200, -500, kav::kFrameVoiced | kav::kFrameUnitEnd);
    kav::PlanFrame(f, &st, &end);
    EXPECT_EQ(end.count, 1);

    // Renormalisation keeps the plans as they were.
    kav::ShaperState far = st;
    far.targetPos += 19950;
    far.outputPos += 19950;
    SynthFrame near1 = Voiced(100, 200, 50), far1 = near1;
    kav::PlanFrame(f, &st, &near1);
    kav::PlanFrame(f, &far, &far1);
    EXPECT_EQ(near1.count, far1.count);
    EXPECT_EQ(far.outputPos - st.outputPos, 9950);
}

TEST(FramePlanner, UnvoicedFramesAndPeriodGlides) {
    kav::ShaperState st;
    const SynthesisFont adaptive = Font(8, 10000, 16);
    kav::StartShaper(adaptive, &st);
    SynthFrame u = Voiced(300, 200, 10, 0);
    kav::PlanFrame(adaptive, &st, &u);
    EXPECT_EQ(u.period, 300);  // keeps its length: only the count follows the speed
    EXPECT_EQ(kav::PeriodChange(u, u, u.count), 0);
    const SynthesisFont fixed = Font(8, 10000);
    kav::StartShaper(fixed, &st);
    kav::PlanFrame(fixed, &st, &u);
    EXPECT_EQ(u.period, 50);

    // A voiced frame of 3 repetitions gliding from a period of 80 to 50.
    SynthFrame prev = Voiced(80, 125, 50), cur = Voiced(100, 200, 50);
    prev.period = 80;
    prev.count = 1;
    cur.period = 50;
    cur.count = 3;
    EXPECT_EQ(kav::PeriodChange(cur, prev, 3), -50 + (30 * 2) / 3);
    EXPECT_EQ(kav::PeriodChange(cur, prev, 2), -50 + 30 / 3);
    EXPECT_EQ(kav::PeriodChange(cur, prev, 1), -50);
    prev.count = 0;  // after a dropped frame the single copy meets it half way
    cur.count = 1;
    EXPECT_EQ(kav::PeriodChange(cur, prev, 1), -50 + 15);
}
