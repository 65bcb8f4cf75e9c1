// Wave output through ALSA (its "default" device unless told otherwise).  The device thread feeds the
// written buffers to ALSA a period at a time and counts a frame as played
// once ALSA's delay says it has left the speaker, so WOM_DONE follows the
// sound.  ALSA's own buffer is kept short (about 100 ms) for the same reason.
// Volume is applied to the samples on their way out: the engine sees a
// device that sets its own volume, and the system mixer is left alone.
// Pausing uses the card's pause where it has one; elsewhere the frames
// queued in ALSA when the pause comes are dropped (at most its buffer's
// length, 100 ms) and count as played.
#include "platform/posix/waveout_device.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kav::posix {
namespace {

// KAVREL_ALSA_PCM names another ALSA device than "default" (a card, or
// "null" to run this code without one).
std::string PcmName() {
    const char *name = std::getenv("KAVREL_ALSA_PCM");
    return name != nullptr && *name != '\0' ? name : "default";
}

void SilentAlsaErrors(const char *, int, const char *, int, const char *, ...) {}

MMRESULT OpenResult(int err) {
    switch (err) {
    case -EBUSY: return MMSYSERR_ALLOCATED;
    case -ENOMEM: return MMSYSERR_NOMEM;
    default: return MMSYSERR_NODRIVER;
    }
}

struct PcmSetup {
    snd_pcm_t *pcm = nullptr;
    snd_pcm_uframes_t period = 0;
    bool canPause = false;
};

// Opens and configures the PCM for the format: exact rate (ALSA resamples
// if the card needs it), short buffer, playback starting after one period.
MMRESULT OpenPcm(const WAVEFORMATEX &format, PcmSetup *setup) {
    snd_pcm_t *pcm = nullptr;
    int err = snd_pcm_open(&pcm, PcmName().c_str(), SND_PCM_STREAM_PLAYBACK, 0);
    if (err < 0) return OpenResult(err);
    snd_pcm_hw_params_t *hw = nullptr;
    snd_pcm_sw_params_t *sw = nullptr;
    MMRESULT result = MMSYSERR_NOMEM;
    if (snd_pcm_hw_params_malloc(&hw) == 0 && snd_pcm_sw_params_malloc(&sw) == 0) {
        unsigned bufferUs = 100000, periodUs = 25000;
        result = WAVERR_BADFORMAT;
        if (snd_pcm_hw_params_any(pcm, hw) >= 0 && snd_pcm_hw_params_set_rate_resample(pcm, hw, 1) >= 0 &&
            snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) >= 0 &&
            snd_pcm_hw_params_set_format(pcm, hw,
                                         format.wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE) >= 0 &&
            snd_pcm_hw_params_set_channels(pcm, hw, format.nChannels) >= 0 &&
            snd_pcm_hw_params_set_rate(pcm, hw, format.nSamplesPerSec, 0) >= 0) {
            result = MMSYSERR_ERROR;
            snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &bufferUs, nullptr);
            snd_pcm_hw_params_set_period_time_near(pcm, hw, &periodUs, nullptr);
            if (snd_pcm_hw_params(pcm, hw) >= 0 && snd_pcm_hw_params_get_period_size(hw, &setup->period, nullptr) >= 0 &&
                snd_pcm_sw_params_current(pcm, sw) >= 0 &&
                snd_pcm_sw_params_set_start_threshold(pcm, sw, setup->period) >= 0 && snd_pcm_sw_params(pcm, sw) >= 0) {
                setup->canPause = snd_pcm_hw_params_can_pause(hw) == 1;
                result = MMSYSERR_NOERROR;
            }
        }
    }
    if (hw != nullptr) snd_pcm_hw_params_free(hw);
    if (sw != nullptr) snd_pcm_sw_params_free(sw);
    if (result != MMSYSERR_NOERROR || setup->period == 0) {
        snd_pcm_close(pcm);
        return result != MMSYSERR_NOERROR ? result : MMSYSERR_ERROR;
    }
    setup->pcm = pcm;
    return MMSYSERR_NOERROR;
}

