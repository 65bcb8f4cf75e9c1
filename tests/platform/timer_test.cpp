#include "platform/clock_testing.h"
#include "platform/platform.h"
#include "platform/posix/clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using kav::testing::AdvanceClock;

struct Firing {
    UINT id;
    DWORD_PTR user;
    DWORD time;
};
std::mutex g_lock;
std::vector<Firing> g_fired;

void CALLBACK Record(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    std::lock_guard<std::mutex> lock(g_lock);
    g_fired.push_back({id, user, timeGetTime()});
}
std::vector<Firing> Fired() {
    std::lock_guard<std::mutex> lock(g_lock);
    return g_fired;
}

// Arms itself again 20 ms later while its count lasts.
void CALLBACK Chain(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR a, DWORD_PTR b) {
    Record(id, msg, user, a, b);
    if (user > 1) timeSetEvent(20, 10, Chain, user - 1, TIME_ONESHOT);
}

class Timers : public ::testing::Test {
protected:
    void SetUp() override {
        kav::testing::UseManualClock();
        std::lock_guard<std::mutex> lock(g_lock);
        g_fired.clear();
    }
    void TearDown() override { kav::testing::UseRealClock(); }
};

TEST_F(Timers, OneShotsFireOnceAtTheirTimeInDueOrderAndNotBefore) {
    const DWORD t0 = timeGetTime();
    UINT late = timeSetEvent(30, 10, Record, 3, TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
    UINT early = timeSetEvent(10, 10, Record, 1, TIME_ONESHOT);
    UINT tieA = timeSetEvent(20, 10, Record, 2, TIME_ONESHOT);
    UINT tieB = timeSetEvent(20, 1, Record, 22, TIME_ONESHOT | TIME_KILL_SYNCHRONOUS);
    ASSERT_NE(late, 0u);
    EXPECT_NE(early, late);
    AdvanceClock(9);
    EXPECT_TRUE(Fired().empty());
    AdvanceClock(100);
    auto fired = Fired();
    ASSERT_EQ(fired.size(), 4u);
    EXPECT_EQ(fired[0].id, early);
    EXPECT_EQ(fired[0].time, t0 + 10);
    EXPECT_EQ(fired[1].id, tieA);  // same time: in the order they were set
    EXPECT_EQ(fired[2].id, tieB);
    EXPECT_EQ(fired[3].user, 3u);
    EXPECT_EQ(fired[3].time, t0 + 30);
    EXPECT_EQ(timeKillEvent(late), MMSYSERR_INVALPARAM);  // a fired one-shot is gone
}

TEST_F(Timers, ATimerArmedByACallbackFiresWithinTheSameAdvance) {
    const DWORD t0 = timeGetTime();
    timeSetEvent(20, 10, Chain, 5, TIME_ONESHOT);
    AdvanceClock(100);
    auto fired = Fired();
    ASSERT_EQ(fired.size(), 5u);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(fired[i].time, t0 + 20 * (i + 1));
}

TEST_F(Timers, KilledTimersNeverFire) {
    UINT a = timeSetEvent(50, 10, Record, 1, TIME_ONESHOT);
    UINT b = timeSetEvent(60, 10, Record, 2, TIME_ONESHOT);
    AdvanceClock(49);
    EXPECT_EQ(timeKillEvent(a), TIMERR_NOERROR);
    EXPECT_EQ(timeKillEvent(a), MMSYSERR_INVALPARAM);
    EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
    AdvanceClock(1000);
    ASSERT_EQ(Fired().size(), 1u);
    EXPECT_EQ(Fired()[0].id, b);
}

TEST_F(Timers, RefusedArgumentsAndCapabilities) {
    EXPECT_EQ(timeSetEvent(0, 10, Record, 0, TIME_ONESHOT), 0u);
    EXPECT_EQ(timeSetEvent(10, 10, nullptr, 0, TIME_ONESHOT), 0u);
    EXPECT_EQ(timeSetEvent(10, 10, Record, 0, TIME_PERIODIC), 0u);
    TIMECAPS caps{};
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOERROR);
    EXPECT_EQ(caps.wPeriodMin, 1u);
    EXPECT_EQ(timeSetEvent(caps.wPeriodMax + 1, 10, Record, 0, TIME_ONESHOT), 0u);
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps - 1), TIMERR_NOCANDO);
    kav::testing::FailTimerCaps(true);
    EXPECT_EQ(timeGetDevCaps(&caps, sizeof caps), TIMERR_NOCANDO);
    kav::testing::FailTimerCaps(false);

    EXPECT_EQ(timeBeginPeriod(0), TIMERR_NOCANDO);
    EXPECT_EQ(timeBeginPeriod(10), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(10), TIMERR_NOERROR);
    EXPECT_EQ(timeEndPeriod(10), TIMERR_NOCANDO);  // never begun twice
}

// Real time: a kill that meets the callback running returns after it.
std::atomic<bool> g_inSlowCallback{false}, g_slowCallbackDone{false};
void CALLBACK Slow(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    g_inSlowCallback = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    g_slowCallbackDone = true;
}

TEST(TimersRealTime, KillWaitsForACallbackUnderWay) {
    UINT id = timeSetEvent(1, 1, Slow, 0, TIME_ONESHOT);
    while (!g_inSlowCallback) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    timeKillEvent(id);
    EXPECT_TRUE(g_slowCallbackDone);
}

TEST(Clock, SleepersWakeAtTheirDrivenTimeAndTheClockNeverRunsBackwards) {
    kav::testing::UseManualClock(0xFFFFFFF0u);
    std::atomic<bool> ready{false}, woke{false};
    std::thread sleeper([&] {
        ready = true;
        kav::posix::ClockSleep(100);
        woke = true;
    });
    while (!ready) std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));  // lets it start waiting
    AdvanceClock(99);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(woke);
    AdvanceClock(1);
    sleeper.join();
    EXPECT_EQ(timeGetTime(), 0x54u);  // 0xFFFFFFF0 + 100, wrapped like the Windows counter

    const uint64_t manualNow = kav::posix::ClockNowMs();
    AdvanceClock(1000000);  // far ahead of real time
    kav::testing::UseRealClock();
    EXPECT_GE(kav::posix::ClockNowMs(), manualNow + 1000000);
}

}  // namespace
