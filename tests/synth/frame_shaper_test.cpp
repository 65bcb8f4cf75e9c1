#include "synth/frame_shaper.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using kav::FrameRecord;
using kav::SynthFrame;

namespace {
kav::SynthesisFont Font(DWORD bits, DWORD rate = 11025, DWORD flags = 0) {
    kav::SynthesisFont f;
    f.hdr.sampleRate = rate;
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
    EXPECT_EQ(kav::PeriodBytes(Font(8), -5), 4096);
    EXPECT_EQ(kav::PeriodBytes(Font(16), 20000), 2);  // never below one sample
    EXPECT_EQ(kav::ScaleDuration(1000, 178), 0);
    EXPECT_EQ(kav::ScaleDuration(1000, 10), 1312);
    EXPECT_EQ(kav::ScaleDuration(1000, 51), 993);  // arithmetic shift of -7.8
    EXPECT_EQ(kav::BlendSamples(100, -100, 16384), 0);
    EXPECT_EQ(kav::BlendSamples(1234, -567, 0), -568);         // rounded away from zero
    EXPECT_EQ(kav::BlendSamples(32767, 32767, 16384), 32766);  // Q15 weights sum to 32767
    EXPECT_EQ(kav::BlendSamples(-32768, -32768, 0), -32768);   // no overflow at the extremes
}

TEST(FrameDecoder, BothDeltaCodingsWrapAndStayInsideTheData) {
    BYTE out[16] = {};
    kav::SynthesisFont f8 = Font(8, 11025, 4);
    const BYTE table8[16] = {0, 1, 2, 3, 0xFF, 0x80};
    const BYTE data8[] = {128, 0x21, 0x03, 0x45};
    f8.pcmd = data8, f8.pcmdBytes = sizeof data8, f8.delta = table8, f8.deltaBytes = sizeof table8;
    f8.PrepareDeltaPairs();
    kav::DecodeFrame(f8, FrameRecord{0, 4, 0, 4}, out);  // low nibble first, last high nibble unused
    EXPECT_EQ(std::vector<BYTE>(out, out + 4), (std::vector<BYTE>{128, 129, 131, 134}));
    kav::DecodeFrame(f8, FrameRecord{0, 3, 2, 3}, out);  // 131 + 255 wraps to 130
    EXPECT_EQ(std::vector<BYTE>(out, out + 3), (std::vector<BYTE>{3, 131, 130}));

    kav::SynthesisFont f16 = Font(16, 11025, 4);
    std::vector<BYTE> table16(512, 0);
    const int16_t deltas[][2] = {{5, 100}, {7, -50}, {9, 32767}};
    for (auto [i, d] : deltas) std::memcpy(&table16[i * 2], &d, 2);
    const BYTE data16[] = {0x10, 0x00, 5, 7, 9, 9};
    f16.pcmd = data16, f16.pcmdBytes = sizeof data16, f16.delta = table16.data(), f16.deltaBytes = 512;
    kav::DecodeFrame(f16, FrameRecord{0, 10, 0, 10}, out);
    EXPECT_EQ(Samples16(out, 5), (std::vector<SHORT>{16, 116, 66, SHORT(66 + 32767), SHORT(66 + 32767 + 32767)}));

    kav::SynthesisFont plain = Font(8);  // data cut short: silence beyond, never a read past it
    plain.pcmd = data8, plain.pcmdBytes = sizeof data8;
    kav::DecodeFrame(plain, FrameRecord{0, 6, 2, 6}, out);
    EXPECT_EQ(std::vector<BYTE>(out, out + 6), (std::vector<BYTE>{0x03, 0x45, 128, 128, 128, 128}));
}

TEST(ChangeLength, CutsCrossFadeAndInsertionsRepeatThePivotSample) {
    BYTE buf[4096];
    const kav::SynthesisFont f8 = Font(8), f16 = Font(16);
    for (int i = 0; i < 100; ++i) {
        const SHORT v = static_cast<SHORT>(i * 100);
        std::memcpy(buf + 2 * i, &v, 2);
    }
    // -3 becomes -4 bytes; one sample faded with weight 0 keeps its value.
    EXPECT_EQ(kav::ChangeLength(f16, buf, FrameRecord{0x80, 200, 0, 200}, -3), 196u);
    EXPECT_EQ(Samples16(buf, 98)[97], 9700);

    auto ramp = [&] { for (int i = 0; i < 40; ++i) buf[i] = static_cast<BYTE>(100 + i); };
    ramp();  // a cut of 8 at the end of 40: bytes 29.. fade towards 37..
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 40, 0, 40}, -8), 32u);
    EXPECT_EQ(buf[29], 129);
    EXPECT_EQ(buf[31], kav::BlendSamples(139, 131, 21844));
    ramp();  // a cut above 3/5 of the bytes before the pivot moves it: 10 -> 11
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 40, 0, 30}, -8), 32u);
    EXPECT_EQ(buf[1], kav::BlendSamples(109, 101, 10922));
    EXPECT_EQ(buf[3], 111);
    ramp();  // an insertion before an intact tail of 10
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 40, 0, 10}, 5), 45u);
    EXPECT_EQ(std::vector<BYTE>(buf + 29, buf + 37), (std::vector<BYTE>{129, 129, 129, 129, 129, 129, 130, 131}));
    ramp();  // fourth word a duration: the change is at the end
    EXPECT_EQ(kav::ChangeLength(Font(8, 11025, 8), buf, FrameRecord{0x80, 40, 0, 999}, 2), 42u);
    EXPECT_EQ(buf[41], 139);
    // Never beyond 4096 bytes; a cut that would leave less than a
    // sixteenth removes a sixteenth.
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 4000, 0, 4000}, 500), 4096u);
    EXPECT_EQ(kav::ChangeLength(f8, buf, FrameRecord{0x80, 320, 0, 320}, -310), 300u);
    EXPECT_EQ(kav::ChangeLength(f16, buf, FrameRecord{0x80, 200, 0, 200}, 7), 206u);
}

