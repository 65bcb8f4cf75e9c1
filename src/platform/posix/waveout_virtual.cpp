// The virtual wave device: plays buffers in real time against the platform
// clock, without sound, and keeps what it played.  With the manual clock a
// test knows to the millisecond when each buffer ends: a buffer of N frames
// at R frames a second that starts playing at T ends at T + ceil(N*1000/R).
//
// Playing is kept as runs: from clock time runStart on, frames play one
// after the other from frame runFrame, until a pause, a reset or the end of
// the written frames breaks the run.  Buffer ends are computed from the run's
// start, so rounding never accumulates over a long run.
#include "platform/posix/waveout_device.h"
#include "platform/waveout_testing.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kav::posix {
namespace {

class VirtualDriver : public WaveOutDriver {
public:
    UINT DeviceCount() override { return 1; }
    void GetCaps(UINT, WAVEOUTCAPSA *caps) override {
        caps->wMid = 0;
        caps->wPid = 0;
        caps->vDriverVersion = 0x0100;
        std::strncpy(caps->szPname, "Kavrel virtual output", MAXPNAMELEN - 1);
        caps->dwFormats = 0x00000FFFu;  // every PCM format at 11, 22 and 44 kHz
        caps->wChannels = 2;
        caps->dwSupport = WAVECAPS_SAMPLEACCURATE | (volumeControl ? WAVECAPS_VOLUME | WAVECAPS_LRVOLUME : 0);
    }
    MMRESULT Open(UINT, const WAVEFORMATEX &format, bool queryOnly,
                  std::shared_ptr<WaveOutDevice> *opened) override;
    bool HasVolume() override { return volumeControl; }

    bool volumeControl = true;
    bool exclusive = false;
    int openCount = 0;
    std::vector<kav::testing::PlayedAudio> played;
};

VirtualDriver &TheDriver() {
    static auto *driver = new VirtualDriver();
    return *driver;
}

class VirtualDevice : public WaveOutDevice {
public:
    VirtualDevice(VirtualDriver &driver, const WAVEFORMATEX &format) : WaveOutDevice(driver, format) {
        ++driver.openCount;
        service_.Attach();
    }

protected:
    uint64_t PlayedFrames(uint64_t now) override {
        if (!running_) return position_;
        return std::min(WrittenFrames(), runFrame_ + (now - runStart_) * Format().nSamplesPerSec / 1000);
    }

    void OnWrite(uint64_t now, uint64_t writtenBefore) override {
        if (running_ && runFrame_ + (now - runStart_) * Format().nSamplesPerSec / 1000 >= writtenBefore) {
            // The run had played everything before this write: it ended there.
            Record(writtenBefore);
            position_ = writtenBefore;
            running_ = false;
        }
        if (!running_ && !Paused()) StartRun(now);
    }
    void OnPause(uint64_t now) override {
        if (!running_) return;
        position_ = PlayedFrames(now);
        Record(position_);
        running_ = false;
    }
    void OnRestart(uint64_t now) override {
        if (position_ < WrittenFrames()) StartRun(now);
    }
    void BeforeDone(const Queued &entry) override { Record(entry.end); }
    void Wake() override { service_.Wake(); }

    void Service(std::unique_lock<std::mutex> &lock) override {
        uint64_t deadline = kClockNever;
        if (running_ && !Queue().empty()) {
            const uint64_t rate = Format().nSamplesPerSec;
            deadline = runStart_ + ((Queue().front().end - runFrame_) * 1000 + rate - 1) / rate;
        }
        service_.Wait(lock, deadline);
    }
    void Flush(std::unique_lock<std::mutex> &) override {
        OnPause(ClockNowLocked());
        position_ = WrittenFrames();
        recorded_ = position_;
    }
    void Finish(std::unique_lock<std::mutex> &) override {
        service_.Detach();
        --TheDriver().openCount;
    }

private:
    void StartRun(uint64_t now) {
        running_ = true;
        runStart_ = now;
        runFrame_ = position_;
    }
    // Keeps the frames played in the present run up to frame `upTo`, a
    // stretch per buffer.
    void Record(uint64_t upTo) {
        if (!running_) return;
        const WAVEFORMATEX &f = Format();
        for (const Queued &entry : Queue()) {
            const uint64_t from = std::max(recorded_, entry.begin);
            const uint64_t to = std::min(upTo, entry.end);
            if (from >= to) continue;
            const BYTE *data = reinterpret_cast<const BYTE *>(entry.header->lpData);
            kav::testing::PlayedAudio piece{
                Handle(),
                ClockToTimeGetTime(runStart_ + (from - runFrame_) * 1000 / f.nSamplesPerSec),
                f.nSamplesPerSec,
                f.wBitsPerSample,
                f.nChannels,
                TheDriver().volume,
                std::vector<BYTE>(data + (from - entry.begin) * f.nBlockAlign,
                                  data + (to - entry.begin) * f.nBlockAlign)};
            TheDriver().played.push_back(std::move(piece));
        }
        recorded_ = std::max(recorded_, upTo);
    }

    ClockService service_;
    bool running_ = false;
    uint64_t runStart_ = 0;  // clock time the run began
    uint64_t runFrame_ = 0;  // frame it began with
    uint64_t position_ = 0;  // frames played, while no run is on
    uint64_t recorded_ = 0;  // frames kept in the played record
};

MMRESULT VirtualDriver::Open(UINT, const WAVEFORMATEX &format, bool queryOnly,
                             std::shared_ptr<WaveOutDevice> *opened) {
    if (queryOnly) return MMSYSERR_NOERROR;
    std::lock_guard<std::mutex> lock(ClockLock());
    if (exclusive && openCount > 0) return MMSYSERR_ALLOCATED;
    try {
        *opened = std::make_shared<VirtualDevice>(*this, format);
    } catch (...) {
        return MMSYSERR_NOMEM;
    }
    return MMSYSERR_NOERROR;
}

}  // namespace

WaveOutDriver &VirtualWaveOutDriver() { return TheDriver(); }

}  // namespace kav::posix

namespace kav::testing {

std::vector<PlayedAudio> VirtualPlayed() {
    std::lock_guard<std::mutex> lock(kav::posix::ClockLock());
    return kav::posix::TheDriver().played;
}

void SetVirtualVolumeControl(bool offered) {
    std::lock_guard<std::mutex> lock(kav::posix::ClockLock());
    kav::posix::TheDriver().volumeControl = offered;
}

void SetVirtualExclusive(bool exclusive) {
    std::lock_guard<std::mutex> lock(kav::posix::ClockLock());
    kav::posix::TheDriver().exclusive = exclusive;
}

void ResetVirtualWaveOut() {
    FailNextWaveOutOpen(MMSYSERR_NOERROR);
    FailNextWaveOutWrite(MMSYSERR_NOERROR);
    std::lock_guard<std::mutex> lock(kav::posix::ClockLock());
    auto &driver = kav::posix::TheDriver();
    driver.played.clear();
    driver.volume = 0xFFFFFFFFu;
    driver.volumeControl = true;
    driver.exclusive = false;
}

}  // namespace kav::testing
