#include "waveout_fixture.h"

#include <chrono>
#include <cstring>
#include <memory>

namespace kav::test {
namespace {

using kav::testing::AdvanceClock;
using kav::testing::VirtualPlayed;

TEST_F(VirtualWaveOut, PlaysBuffersInOrderEachEndingWhenItsLastSampleHasPlayed) {
    HWAVEOUT hwo = Open();
    ASSERT_EQ(events.Messages(), std::vector<UINT>{WOM_OPEN});  // delivered before the open returned
    const DWORD t0 = timeGetTime();
    Buffer a(hwo, 1600), b(hwo, 800), c(hwo, 3200);  // 100, 50 and 200 ms at 8 kHz, 16 bits
    for (Buffer *buf : {&a, &b, &c}) ASSERT_EQ(waveOutWrite(hwo, &buf->header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_TRUE(events.Done().empty());  // never on the writer's thread
    EXPECT_TRUE(a.header.dwFlags & WHDR_INQUEUE);

    AdvanceClock(99);
    EXPECT_TRUE(events.Done().empty());
    AdvanceClock(1);
    AdvanceClock(250);
    auto done = events.Done();
    ASSERT_EQ(done.size(), 3u);
    const DWORD expected[] = {t0 + 100, t0 + 150, t0 + 350};
    Buffer *order[] = {&a, &b, &c};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(done[i].header, &order[i]->header);
        EXPECT_EQ(done[i].time, expected[i]);
        EXPECT_TRUE(done[i].doneFlagSet);
        EXPECT_NE(done[i].thread, std::this_thread::get_id());
    }
    MMTIME pos{};
    pos.wType = TIME_MS;
    EXPECT_EQ(waveOutGetPosition(hwo, &pos, sizeof pos), MMSYSERR_NOERROR);
    EXPECT_EQ(pos.u.ms, 350u);

    auto played = VirtualPlayed();
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played[0].time, t0);
    EXPECT_EQ(played[1].time, t0 + 100);
    EXPECT_EQ(played[2].time, t0 + 150);
    EXPECT_EQ(played[2].bytes, std::vector<BYTE>(c.data.begin(), c.data.end()));
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
    EXPECT_EQ(events.Messages().back(), static_cast<UINT>(WOM_CLOSE));
}

TEST_F(VirtualWaveOut, LongRunsKeepExactTimeAndAStarvedDeviceRestartsWithTheNextWrite) {
    HWAVEOUT hwo = Open(Pcm(11025, 8));
    const DWORD t0 = timeGetTime();
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 10; ++i) {
        bufs.push_back(std::make_unique<Buffer>(hwo, 8192));
        waveOutWrite(hwo, &bufs.back()->header, sizeof(WAVEHDR));
    }
    AdvanceClock(8000);
    auto done = events.Done();
    ASSERT_EQ(done.size(), 10u);
    for (uint64_t k = 1; k <= 10; ++k)  // from the run's start: rounding never adds up
        EXPECT_EQ(done[k - 1].time, t0 + (k * 8192 * 1000 + 11024) / 11025) << k;

    // The device ran dry at t0+7431; a write now starts a new run now.
    const DWORD later = timeGetTime();
    Buffer extra(hwo, 1103);  // 100.04 ms
    waveOutWrite(hwo, &extra.header, sizeof(WAVEHDR));
    AdvanceClock(200);
    EXPECT_EQ(events.Done().back().time, later + 101);
    EXPECT_EQ(VirtualPlayed().back().time, later);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(VirtualWaveOut, PauseHoldsPlaybackAndShiftsLaterCompletionsByItsLength) {
    HWAVEOUT hwo = Open();
    const DWORD t0 = timeGetTime();
    Buffer a(hwo, 1600), b(hwo, 1600);
    waveOutWrite(hwo, &a.header, sizeof(WAVEHDR));
    AdvanceClock(40);
    EXPECT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutPause(hwo), MMSYSERR_NOERROR);  // twice is once
    waveOutWrite(hwo, &b.header, sizeof(WAVEHDR));    // queued, not played
    AdvanceClock(1000);
    EXPECT_TRUE(events.Done().empty());
    EXPECT_EQ(waveOutRestart(hwo), MMSYSERR_NOERROR);
    AdvanceClock(59);
    EXPECT_TRUE(events.Done().empty());
    AdvanceClock(101);
    auto done = events.Done();
    ASSERT_EQ(done.size(), 2u);
    EXPECT_EQ(done[0].time, t0 + 1100);
    EXPECT_EQ(done[1].time, t0 + 1200);

