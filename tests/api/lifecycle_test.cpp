#include "api/engine_state.h"
#include "api/engine_test.h"
#include "api/housekeeping.h"
#include "api/services.h"
#include "platform/system_library.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <thread>

namespace kav::apitest {
namespace {

using testfonts::TestFont;

class Lifecycle : public EngineTest {};

TEST_F(Lifecycle, OpenSetsTheDocumentedDefaults) {
    EXPECT_EQ(SpeechVersion(), 528);
    EXPECT_GE(g_uEngineMessage, 0xC000u);
    EXPECT_EQ(g_uEngineMessage, RegisterWindowMessageA("Speech Engine"));
    reg_.AddFont("KAVTEST", TestFont::Minimal());
    reg_.Apply();
    HWND hwnd = reinterpret_cast<HWND>(42);
    LPSCB scb = OpenSpeech(hwnd, 0x13, "KAVTEST");
    ASSERT_NE(scb, nullptr);
    EXPECT_EQ(CurrentSCB(), scb);
    char name[32];
    std::snprintf(name, sizeof name, "TM_%lu", static_cast<unsigned long>(GetCurrentProcessId()));
    EXPECT_STREQ(g_szObjectName, name);
    EXPECT_EQ((std::array<LONG, 3>{scb->nPitch, scb->nSpeed, scb->nVolume}), (std::array<LONG, 3>{5, 5, -1}));
    EXPECT_EQ(scb->uWaveDevice, 0xFFFFFFFFu);
    for (HWND h : {scb->hwndDone, scb->hwndMouth, scb->hwndSync, scb->hwndBookmark}) EXPECT_EQ(h, hwnd);
    for (DWORD m : {scb->msgDone, scb->msgMouth, scb->msgSync, scb->msgBookmark}) EXPECT_EQ(m, g_uEngineMessage);
    EXPECT_EQ((std::array<DWORD, 4>{scb->wParamDone, scb->wParamMouth, scb->wParamSync, scb->wParamBookmark}),
              (std::array<DWORD, 4>{100, 101, 102, 103}));
    EXPECT_EQ(scb->nMarkerChar, 124u);
    EXPECT_EQ(scb->wFlags, 0x13u);
    EXPECT_EQ(scb->fDictActive, 1u);
    EXPECT_EQ(SpeechStatus(scb), 0);
    CloseSpeech(scb);
    EXPECT_EQ(CurrentSCB(), nullptr);  // a closed SCB is never consulted again
}

// One housekeeping thread serves every open SCB; it frees what is posted to
// it and ends with the last close, after freeing everything posted before.
TEST_F(Lifecycle, HousekeepingFreesPostedBlocksAndEndsWithTheLastClose) {
    LPSCB first = Open(nullptr);
    LPSCB second = Open(nullptr);
    const DWORD id = HousekeepingThreadId();
    ASSERT_NE(id, 0u);
    void *unrelated = AllocBlock(8);
    EXPECT_TRUE(PostThreadMessageA(id, g_uEngineMessage, SE_THREADEXIT, 0));
    EXPECT_TRUE(PostThreadMessageA(id, g_uEngineMessage, SE_PAUSE, reinterpret_cast<LPARAM>(unrelated)));
    CloseSpeech(first);
    EXPECT_EQ(HousekeepingThreadId(), id);
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(PostThreadMessageA(id, g_uEngineMessage, SE_THREADEXIT, reinterpret_cast<LPARAM>(AllocBlock(64))));
    CloseSpeech(second);
    EXPECT_EQ(HousekeepingThreadId(), 0u);
    EXPECT_FALSE(PostThreadMessageA(id, g_uEngineMessage, SE_THREADEXIT, 0));
    EXPECT_EQ(kav::fault::LiveBlocks(), live_ + 1);  // only the block of another code stays
    FreeBlock(unrelated);
}

TEST_F(Lifecycle, CloseWaitsForTheActivePhrase) {
    LPSCB scb = Open(nullptr);
    g_nActivePhrases = 1;
    std::atomic<bool> ended{false};
    std::thread phrase([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        ended = true;
        g_nActivePhrases = 0;
    });
    CloseSpeech(scb);
    EXPECT_TRUE(ended);
    phrase.join();
}

TEST_F(Lifecycle, FreePhoneticsBufferAndNullScbs) {
    EXPECT_EQ(FreePhoneticsBuffer(static_cast<LPSTR>(AllocSharedBlock(16))), 0);
    char notABlock[16] = {};
    EXPECT_EQ(FreePhoneticsBuffer(notABlock), -1);
    EXPECT_EQ(g_boxes, std::vector<std::string>{"Kavrel for Win32: Problem disposing memory"});
    EXPECT_EQ(SpeechStatus(nullptr), -110);
    EXPECT_EQ(ChangeSpeech(nullptr, 0, "X"), -110);
    CloseSpeech(nullptr);
}

TEST_F(Lifecycle, LibraryProbeUsesTheSystemSearch) {
    EXPECT_FALSE(kav::platform::SystemLibraryLoadable("libkavsyn-not-installed.so"));
    EXPECT_FALSE(kav::platform::SystemLibraryLoadable(""));
    EXPECT_TRUE(kav::platform::SystemLibraryLoadable("libm.so.6"));
}

}  // namespace
}  // namespace kav::apitest
