#include "api/engine_state.h"
#include "api/services.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> g_boxes;
void RecordBox(const char *caption, const char *text, UINT) { g_boxes.push_back(std::string(caption) + ": " + text); }

class Services : public ::testing::Test {
protected:
    void SetUp() override {
        g_boxes.clear();
        KavSetMessageBoxHook(RecordBox);
        scb_ = SCB{};
        kav::SetCurrentSCB(&scb_);
    }
    void TearDown() override {
        kav::SetCurrentSCB(nullptr);
        KavSetMessageBoxHook(nullptr);
        kav::fault::FailAllocationAfter(0);
    }
    SCB scb_{};
};

TEST_F(Services, ReportTextsAndTheirDefaults) {
    kav::ReportError(&scb_, -112);
    kav::ReportError(&scb_, -999);
    kav::ReportAudioError(&scb_, -118);
    kav::ReportAudioError(&scb_, -999);
    ASSERT_EQ(g_boxes.size(), 4u);
    EXPECT_EQ(g_boxes[0], "Kavrel for Win32: Cannot load the speech font");
    EXPECT_EQ(g_boxes[1], "Kavrel for Win32: Unexpected error");
    EXPECT_EQ(g_boxes[2], "Kavrel for Win32 Speech Threads: No waveOut devices available.");
    EXPECT_EQ(g_boxes[3], "Kavrel for Win32 Speech Threads: Unexpected error.");
    EXPECT_EQ(scb_.nStatus, -999);
}

TEST_F(Services, FormatErrorNamesTheVoiceFormat) {
    unsigned char hdr[32] = {};
    hdr[8] = 0x11; hdr[9] = 0x2B;  // 11025 Hz
    hdr[12] = 8;
    scb_.lpSpeechHdr = hdr;
    kav::ReportAudioError(&scb_, -117);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "Kavrel for Win32 Speech Threads: Cannot support 11025 Hz, 8-bit audio.");
}

TEST_F(Services, SuppressedBoxesStillRecordAudioStatus) {
    scb_.wFlags = SE_FLAG_NOMSGBOX;
    kav::ReportError(&scb_, -101);
    kav::ReportAudioError(&scb_, -124);
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(scb_.nStatus, -124);
    kav::AssertFailed("x != NULL", 297, "SPEECH");  // assertions ignore the flags
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "ASSERT: x != NULL fails in SPEECH(297)");
}

TEST_F(Services, BlocksAllocateZeroedResizeAndFree) {
    long live = kav::fault::LiveBlocks();
    auto *p = static_cast<char *>(kav::ReallocBlock(nullptr, 10));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[9], 0);
    p[0] = 'k';
    p = static_cast<char *>(kav::ReallocBlock(p, 100000));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 'k');
    EXPECT_EQ(p[99999], 0);
    EXPECT_EQ(kav::FreeBlock(p), 0);
    EXPECT_EQ(kav::fault::LiveBlocks(), live);
    static char notABlock[32] alignas(16);
    EXPECT_EQ(kav::FreeBlock(notABlock), -1);
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "Kavrel for Win32: Problem disposing memory");
}

TEST_F(Services, AllocationFailuresReportAndKeepTheOldBlock) {
    auto *p = static_cast<char *>(kav::AllocBlock(8));
    ASSERT_NE(p, nullptr);
    p[0] = 'x';
    kav::fault::FailAllocationAfter(1);
    EXPECT_EQ(kav::ReallocBlock(p, 64), nullptr);
    EXPECT_EQ(p[0], 'x');
    kav::fault::FailAllocationAfter(1);
    EXPECT_EQ(kav::AllocBlock(8), nullptr);
    kav::fault::FailAllocationAfter(1);
    EXPECT_EQ(kav::AllocSharedBlock(8), nullptr);  // no report for shared blocks
    ASSERT_EQ(g_boxes.size(), 2u);
    EXPECT_EQ(g_boxes[1], "Kavrel for Win32: Problem allocating memory");
    EXPECT_EQ(kav::FreeBlock(p), 0);
}

}  // namespace