// Scales samples by the device volume (0xFFFF: unchanged) into out.
void ApplyVolume(const WAVEFORMATEX &f, DWORD volume, const BYTE *in, size_t frames, std::vector<BYTE> *out) {
    const size_t bytes = frames * f.nBlockAlign;
    out->assign(in, in + bytes);
    const uint32_t gain[2] = {volume & 0xFFFFu, volume >> 16};
    if (gain[0] == 0xFFFFu && (f.nChannels == 1 || gain[1] == 0xFFFFu)) return;
    BYTE *p = out->data();
    for (size_t i = 0; i < frames * f.nChannels; ++i) {
        const int64_t g = gain[f.nChannels == 2 ? i % 2 : 0];
        if (f.wBitsPerSample == 8) {
            p[i] = static_cast<BYTE>(128 + (static_cast<int64_t>(p[i]) - 128) * g / 0xFFFF);
        } else {
            int16_t s;
            std::memcpy(&s, p + 2 * i, 2);
            s = static_cast<int16_t>(s * g / 0xFFFF);
            std::memcpy(p + 2 * i, &s, 2);
        }
    }
}

class AlsaDriver : public WaveOutDriver {
public:
    // One device when it opens; probed once per device name.
    UINT DeviceCount() override {
        const std::string name = PcmName();
        std::lock_guard<std::mutex> lock(probeLock_);
        auto known = probed_.find(name);
        if (known != probed_.end()) return known->second;
        // A machine without a card is normal here: keep ALSA quiet.
        snd_lib_error_set_handler(SilentAlsaErrors);
        snd_pcm_t *pcm = nullptr;
        UINT count = 0;
        if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) == 0) {
            snd_pcm_close(pcm);
            count = 1;
        }
        snd_lib_error_set_handler(nullptr);
        probed_[name] = count;
        return count;
    }
    void GetCaps(UINT, WAVEOUTCAPSA *caps) override {
        caps->wMid = 0;
        caps->wPid = 0;
        caps->vDriverVersion = 0x0100;
        std::snprintf(caps->szPname, MAXPNAMELEN, "ALSA %s", PcmName().c_str());
        caps->dwFormats = 0x00000FFFu;
        caps->wChannels = 2;
        caps->dwSupport = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME;
    }
    MMRESULT Open(UINT, const WAVEFORMATEX &format, bool queryOnly,
                  std::shared_ptr<WaveOutDevice> *opened) override;
    bool HasVolume() override { return true; }

private:
    std::mutex probeLock_;
    std::map<std::string, UINT> probed_;
};

class AlsaDevice : public WaveOutDevice {
public:
    AlsaDevice(AlsaDriver &driver, const WAVEFORMATEX &format, const PcmSetup &setup)
        : WaveOutDevice(driver, format), pcm_(setup.pcm), period_(setup.period), canPause_(setup.canPause) {}
    ~AlsaDevice() override {
        if (pcm_ != nullptr) snd_pcm_close(pcm_);
    }

protected:
    uint64_t PlayedFrames(uint64_t) override { return played_; }
    void OnWrite(uint64_t, uint64_t) override {}
    void OnPause(uint64_t) override {}
    void OnRestart(uint64_t) override {}
    void Wake() override {
        woken_ = true;
        wake_.notify_all();
    }

    void Service(std::unique_lock<std::mutex> &lock) override {
        if (Paused() != pcmPaused_) {
            ApplyPause(lock);
        } else if (!Paused() && fed_ < WrittenFrames()) {
            Feed(lock);
        } else if (!Paused() && played_ < fed_) {
            // The last frames are in ALSA: make sure it plays them, and watch.
            if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) snd_pcm_start(pcm_);
            lock.unlock();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            lock.lock();
            UpdatePlayed();
        } else {
            wake_.wait(lock, [this] { return woken_; });
            woken_ = false;
        }
    }
    void Flush(std::unique_lock<std::mutex> &lock) override {
        lock.unlock();
        snd_pcm_drop(pcm_);
        snd_pcm_prepare(pcm_);
        lock.lock();
        fed_ = played_ = WrittenFrames();
        pcmPaused_ = false;
    }
    void Finish(std::unique_lock<std::mutex> &lock) override {
        snd_pcm_t *pcm = pcm_;
        pcm_ = nullptr;
        lock.unlock();
        if (pcm != nullptr) snd_pcm_close(pcm);
        lock.lock();
    }

