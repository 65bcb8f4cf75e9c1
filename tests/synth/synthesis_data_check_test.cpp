#include "synth/synthesis_font.h"
#include "synth_fixture.h"

#include <gtest/gtest.h>

#include <functional>

using kav::testing::SyntheticVoice;
using kav::testing::VoiceScb;

namespace {
LONG Check(const SyntheticVoice &v, const std::function<void(SCB &)> &edit = nullptr) {
    VoiceScb font(v);
    if (edit) edit(font.scb);
    return kav::CheckSynthesisData(&font.scb);
}

SyntheticVoice Good(DWORD bits = 8, DWORD flags = 0) {
    SyntheticVoice v;
    v.bits = bits;
    v.flags = flags;
    v.Fill(2);
    return v;
}

void SetWord(std::vector<BYTE> &bytes, size_t at, DWORD w) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<BYTE>(w >> (8 * i));
}
}  // namespace

TEST(SynthesisDataCheck, AcceptsWellFormedVoices) {
    for (DWORD bits : {8u, 16u}) {
        for (DWORD flags : {0u, 4u, 8u, 16u, 28u}) EXPECT_EQ(Check(Good(bits, flags)), 0) << bits << "/" << flags;
    }
    SyntheticVoice noMouth = Good();
    noMouth.mouth.clear();
    EXPECT_EQ(Check(noMouth), 0);
}

TEST(SynthesisDataCheck, RefusesTablesThatPointOutside) {
    SyntheticVoice v = Good();
    v.demi.pop_back();  // too short for N x N x 2 entries
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);

    v = Good();
    v.demi[3] = static_cast<uint32_t>(v.inst.size() / 16);  // an index past the frame table
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v.demi[3] = 0x10000;
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);

    v = Good();
    const size_t last = v.inst.size() - 16;
    SetWord(v.inst, last, 0x80);  // the last unit never ends
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);

    v = Good();
    SetWord(v.inst, 8, static_cast<DWORD>(v.pcmd.size()) - 50);  // samples run past PCMD
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good();
    SetWord(v.inst, 8, 0xFFFFFFF0u);  // offset + length wraps
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good();
    SetWord(v.inst, 4, 4097);
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good();
    SetWord(v.inst, 4, 0);
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good();
    SetWord(v.inst, 12, 101);  // an intact tail longer than the frame
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
}

TEST(SynthesisDataCheck, SixteenBitAndDeltaCodedFrames) {
    SyntheticVoice v = Good(16);
    SetWord(v.inst, 4, 199);  // odd length
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);

    // Delta-coded 8-bit frames of 100 samples take 51 bytes: the last frame
    // may end exactly at the end of PCMD, not one byte later.
    v = Good(8, 4);
    const size_t last = v.inst.size() - 16;
    SetWord(v.inst, last + 8, static_cast<DWORD>(v.pcmd.size()) - 51);
    EXPECT_EQ(Check(v), 0);
    SetWord(v.inst, last + 8, static_cast<DWORD>(v.pcmd.size()) - 50);
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good(16, 4);  // 100 samples: 2 + 99 bytes
    SetWord(v.inst, last + 8, static_cast<DWORD>(v.pcmd.size()) - 101);
    EXPECT_EQ(Check(v), 0);
    SetWord(v.inst, last + 8, static_cast<DWORD>(v.pcmd.size()) - 100);
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);

    v = Good(16, 4);
    v.delta.resize(511);
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good(8, 4);
    v.delta.resize(15);
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    EXPECT_EQ(Check(Good(8, 4), [](SCB &s) { s.hDeltaTable = nullptr; }), SE_ERR_FONTLOAD);
}

TEST(SynthesisDataCheck, RefusesBadHeadersAndShortMouthShapes) {
    SyntheticVoice v = Good();
    v.mouth.resize(3 * 3 - 1);
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good();
    v.bits = 12;
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good();
    v.basePeriod = 0;
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    v = Good();
    v.rate = 0;
    EXPECT_EQ(Check(v), SE_ERR_FONTLOAD);
    EXPECT_EQ(Check(Good(), [](SCB &s) { s.nInst = 0; }), SE_ERR_FONTLOAD);
    EXPECT_EQ(Check(Good(), [](SCB &s) { s.hDEMI = nullptr; }), SE_ERR_FONTLOAD);
    EXPECT_EQ(Check(Good(), [](SCB &s) { s.hSPEECH_HDR = nullptr, s.lpSpeechHdr = nullptr; }), SE_ERR_FONTLOAD);
    EXPECT_EQ(kav::CheckSynthesisData(nullptr), SE_ERR_FONTLOAD);
}
