// Phrases on the virtual device with the clock driven by hand: what plays,
// when the client hears of it, and how the controls steer it.
#include "audio_fixture.h"
#include "audio/volume_scaling.h"

using kav::audiotest::AudioTest;
using kav::audiotest::Note;
using kav::audiotest::Ticker;

namespace {

// Two bookmarks and a sync mark between stretches of sound and silence.
const char kMarked[] = "aa\\D300Maa\\|1 aa\\D300M\\^aa\\D300M\\|2 aa";

TEST_F(AudioTest, PhrasePlaysWhatSynthesisMakesAndEndsOnce) {
    LPSCB s = Open();
    const auto ref = Synthesize(voice_, kMarked, 0);
    ASSERT_EQ(Speak(s, kMarked), 0);
    EXPECT_EQ(SpeechStatus(s), 2);
    RunToEnd(s);
    EXPECT_EQ(SpeechStatus(s), 0);
    EXPECT_EQ(Ends(s), 1);
    const std::vector<BYTE> played = Played();
    ASSERT_GE(played.size(), ref.pcm.size());
    EXPECT_TRUE(std::equal(ref.pcm.begin(), ref.pcm.end(), played.begin()));
    // The last buffer is filled up with silence; buffers are 8192 bytes.
    EXPECT_EQ(played.size() % 8192, 0u);
    EXPECT_TRUE(std::all_of(played.begin() + ref.pcm.size(), played.end(), [](BYTE b) { return b == 128; }));
    Step(1000);
    EXPECT_EQ(Ends(s), 1);
}

TEST_F(AudioTest, RequestsWithoutAPhraseAndBadArguments) {
    LPSCB s = Open();
    EXPECT_EQ(SpeakPhonetics(s, nullptr), SE_ERR_NOPHONETICS);
    for (auto control : {PauseSpeech, ResumeSpeech, ResetSpeech, AbortPhrase, MouthRedrawComplete})
        EXPECT_EQ(control(s), SE_ERR_NOPHRASE);
    LPSCB none = OpenSpeech(hwnd_, SE_FLAG_NOMSGBOX, "NOSUCHFONT");
    char text[] = "a";
    EXPECT_EQ(SpeakPhonetics(none, text), SE_ERR_NOFONT);
    CloseSpeech(none);
}

TEST_F(AudioTest, DeviceFailuresEndThePhraseWithTheirCodeAndAnEndMessage) {
    LPSCB s = Open();
    struct Case {
        const char *device;
        MMRESULT fail;
        LONG code;
    };
    int ends = 0;
    for (const Case c : {Case{"none", 0, SE_ERR_NOWAVEDEVICE}, Case{"virtual", MMSYSERR_ALLOCATED, SE_ERR_WAVEBUSY},
                         Case{"virtual", WAVERR_BADFORMAT, SE_ERR_WAVEFORMAT},
                         Case{"virtual", MMSYSERR_BADDEVICEID, SE_ERR_WAVEBADDEVICE}}) {
        setenv("KAVREL_WAVEOUT", c.device, 1);
        kav::testing::FailNextWaveOutOpen(c.fail);
        ASSERT_EQ(Speak(s, "aa"), 0);
        RunToEnd(s);
        EXPECT_EQ(SpeechStatus(s), c.code) << c.device << " " << c.fail;
        EXPECT_EQ(Ends(s), ++ends);
    }
}

TEST_F(AudioTest, MarksArePostedWhenTheirSoundIsHeardAndPauseShiftsThem) {
    LPSCB s = Open(SE_FLAG_SYNC | SE_FLAG_BOOKMARK);
    const auto ref = Synthesize(voice_, kMarked, SE_FLAG_SYNC | SE_FLAG_BOOKMARK);
    std::vector<DWORD> due;
    for (const auto &e : ref.events)
        if (e.type == kav::kEventSync || e.type == kav::kEventBookmark) due.push_back(e.timeMs);
    ASSERT_EQ(due.size(), 3u);

    ASSERT_EQ(Speak(s, kMarked), 0);
    Step(due[0] + 100);
    EXPECT_EQ(Notes(SE_NOTIFY_BOOKMARK).size(), 1u);
    ASSERT_EQ(PauseSpeech(s), 0);
    Step(1);
    const DWORD pausedAt = timeGetTime();
    Step(700);
    EXPECT_EQ(Notes(SE_NOTIFY_SYNC).size() + Notes(SE_NOTIFY_BOOKMARK).size(), 1u) << "posted while paused";
    ASSERT_EQ(ResumeSpeech(s), 0);
    EXPECT_EQ(ResumeSpeech(s), 0);  // a second resume changes nothing
    RunToEnd(s);

    std::vector<Note> got = Notes(SE_NOTIFY_BOOKMARK);
    const std::vector<Note> sync = Notes(SE_NOTIFY_SYNC);
    ASSERT_EQ(got.size(), 2u);
    ASSERT_EQ(sync.size(), 1u);
    got.insert(got.begin() + 1, sync[0]);
    EXPECT_EQ(got[0].value, '1');
    EXPECT_EQ(got[2].value, '2');
    EXPECT_EQ(s->lParamBookmark, '2');
    // Each is posted when its sound is heard: never before, and at most the
    // dispatcher's shortest wait (20 ms) plus a timer period later.
    for (size_t i = 0; i < 3; ++i) {
        const DWORD heard = HeardAt(due[i], voice_.rate);
        EXPECT_GE(got[i].time + 1, heard) << i;  // the device's times are whole ms
        EXPECT_LE(got[i].time, heard + 20 + 10) << i;
        if (i > 0) {
            EXPECT_GT(got[i].time, pausedAt + 700);
        }
    }
}

TEST_F(AudioTest, MouthShapesWaitForTheClientAndTheLatestWins) {
    LPSCB s = Open(SE_FLAG_MOUTH);
    ASSERT_EQ(Speak(s, "a\\D200Ma\\D200Ma\\D200Ma"), 0);
    Step(500);
    ASSERT_EQ(Notes(SE_NOTIFY_MOUTH).size(), 1u) << "later shapes wait for MouthRedrawComplete";
    const DWORD latest = s->dwMouthShape;
    EXPECT_EQ(latest >> 24, 0u);
    ASSERT_EQ(MouthRedrawComplete(s), 0);
    Step(1);
    auto mouth = Notes(SE_NOTIFY_MOUTH);
    ASSERT_EQ(mouth.size(), 2u);
    EXPECT_EQ(static_cast<DWORD>(mouth[1].value), latest);
    // Acknowledged with nothing waiting: the next shape goes out when due.
    ASSERT_EQ(MouthRedrawComplete(s), 0);
    Step(300);
    EXPECT_EQ(Notes(SE_NOTIFY_MOUTH).size(), 3u);
    RunToEnd(s);
}

TEST_F(AudioTest, ResetResumesAPausedPhraseAndStopsAPlayingOne) {
    LPSCB s = Open();
    ASSERT_EQ(Speak(s, "aa\\D2000Maa"), 0);
    Step(100);
    ASSERT_EQ(PauseSpeech(s), 0);
    Step(300);
    const size_t heldAt = Played().size();
    Step(300);
    EXPECT_EQ(Played().size(), heldAt) << "a paused device plays nothing";
    ASSERT_EQ(ResetSpeech(s), 0);
    Step(1000);
    EXPECT_GT(Played().size(), heldAt);
    EXPECT_EQ(Ends(s), 0);
    ASSERT_EQ(ResetSpeech(s), 0);
    RunToEnd(s);
    EXPECT_EQ(Ends(s), 1);
    EXPECT_EQ(SpeechStatus(s), 0);
    EXPECT_LT(Played().size(), Synthesize(voice_, "aa\\D2000Maa", 0).pcm.size()) << "cut short";
}

TEST_F(AudioTest, AbortReturnsAfterTheEndAndCloseEndsWithoutAMessage) {
    LPSCB a = Open(), b = Open();
    ASSERT_EQ(Speak(a, "aa\\D3000Maa"), 0);
    Step(100);
    {
        Ticker ticker;
        ASSERT_EQ(AbortPhrase(b), 0);  // the playing phrase, whatever SCB is named
    }
    EXPECT_EQ(Ends(a), 1);
    EXPECT_EQ(kav::g_nActivePhrases.load(), 0);

    kav::testing::ResetVirtualWaveOut();
    ASSERT_EQ(Speak(a, "aa\\D3000Maa"), 0);
    Step(100);
    Close(b);  // SE_CLOSE goes to a's phrase
    EXPECT_EQ(Ends(a), 1);
    // The device was not reset: the four primed buffers played out.
    EXPECT_EQ(Played().size(), 4 * 8192u);
}

TEST_F(AudioTest, PhrasesOfTwoScbsPlayOneAfterTheOther) {
    LPSCB a = Open(), b = Open();
    ASSERT_EQ(Speak(a, "aa\\D500Maa"), 0);
    std::string second = "aa";
    ASSERT_EQ(SpeakPhonetics(b, second.data()), 0);
    Settle();
    EXPECT_EQ(SpeechStatus(a), 2);
    EXPECT_EQ(SpeechStatus(b), 1);
    RunToEnd(b);
    EXPECT_EQ(ends_, (std::vector<LPSCB>{a, b}));
    EXPECT_EQ(SpeechStatus(a), 0);
    EXPECT_EQ(SpeechStatus(b), 0);
}

TEST_F(AudioTest, SoftwareVolumeScalesEightAndSixteenBitSound) {
    UseVoice("KAV16", Voice(16));
    for (const char *font : {"KAVTEST", "KAV16"}) {
        kav::testing::ResetVirtualWaveOut();
        kav::testing::SetVirtualVolumeControl(false);
        LPSCB s = Open(0, font);
        s->nVolume = 3;
        const auto ref = Synthesize(Voice(font[3] == '1' ? 16 : 8), "aa\\D100Maa", 0);
        ASSERT_EQ(Speak(s, "aa\\D100Maa"), 0);
        RunToEnd(s);
        const std::vector<BYTE> played = Played();
        ASSERT_GE(played.size(), ref.pcm.size());
        for (size_t i = 0; i < ref.pcm.size(); i += 2) {
            if (font[3] == '1') {
                const auto in = static_cast<int16_t>(ref.pcm[i] | ref.pcm[i + 1] << 8);
                ASSERT_EQ(static_cast<int16_t>(played[i] | played[i + 1] << 8), in >> 2) << i;
            } else {
                ASSERT_EQ(played[i], kav::VolumeTable(3)[ref.pcm[i]]) << i;
            }
        }
        Close(s);
    }
}

TEST_F(AudioTest, DeviceVolumeIsSetForThePhraseAndRestoredAfter) {
    const auto device = reinterpret_cast<HWAVEOUT>(static_cast<UINT_PTR>(0));
    ASSERT_EQ(waveOutSetVolume(device, 0x12341234), MMSYSERR_NOERROR);
    LPSCB s = Open();
    s->nVolume = 12;
    const auto ref = Synthesize(voice_, "aa", 0);
    ASSERT_EQ(Speak(s, "aa"), 0);
    RunToEnd(s);
    const auto played = kav::testing::VirtualPlayed();
    ASSERT_FALSE(played.empty());
    EXPECT_EQ(played[0].volume, 58977u | 58977u << 16);  // 9 * 6553 on both channels
    EXPECT_TRUE(std::equal(ref.pcm.begin(), ref.pcm.end(), played[0].bytes.begin())) << "no software scaling";
    DWORD after = 0;
    ASSERT_EQ(waveOutGetVolume(device, &after), MMSYSERR_NOERROR);
    EXPECT_EQ(after, 0x12341234u);
}

}  // namespace