private:
    void UpdatePlayed() {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_delay(pcm_, &delay) < 0 || delay < 0) delay = 0;  // stopped: all played
        const uint64_t inAlsa = std::min<uint64_t>(static_cast<uint64_t>(delay), fed_);
        played_ = std::max(played_, fed_ - inAlsa);
    }

    // Only a running stream needs stopping: one that has not started keeps
    // its frames, as feeding stops while paused anyway.
    void ApplyPause(std::unique_lock<std::mutex> &lock) {
        const bool pause = Paused();
        lock.unlock();
        bool dropped = false;
        const snd_pcm_state_t state = snd_pcm_state(pcm_);
        if (pause && state == SND_PCM_STATE_RUNNING) {
            if (!canPause_ || snd_pcm_pause(pcm_, 1) < 0) {
                snd_pcm_drop(pcm_);
                snd_pcm_prepare(pcm_);
                dropped = true;
            }
        } else if (!pause && state == SND_PCM_STATE_PAUSED) {
            if (snd_pcm_pause(pcm_, 0) < 0) snd_pcm_prepare(pcm_);
        }
        lock.lock();
        pcmPaused_ = pause;
        if (dropped) played_ = fed_;
    }

    // Hands ALSA up to one period from the buffer at the feed point.
    void Feed(std::unique_lock<std::mutex> &lock) {
        const Queued *entry = nullptr;
        for (const Queued &q : Queue())
            if (q.begin <= fed_ && fed_ < q.end) entry = &q;
        if (entry == nullptr) {  // only empty buffers are waiting
            fed_ = WrittenFrames();
            return;
        }
        const WAVEFORMATEX &f = Format();
        const size_t frames = static_cast<size_t>(std::min<uint64_t>(period_, entry->end - fed_));
        const BYTE *data = reinterpret_cast<const BYTE *>(entry->header->lpData) + (fed_ - entry->begin) * f.nBlockAlign;
        ApplyVolume(f, Driver().volume, data, frames, &scratch_);
        lock.unlock();
        const BYTE *p = scratch_.data();
        size_t left = frames;
        while (left > 0) {
            snd_pcm_sframes_t n = snd_pcm_writei(pcm_, p, left);
            if (n < 0) {
                if (snd_pcm_recover(pcm_, static_cast<int>(n), 1) < 0) break;  // lost: counts as played
                continue;
            }
            p += static_cast<size_t>(n) * f.nBlockAlign;
            left -= static_cast<size_t>(n);
        }
        lock.lock();
        fed_ += frames;
        UpdatePlayed();
    }

    snd_pcm_t *pcm_;
    const snd_pcm_uframes_t period_;
    const bool canPause_;
    bool pcmPaused_ = false;
    bool woken_ = false;
    std::condition_variable wake_;
    uint64_t fed_ = 0;     // frames handed to ALSA
    uint64_t played_ = 0;  // frames that have left it
    std::vector<BYTE> scratch_;
};

MMRESULT AlsaDriver::Open(UINT, const WAVEFORMATEX &format, bool queryOnly,
                          std::shared_ptr<WaveOutDevice> *opened) {
    PcmSetup setup;
    MMRESULT result = OpenPcm(format, &setup);
    if (result != MMSYSERR_NOERROR) return result;
    if (queryOnly) {
        snd_pcm_close(setup.pcm);
        return MMSYSERR_NOERROR;
    }
    try {
        *opened = std::make_shared<AlsaDevice>(*this, format, setup);
    } catch (...) {
        snd_pcm_close(setup.pcm);
        return MMSYSERR_NOMEM;
    }
    return MMSYSERR_NOERROR;
}

AlsaDriver &Driver() {
    static auto *driver = new AlsaDriver();
    return *driver;
}

}  // namespace

WaveOutDriver &AlsaWaveOutDriver() { return Driver(); }

}  // namespace kav::posix
