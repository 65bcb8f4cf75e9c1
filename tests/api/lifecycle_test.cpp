#include "api/engine_state.h"
#include "api/engine_test.h"
#include "api/housekeeping.h"
#include "api/services.h"
#include "platform/system_library.h"

#include <array>
#include <atomic>
#include <thread>

namespace kav::apitest {
namespace {

using testfonts::TestFont;

class Lifecycle : public EngineTest {};

TEST_F(Lifecycle, OpenTargetsTheWindowWithTheEngineMessage) {
    EXPECT_EQ(SpeechVersion(), 528);
    EXPECT_EQ(g_uEngineMessage, RegisterWindowMessageA("Speech Engine"));
    HWND hwnd = reinterpret_cast<HWND>(42);
    LPSCB scb = OpenSpeech(hwnd, 0x13, nullptr);
    ASSERT_NE(scb, nullptr);
    EXPECT_EQ(std::string(g_szObjectName), "TM_" + std::to_string(GetCurrentProcessId()));
    EXPECT_EQ((std::array<HWND, 2>{scb->hwndDone, scb->hwndBookmark}), (std::array<HWND, 2>{hwnd, hwnd}));
    EXPECT_EQ((std::array<DWORD, 3>{scb->msgMouth, scb->wParamSync, scb->wFlags}),
              (std::array<DWORD, 3>{g_uEngineMessage, 102, 0x13}));
    EXPECT_EQ(CurrentSCB(), scb);
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
    char notABlock[16] = {};
    EXPECT_EQ(FreePhoneticsBuffer(notABlock), -1);
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
