// Shared by the wave-output tests: a device chosen by KAVREL_WAVEOUT, the
// manual clock, and a callback that records what it was told and when.
#pragma once

#include "platform/clock_testing.h"
#include "platform/platform.h"
#include "platform/waveout_testing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace kav::test {

struct WaveEvent {
    UINT message;
    WAVEHDR *header;
    DWORD time;
    std::thread::id thread;
    bool doneFlagSet;
};

struct WaveEvents {
    std::mutex lock;
    std::vector<WaveEvent> list;

    static void CALLBACK Callback(HWAVEOUT, UINT msg, DWORD_PTR instance, DWORD_PTR p1, DWORD_PTR) {
        auto *self = reinterpret_cast<WaveEvents *>(instance);
        auto *hdr = reinterpret_cast<WAVEHDR *>(p1);
        std::lock_guard<std::mutex> g(self->lock);
        bool done = hdr != nullptr && (hdr->dwFlags & WHDR_DONE) && !(hdr->dwFlags & WHDR_INQUEUE);
        self->list.push_back({msg, hdr, timeGetTime(), std::this_thread::get_id(), done});
    }
    std::vector<WaveEvent> Done() {
        std::lock_guard<std::mutex> g(lock);
        std::vector<WaveEvent> out;
        for (const auto &e : list)
            if (e.message == WOM_DONE) out.push_back(e);
        return out;
    }
    std::vector<UINT> Messages() {
        std::lock_guard<std::mutex> g(lock);
        std::vector<UINT> out;
        for (const auto &e : list) out.push_back(e.message);
        return out;
    }
};

// Sets an environment variable for one test.
struct ScopedEnv {
    const char *name;
    ScopedEnv(const char *n, const char *value) : name(n) { setenv(n, value, 1); }
    ~ScopedEnv() { unsetenv(name); }
};

inline WAVEFORMATEX Pcm(DWORD rate, WORD bits) {
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

// A prepared buffer of `bytes` bytes, each byte its index mod 251.
struct Buffer {
    std::vector<char> data;
    WAVEHDR header{};
    Buffer(HWAVEOUT hwo, size_t bytes) : data(bytes) {
        for (size_t i = 0; i < bytes; ++i) data[i] = static_cast<char>(i % 251);
        header.lpData = data.data();
        header.dwBufferLength = static_cast<DWORD>(bytes);
        EXPECT_EQ(waveOutPrepareHeader(hwo, &header, sizeof header), MMSYSERR_NOERROR);
    }
};

class VirtualWaveOut : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("KAVREL_WAVEOUT", "virtual", 1);
        kav::testing::ResetVirtualWaveOut();
        kav::testing::UseManualClock();
    }
    void TearDown() override {
        kav::testing::UseRealClock();
        unsetenv("KAVREL_WAVEOUT");
    }
    HWAVEOUT Open(WAVEFORMATEX format = Pcm(8000, 16)) {
        HWAVEOUT hwo = nullptr;
        EXPECT_EQ(waveOutOpen(&hwo, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(&WaveEvents::Callback),
                              reinterpret_cast<DWORD_PTR>(&events), CALLBACK_FUNCTION),
                  MMSYSERR_NOERROR);
        return hwo;
    }
    WaveEvents events;
};

}  // namespace kav::test