TEST(FramePlanner, RepeatsDropsAndGlides) {
    const kav::SynthesisFont f = Font(8, 10000);  // 200 Hz = 50 bytes, 50 Hz = 200 bytes
    kav::ShaperState st;
    kav::StartShaper(f, &st);
    SynthFrame a = Voiced(100, 200, 50);
    kav::PlanFrame(f, &st, &a);
    EXPECT_EQ(a.count, 2);  // twice the pitch: two shortened copies
    EXPECT_EQ(st.outputPos, 100);
    kav::StartShaper(f, &st);
    SynthFrame b = Voiced(100, 50, 50), c = b;
    kav::PlanFrame(f, &st, &b);
    kav::PlanFrame(f, &st, &c);
    EXPECT_EQ(b.count, 1);  // half the pitch: one lengthened copy, the next dropped
    EXPECT_EQ(c.count, 0);
    EXPECT_EQ(st.outputPos, 200);
    SynthFrame end = Voiced(100, 200, -500, kav::kFrameVoiced | kav::kFrameUnitEnd);
    kav::PlanFrame(f, &st, &end);
    EXPECT_EQ(end.count, 1);  // unit ends are delivered once

    SynthFrame u = Voiced(300, 200, 10, 0);  // unvoiced: its length, or at most it
    kav::PlanFrame(Font(8, 10000, 16), &st, &u);
    EXPECT_EQ(u.period, 300);
    kav::PlanFrame(f, &st, &u);
    EXPECT_EQ(u.period, 50);

    SynthFrame prev = Voiced(80, 125, 50), cur = Voiced(100, 200, 50);
    prev.period = 80, prev.count = 1, cur.period = 50, cur.count = 3;
    EXPECT_EQ(kav::PeriodChange(cur, prev, 3), -50 + (30 * 2) / 3);  // gliding from 80 to 50
    EXPECT_EQ(kav::PeriodChange(cur, prev, 1), -50);
    prev.count = 0, cur.count = 1;  // after a dropped frame: half way
    EXPECT_EQ(kav::PeriodChange(cur, prev, 1), -50 + 15);
}