    auto played = VirtualPlayed();  // the paused buffer was played in two stretches
    ASSERT_EQ(played.size(), 3u);
    EXPECT_EQ(played[0].time, t0);
    EXPECT_EQ(played[0].bytes.size(), 640u);
    EXPECT_EQ(played[1].time, t0 + 1040);
    EXPECT_EQ(played[1].bytes.size(), 960u);
    EXPECT_EQ(played[1].bytes.front(), static_cast<BYTE>(640 % 251));
    EXPECT_EQ(waveOutRestart(hwo), MMSYSERR_NOERROR);  // not paused: nothing
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(VirtualWaveOut, ResetReturnsEveryBufferBeforeItReturnsAndKeepsAPause) {
    HWAVEOUT hwo = Open();
    Buffer a(hwo, 1600), b(hwo, 1600), c(hwo, 1600);
    for (Buffer *buf : {&a, &b, &c}) waveOutWrite(hwo, &buf->header, sizeof(WAVEHDR));
    AdvanceClock(30);
    EXPECT_EQ(waveOutClose(hwo), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutUnprepareHeader(hwo, &b.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    waveOutPause(hwo);
    EXPECT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
    auto done = events.Done();
    ASSERT_EQ(done.size(), 3u);
    EXPECT_EQ(done[0].header, &a.header);
    EXPECT_EQ(done[2].header, &c.header);
    for (const auto &e : done) EXPECT_TRUE(e.doneFlagSet);
    ASSERT_EQ(VirtualPlayed().size(), 1u);
    EXPECT_EQ(VirtualPlayed()[0].bytes.size(), 480u);
    MMTIME pos{};
    pos.wType = TIME_SAMPLES;
    waveOutGetPosition(hwo, &pos, sizeof pos);
    EXPECT_EQ(pos.u.sample, 0u);

    waveOutWrite(hwo, &a.header, sizeof(WAVEHDR));  // still paused after the reset
    AdvanceClock(500);
    EXPECT_EQ(events.Done().size(), 3u);
    waveOutRestart(hwo);
    AdvanceClock(100);
    EXPECT_EQ(events.Done().size(), 4u);
    pos.wType = 8;  // SMPTE time, which the device does not keep
    waveOutGetPosition(hwo, &pos, sizeof pos);
    EXPECT_EQ(pos.wType, static_cast<UINT>(TIME_BYTES));
    EXPECT_EQ(pos.u.cb, 1600u);

    for (Buffer *buf : {&a, &b, &c}) EXPECT_EQ(waveOutUnprepareHeader(hwo, &buf->header, sizeof(WAVEHDR)), 0u);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(hwo, &a.header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_INVALHANDLE);
}

TEST_F(VirtualWaveOut, ResultsAreThoseOfWindows) {
    WAVEFORMATEX good = Pcm(22050, 16);
    EXPECT_EQ(waveOutGetNumDevs(), 1u);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &good, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
    HWAVEOUT hwo = nullptr;
    EXPECT_EQ(waveOutOpen(&hwo, 1, &good, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutOpen(&hwo, 0, &good, 0, 0, CALLBACK_WINDOW), MMSYSERR_INVALFLAG);
    EXPECT_EQ(waveOutOpen(&hwo, 0, nullptr, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);
    WAVEFORMATEX bad = good;
    bad.wBitsPerSample = 24;
    EXPECT_EQ(waveOutOpen(nullptr, 0, &bad, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
    bad = good;
    bad.nAvgBytesPerSec = 22050;  // inconsistent with 16 bits
    EXPECT_EQ(waveOutOpen(&hwo, 0, &bad, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    bad = good;
    bad.wFormatTag = 3;
    EXPECT_EQ(waveOutOpen(&hwo, 0, &bad, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);

    kav::testing::FailNextWaveOutOpen(MMSYSERR_NOMEM);
    EXPECT_EQ(waveOutOpen(&hwo, 0, &good, 0, 0, CALLBACK_NULL), MMSYSERR_NOMEM);
    kav::testing::SetVirtualExclusive(true);
    hwo = Open(good);
    HWAVEOUT second = nullptr;
    EXPECT_EQ(waveOutOpen(&second, 0, &good, 0, 0, CALLBACK_NULL), MMSYSERR_ALLOCATED);
    UINT id = 7;
    EXPECT_EQ(waveOutGetID(hwo, &id), MMSYSERR_NOERROR);
    EXPECT_EQ(id, WAVE_MAPPER);

    Buffer a(hwo, 100);
    WAVEHDR unprepared{};
    unprepared.lpData = a.data.data();
    unprepared.dwBufferLength = 100;
    EXPECT_EQ(waveOutWrite(hwo, &unprepared, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutWrite(hwo, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
    EXPECT_EQ(waveOutWrite(hwo, &a.header, sizeof(WAVEHDR) - 1), MMSYSERR_INVALPARAM);
    kav::testing::FailNextWaveOutWrite(MMSYSERR_NOMEM);
    EXPECT_EQ(waveOutWrite(hwo, &a.header, sizeof(WAVEHDR)), MMSYSERR_NOMEM);
    EXPECT_FALSE(a.header.dwFlags & WHDR_INQUEUE);
    EXPECT_EQ(waveOutWrite(hwo, &a.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutWrite(hwo, &a.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveOutWrite(reinterpret_cast<HWAVEOUT>(0x12345), &a.header, sizeof(WAVEHDR)),
              MMSYSERR_INVALHANDLE);
    AdvanceClock(10);
    EXPECT_TRUE(a.header.dwFlags & WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(hwo, &a.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutUnprepareHeader(hwo, &a.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);  // no effect
    EXPECT_EQ(waveOutWrite(hwo, &a.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(VirtualWaveOut, VolumeBelongsToTheDeviceAndOutlivesItsHandles) {
    HWAVEOUT hwo = Open();
    DWORD volume = 0;
    EXPECT_EQ(waveOutGetVolume(hwo, &volume), MMSYSERR_NOERROR);
    EXPECT_EQ(volume, 0xFFFFFFFFu);
    EXPECT_EQ(waveOutSetVolume(hwo, 0x40004000u), MMSYSERR_NOERROR);
    Buffer a(hwo, 160);
    waveOutWrite(hwo, &a.header, sizeof(WAVEHDR));
    AdvanceClock(10);
    EXPECT_EQ(VirtualPlayed().at(0).volume, 0x40004000u);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutGetVolume(nullptr, &volume), MMSYSERR_NOERROR);  // device id 0
    EXPECT_EQ(volume, 0x40004000u);
    EXPECT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(1), &volume), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetVolume(hwo, &volume), MMSYSERR_INVALHANDLE);

    kav::testing::SetVirtualVolumeControl(false);
    WAVEOUTCAPSA caps{};
    EXPECT_EQ(waveOutGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_EQ(caps.dwSupport & WAVECAPS_VOLUME, 0u);
    EXPECT_EQ(waveOutSetVolume(nullptr, 0), MMSYSERR_NOTSUPPORTED);
    kav::testing::SetVirtualVolumeControl(true);
    EXPECT_EQ(waveOutGetDevCapsA(0, &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_NE(caps.dwSupport & WAVECAPS_VOLUME, 0u);
    EXPECT_EQ(waveOutGetDevCapsA(1, &caps, sizeof caps), MMSYSERR_BADDEVICEID);
}

// A callback may refill its device, as the engine's never does but clients
// do; it may not reset or close it.
MMRESULT g_resetFromCallback = MMSYSERR_NOERROR;
void CALLBACK RefillingCallback(HWAVEOUT hwo, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR p2) {
    WaveEvents::Callback(hwo, msg, instance, p1, p2);
    auto *hdr = reinterpret_cast<WAVEHDR *>(p1);
    if (msg != WOM_DONE || hdr->dwUser == 0) return;
    --hdr->dwUser;
    waveOutWrite(hwo, hdr, sizeof(WAVEHDR));
    g_resetFromCallback = waveOutReset(hwo);
}

TEST_F(VirtualWaveOut, ACallbackMayWriteButNotReset) {
    WAVEFORMATEX format = Pcm(8000, 8);
    HWAVEOUT hwo = nullptr;
    ASSERT_EQ(waveOutOpen(&hwo, 0, &format, reinterpret_cast<DWORD_PTR>(&RefillingCallback),
                          reinterpret_cast<DWORD_PTR>(&events), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    const DWORD t0 = timeGetTime();
    Buffer a(hwo, 80);
    a.header.dwUser = 3;
    waveOutWrite(hwo, &a.header, sizeof(WAVEHDR));
    AdvanceClock(100);
    auto done = events.Done();
    ASSERT_EQ(done.size(), 4u);
    EXPECT_EQ(done[3].time, t0 + 40);
    EXPECT_EQ(g_resetFromCallback, static_cast<MMRESULT>(MMSYSERR_HANDLEBUSY));
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

TEST_F(VirtualWaveOut, RealClockPlaysTwoHandlesWhileAnotherThreadPausesOne) {
    kav::testing::UseRealClock();
    HWAVEOUT first = Open(), second = Open();
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 8; ++i) {
        HWAVEOUT hwo = i % 2 ? second : first;
        bufs.push_back(std::make_unique<Buffer>(hwo, 160));  // 10 ms each
        waveOutWrite(hwo, &bufs.back()->header, sizeof(WAVEHDR));
    }
    std::thread pauser([&] {
        waveOutPause(first);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        waveOutRestart(first);
    });
    pauser.join();
    for (int i = 0; i < 200 && events.Done().size() < 8; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(events.Done().size(), 8u);
    EXPECT_EQ(waveOutClose(first), MMSYSERR_NOERROR);
    EXPECT_EQ(waveOutClose(second), MMSYSERR_NOERROR);
}

TEST(WaveOutDevices, NoneMeansNoDeviceAtAll) {
    ScopedEnv none("KAVREL_WAVEOUT", "none");
    WAVEFORMATEX format = Pcm(16000, 16);
    HWAVEOUT hwo = nullptr;
    WAVEOUTCAPSA caps{};
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
    EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NODRIVER);
    EXPECT_EQ(waveOutOpen(&hwo, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(waveOutGetDevCapsA(WAVE_MAPPER, &caps, sizeof caps), MMSYSERR_NODRIVER);
}

// Only where a sound card opens: a short silent phrase through ALSA.
TEST(WaveOutDevices, AlsaPlaysAndReturnsBuffersWhereACardOpens) {
    ScopedEnv alsa("KAVREL_WAVEOUT", "alsa");
    if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "no ALSA device opens here";
    WaveEvents events;
    WAVEFORMATEX format = Pcm(16000, 16);
    HWAVEOUT hwo = nullptr;
    ASSERT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&WaveEvents::Callback),
                          reinterpret_cast<DWORD_PTR>(&events), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    DWORD saved = 0;
    waveOutGetVolume(hwo, &saved);
    waveOutSetVolume(hwo, 0);
    Buffer a(hwo, 3200), b(hwo, 3200);
    std::memset(a.data.data(), 0, 3200);
    std::memset(b.data.data(), 0, 3200);
    const DWORD t0 = timeGetTime();
    waveOutWrite(hwo, &a.header, sizeof(WAVEHDR));
    waveOutWrite(hwo, &b.header, sizeof(WAVEHDR));
    for (int i = 0; i < 400 && events.Done().size() < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(events.Done().size(), 2u);
    EXPECT_GE(events.Done()[1].time - t0, 150u);  // 200 ms of sound, give or take a period
    waveOutWrite(hwo, &a.header, sizeof(WAVEHDR));
    EXPECT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
    EXPECT_EQ(events.Done().size(), 3u);
    waveOutSetVolume(hwo, saved);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

// ALSA's "null" device takes frames at once: the feeding, pausing and reset
// paths run, with no card and no timing.
TEST(WaveOutDevices, AlsaPathRunsOverTheNullDevice) {
    ScopedEnv alsa("KAVREL_WAVEOUT", "alsa"), null("KAVREL_ALSA_PCM", "null");
    if (waveOutGetNumDevs() == 0) GTEST_SKIP() << "ALSA's null device does not open here";
    WAVEOUTCAPSA caps{};
    waveOutGetDevCapsA(0, &caps, sizeof caps);
    EXPECT_STREQ(caps.szPname, "ALSA null");
    WaveEvents events;
    WAVEFORMATEX format = Pcm(11025, 8);
    HWAVEOUT hwo = nullptr;
    ASSERT_EQ(waveOutOpen(&hwo, 0, &format, reinterpret_cast<DWORD_PTR>(&WaveEvents::Callback),
                          reinterpret_cast<DWORD_PTR>(&events), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    waveOutSetVolume(hwo, 0x80008000u);
    waveOutPause(hwo);
    std::vector<std::unique_ptr<Buffer>> bufs;
    for (int i = 0; i < 5; ++i) bufs.push_back(std::make_unique<Buffer>(hwo, 8192));
    for (int i = 0; i < 3; ++i) waveOutWrite(hwo, &bufs[i]->header, sizeof(WAVEHDR));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(events.Done().empty());
    waveOutRestart(hwo);
    for (int i = 0; i < 400 && events.Done().size() < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(events.Done().size(), 3u);
    waveOutWrite(hwo, &bufs[3]->header, sizeof(WAVEHDR));
    waveOutWrite(hwo, &bufs[4]->header, sizeof(WAVEHDR));
    EXPECT_EQ(waveOutReset(hwo), MMSYSERR_NOERROR);
    EXPECT_EQ(events.Done().size(), 5u);
    EXPECT_EQ(waveOutClose(hwo), MMSYSERR_NOERROR);
}

}  // namespace
}  // namespace kav::test
