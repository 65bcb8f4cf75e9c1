#include "api/engine_test.h"

#include <array>

namespace kav::apitest {
namespace {

using testfonts::TestFont;

class SpeechParameters : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        reg_.AddFont("KAVTEST", TestFont::Minimal());
        reg_.Apply();
        scb_ = Open("KAVTEST");
        ASSERT_EQ(SpeechStatus(scb_), 0);
    }
    void TearDown() override {
        CloseSpeech(scb_);
        EngineTest::TearDown();
    }
    LONG Get(WORD id) {
        LONG value = 0x5A5A5A5A;
        EXPECT_EQ(GetSpeechParameter(scb_, id, &value), 0) << id;
        return value;
    }
    LPSCB scb_ = nullptr;
};

// The range checks sit exactly on the documented ends; a refused value
// leaves the previous one.
TEST_F(SpeechParameters, VoiceLevelsAreCheckedAtTheirEnds) {
    EXPECT_EQ(SetSpeechParameter(scb_, 1, -1), 0);
    EXPECT_EQ(SetSpeechParameter(scb_, 1, 9), 0);
    EXPECT_EQ(SetSpeechParameter(scb_, 1, -2), -2);
    EXPECT_EQ(SetSpeechParameter(scb_, 1, 10), -2);
    EXPECT_EQ(Get(1), 9);
    for (WORD id : {2, 3}) {
        EXPECT_EQ(SetSpeechParameter(scb_, id, -5), 0);
        EXPECT_EQ(SetSpeechParameter(scb_, id, 15), 0);
        EXPECT_EQ(SetSpeechParameter(scb_, id, 16), -2);
        EXPECT_EQ(SetSpeechParameter(scb_, id, -6), -2);
        EXPECT_EQ(Get(id), 15);
    }
    EXPECT_EQ((std::array<LONG, 3>{scb_->nVolume, scb_->nPitch, scb_->nSpeed}), (std::array<LONG, 3>{9, 15, 15}));
}

TEST_F(SpeechParameters, UnknownAndReadOnlyIds) {
    EXPECT_EQ(SetSpeechParameter(scb_, 0, 1), -1);
    EXPECT_EQ(SetSpeechParameter(scb_, 21, 1), -1);
    EXPECT_EQ(SetSpeechParameter(scb_, 0xFFFF, 1), -1);
    EXPECT_EQ(SetSpeechParameter(scb_, 19, 0), -3);
    for (WORD id : {0, 21}) {
        LONG value = 77;
        EXPECT_EQ(GetSpeechParameter(scb_, id, &value), -1);
        EXPECT_EQ(value, 0);
    }
    EXPECT_EQ(Get(19), 2 | 11 << 16);  // the test font is version 2.11
}

// Every target field takes any 32-bit value and gives it back, each into
// its own field: a shifted table would show as a wrong field.
TEST_F(SpeechParameters, TargetsTakeAnyValueInTheirOwnField) {
    for (WORD id = 4; id <= 18; ++id) ASSERT_EQ(SetSpeechParameter(scb_, id, 1000 + id * 2), 0) << id;
    ASSERT_EQ(SetSpeechParameter(scb_, 20, -1), 0);
    for (WORD id = 4; id <= 18; ++id) EXPECT_EQ(Get(id), 1000 + id * 2) << id;
    EXPECT_EQ(scb_->hwndDone, reinterpret_cast<HWND>(1008));
    EXPECT_EQ(scb_->lParamDone, 1014);
    EXPECT_EQ(scb_->wParamMouth, 1020u);
    EXPECT_EQ(scb_->lParamBookmark, 1036);
    EXPECT_EQ(scb_->uWaveDevice, 0xFFFFFFFFu);
    EXPECT_EQ(SetSpeechParameter(scb_, 6, -7), 0);
    EXPECT_EQ(Get(6), -7);
}

TEST_F(SpeechParameters, FontWithoutVersionReadsAllOnes) {
    reg_.AddFont("NOVER", TestFont::Minimal().Remove(10, "VERSIONNUMBER"));
    reg_.Apply();
    LPSCB scb = Open("NOVER");
    LONG value = 0;
    EXPECT_EQ(GetSpeechParameter(scb, 19, &value), 0);
    EXPECT_EQ(static_cast<DWORD>(value), 0xFFFFFFFFu);
    CloseSpeech(scb);
}

TEST_F(SpeechParameters, ReservedMarkersAreRefused) {
    EXPECT_EQ(GetMarkerType(scb_), '|');
    for (char c : std::string("\\SP'\"-DV[] /iI^")) {
        EXPECT_EQ(SetMarkerType(scb_, c), 0) << c;
        EXPECT_EQ(GetMarkerType(scb_), '|') << c;
    }
    EXPECT_EQ(SetMarkerType(scb_, '#'), 1);
    EXPECT_EQ(GetMarkerType(scb_), '#');
    EXPECT_EQ(SetMarkerType(scb_, 's'), 1);  // only the upper case S is taken
    EXPECT_EQ(SetMarkerType(scb_, static_cast<CHAR>(0xE9)), 1);
    EXPECT_EQ(GetMarkerType(scb_), static_cast<CHAR>(0xE9));
}

}  // namespace
}  // namespace kav::apitest
