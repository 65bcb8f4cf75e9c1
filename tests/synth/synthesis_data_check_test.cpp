#include "synth/synthesis_font.h"
#include "synth_fixture.h"

#include <gtest/gtest.h>

#include <functional>

using kav::testing::SyntheticVoice;

namespace {
SyntheticVoice Good(DWORD bits = 8, DWORD flags = 0) {
    SyntheticVoice v;
    v.bits = bits;
    v.flags = flags;
    v.Fill(2);
    return v;
}

LONG Check(const SyntheticVoice &v, const std::function<void(SCB &)> &edit = nullptr) {
    kav::testing::VoiceScb font(v);
    if (edit) edit(font.scb);
    return kav::CheckSynthesisData(&font.scb);
}

// A voice with one word of one frame record changed.
SyntheticVoice WithFrameWord(SyntheticVoice v, size_t frame, int word, DWORD value) {
    for (int b = 0; b < 4; ++b) v.inst[frame * 16 + word * 4 + b] = static_cast<BYTE>(value >> (8 * b));
    return v;
}
}  // namespace

TEST(SynthesisDataCheck, AcceptsWellFormedVoicesWithOrWithoutMouthShapes) {
    for (DWORD bits : {8u, 16u}) {
        for (DWORD flags : {0u, 4u, 28u}) EXPECT_EQ(Check(Good(bits, flags)), 0) << bits << "/" << flags;
    }
    SyntheticVoice v = Good();
    v.mouth.clear();
    EXPECT_EQ(Check(v), 0);
}

TEST(SynthesisDataCheck, RefusesWhatWouldReadOutsideATable) {
    const SyntheticVoice g8 = Good(), g16 = Good(16), d8 = Good(8, 4), d16 = Good(16, 4);
    const size_t last = g8.inst.size() / 16 - 1;
    const DWORD pcmd = static_cast<DWORD>(d8.pcmd.size()), pcmd16 = static_cast<DWORD>(d16.pcmd.size());
    std::vector<std::pair<const char *, SyntheticVoice>> bad;
    auto edit = [&](const char *what, SyntheticVoice v, auto f) { f(v), bad.emplace_back(what, v); };
    edit("DEMI short", g8, [](auto &v) { v.demi.pop_back(); });
    edit("unit past INST", g8, [](auto &v) { v.demi[3] = static_cast<uint32_t>(v.inst.size() / 16); });
    edit("unit 0x10000", g8, [](auto &v) { v.demi[3] = 0x10000; });
    edit("mouth shapes short", g8, [](auto &v) { v.mouth.resize(8); });
    edit("delta16 short", d16, [](auto &v) { v.delta.resize(511); });
    edit("delta8 short", d8, [](auto &v) { v.delta.resize(15); });
    edit("bits", g8, [](auto &v) { v.bits = 12; });
    edit("base period", g8, [](auto &v) { v.basePeriod = 0; });
    edit("rate", g8, [](auto &v) { v.rate = 0; });
    bad.emplace_back("unit never ends", WithFrameWord(g8, last, 0, 0x80));
    bad.emplace_back("length 4097", WithFrameWord(g8, 0, 1, 4097));
    bad.emplace_back("length 0", WithFrameWord(g8, 0, 1, 0));
    bad.emplace_back("odd 16-bit length", WithFrameWord(g16, 0, 1, 199));
    bad.emplace_back("tail beyond frame", WithFrameWord(g8, 0, 3, 101));
    bad.emplace_back("offset wraps", WithFrameWord(g8, 0, 2, 0xFFFFFFF0u));
    // Stored sizes: 8-bit delta 1 + 100/2 = 51 bytes, 16-bit delta 2 + 99.
    bad.emplace_back("delta8 one byte over", WithFrameWord(d8, last, 2, pcmd - 50));
    bad.emplace_back("delta16 one byte over", WithFrameWord(d16, last, 2, pcmd16 - 100));
    for (const auto &[what, v] : bad) EXPECT_EQ(Check(v), SE_ERR_FONTLOAD) << what;
    EXPECT_EQ(Check(WithFrameWord(d8, last, 2, pcmd - 51)), 0);
    EXPECT_EQ(Check(WithFrameWord(d16, last, 2, pcmd16 - 101)), 0);

    EXPECT_EQ(Check(d8, [](SCB &s) { s.hDeltaTable = nullptr; }), SE_ERR_FONTLOAD);
    EXPECT_EQ(Check(g8, [](SCB &s) { s.nInst = 0; }), SE_ERR_FONTLOAD);
    EXPECT_EQ(Check(g8, [](SCB &s) { s.hDEMI = nullptr; }), SE_ERR_FONTLOAD);
    EXPECT_EQ(Check(g8, [](SCB &s) { s.hSPEECH_HDR = nullptr, s.lpSpeechHdr = nullptr; }), SE_ERR_FONTLOAD);
    EXPECT_EQ(kav::CheckSynthesisData(nullptr), SE_ERR_FONTLOAD);
}
