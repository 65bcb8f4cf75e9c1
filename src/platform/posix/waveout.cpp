// The wave-out functions: argument and handle checks with the results
// Windows gives, device choice, and the handle table.  Handles are opaque
// numbers from 0x10000 up, never reused, so a stale handle is refused and
// never mistaken for a device id.
#include "platform/posix/waveout_device.h"
#include "platform/waveout_testing.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>

namespace {

using kav::posix::ClockLock;
using kav::posix::WaveOutDevice;
using kav::posix::WaveOutDriver;
using DevicePtr = std::shared_ptr<WaveOutDevice>;

constexpr uintptr_t kFirstHandle = 0x10000;

struct HandleTable {
    std::unordered_map<HWAVEOUT, DevicePtr> open;
    uintptr_t next = kFirstHandle;
};

// Never destroyed: device threads may outlive main.
HandleTable &Handles() {
    static auto *table = new HandleTable();
    return *table;
}

std::atomic<MMRESULT> g_failOpen{MMSYSERR_NOERROR};
std::atomic<MMRESULT> g_failWrite{MMSYSERR_NOERROR};

// KAVREL_WAVEOUT picks the device kind; unset or unknown means ALSA when its
// default device opens, else none.
WaveOutDriver *ChosenDriver() {
    const char *choice = std::getenv("KAVREL_WAVEOUT");
    std::string_view name = choice != nullptr ? choice : "";
    if (name == "none") return nullptr;
    if (name == "virtual") return &kav::posix::VirtualWaveOutDriver();
    WaveOutDriver &alsa = kav::posix::AlsaWaveOutDriver();
    if (name == "alsa") return &alsa;
    return alsa.DeviceCount() > 0 ? &alsa : nullptr;
}

UINT DeviceCount(WaveOutDriver *driver) { return driver != nullptr ? driver->DeviceCount() : 0; }

// With ClockLock held: the open device behind a handle, or null.
DevicePtr Find(HWAVEOUT hwo) {
    auto it = Handles().open.find(hwo);
    if (it == Handles().open.end() || it->second->Closing()) return nullptr;
    return it->second;
}

bool ValidPcm(const WAVEFORMATEX &f) {
    if (f.wFormatTag != WAVE_FORMAT_PCM || f.nChannels < 1 || f.nChannels > 2) return false;
    if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return false;
    if (f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 192000) return false;
    const DWORD align = f.nChannels * f.wBitsPerSample / 8u;
    return f.nBlockAlign == align && f.nAvgBytesPerSec == f.nSamplesPerSec * align;
}

MMRESULT CheckHeader(const WAVEHDR *pwh, UINT cbwh) {
    if (pwh == nullptr || cbwh < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (pwh->lpData == nullptr && pwh->dwBufferLength > 0) return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

// A handle or, as Windows also allows for volume, a device id.
MMRESULT VolumeDriver(HWAVEOUT hwo, WaveOutDriver *chosen, UINT count, WaveOutDriver **driver) {
    if (DevicePtr device = Find(hwo)) {
        *driver = &device->Driver();
    } else if (reinterpret_cast<uintptr_t>(hwo) >= kFirstHandle) {
        return MMSYSERR_INVALHANDLE;
    } else if (reinterpret_cast<uintptr_t>(hwo) >= count) {
        return MMSYSERR_BADDEVICEID;
    } else {
        *driver = chosen;
    }
    return (*driver)->HasVolume() ? MMSYSERR_NOERROR : MMSYSERR_NOTSUPPORTED;
}

}  // namespace

UINT waveOutGetNumDevs() { return DeviceCount(ChosenDriver()); }

MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, LPWAVEOUTCAPSA pwoc, UINT cbwoc) {
    if (pwoc == nullptr) return MMSYSERR_INVALPARAM;
    WaveOutDriver *driver = ChosenDriver();
    const UINT count = DeviceCount(driver);
    const bool mapper = uDeviceID == WAVE_MAPPER || uDeviceID == static_cast<UINT_PTR>(-1);
    if (mapper && count == 0) return MMSYSERR_NODRIVER;
    if (!mapper && uDeviceID >= count) return MMSYSERR_BADDEVICEID;
    WAVEOUTCAPSA caps{};
    {
        std::lock_guard<std::mutex> lock(ClockLock());
        driver->GetCaps(mapper ? 0 : static_cast<UINT>(uDeviceID), &caps);
    }
    std::memcpy(pwoc, &caps, std::min<size_t>(cbwoc, sizeof caps));
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutOpen(LPHWAVEOUT phwo, UINT uDeviceID, LPCWAVEFORMATEX pwfx, DWORD_PTR dwCallback,
                     DWORD_PTR dwInstance, DWORD fdwOpen) {
    const DWORD callbackType = fdwOpen & CALLBACK_TYPEMASK;
    // Window, thread and event notifications are not offered: the engine
    // asks for a function.
    if (callbackType != CALLBACK_NULL && callbackType != CALLBACK_FUNCTION) return MMSYSERR_INVALFLAG;
    const bool query = (fdwOpen & WAVE_FORMAT_QUERY) != 0;
    if (pwfx == nullptr || (!query && phwo == nullptr)) return MMSYSERR_INVALPARAM;
    WaveOutDriver *driver = ChosenDriver();
    const UINT count = DeviceCount(driver);
    if (count == 0) return uDeviceID == WAVE_MAPPER ? MMSYSERR_NODRIVER : MMSYSERR_BADDEVICEID;
    if (uDeviceID != WAVE_MAPPER && uDeviceID >= count) return MMSYSERR_BADDEVICEID;
    if (!ValidPcm(*pwfx)) return WAVERR_BADFORMAT;
    if (!query) {
        const MMRESULT forced = g_failOpen.exchange(MMSYSERR_NOERROR);
        if (forced != MMSYSERR_NOERROR) return forced;
    }
    DevicePtr device;
    const MMRESULT result = driver->Open(uDeviceID == WAVE_MAPPER ? 0 : uDeviceID, *pwfx, query, &device);
    if (result != MMSYSERR_NOERROR || query) return result;

    std::unique_lock<std::mutex> lock(ClockLock());
    HandleTable &table = Handles();
    const auto hwo = reinterpret_cast<HWAVEOUT>(table.next);
    try {
        table.open.emplace(hwo, device);
    } catch (...) {
        device->Abandon(lock);
        return MMSYSERR_NOMEM;
    }
    table.next += 16;
    *phwo = hwo;
    const MMRESULT started = device->Start(lock, hwo, uDeviceID,
                                           callbackType == CALLBACK_FUNCTION ? dwCallback : 0, dwInstance);
    if (started != MMSYSERR_NOERROR) {
        table.open.erase(hwo);
        *phwo = nullptr;
    }
    return started;
}

MMRESULT waveOutClose(HWAVEOUT hwo) {
    std::unique_lock<std::mutex> lock(ClockLock());
    DevicePtr device = Find(hwo);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    const MMRESULT result = device->Close(lock);
    if (result == MMSYSERR_NOERROR) Handles().open.erase(hwo);
    return result;
}

MMRESULT waveOutPrepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    std::lock_guard<std::mutex> lock(ClockLock());
    if (Find(hwo) == nullptr) return MMSYSERR_INVALHANDLE;
    if (MMRESULT bad = CheckHeader(pwh, cbwh)) return bad;
    pwh->dwFlags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutUnprepareHeader(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    std::lock_guard<std::mutex> lock(ClockLock());
    if (Find(hwo) == nullptr) return MMSYSERR_INVALHANDLE;
    if (pwh == nullptr || cbwh < sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
    if (pwh->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    pwh->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutWrite(HWAVEOUT hwo, LPWAVEHDR pwh, UINT cbwh) {
    std::lock_guard<std::mutex> lock(ClockLock());
    DevicePtr device = Find(hwo);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (MMRESULT bad = CheckHeader(pwh, cbwh)) return bad;
    if (!(pwh->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (pwh->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    const MMRESULT forced = g_failWrite.exchange(MMSYSERR_NOERROR);
    if (forced != MMSYSERR_NOERROR) return forced;
    return device->Write(pwh);
}

MMRESULT waveOutPause(HWAVEOUT hwo) {
    std::lock_guard<std::mutex> lock(ClockLock());
    DevicePtr device = Find(hwo);
    return device != nullptr ? device->Pause() : MMSYSERR_INVALHANDLE;
}

MMRESULT waveOutRestart(HWAVEOUT hwo) {
    std::lock_guard<std::mutex> lock(ClockLock());
    DevicePtr device = Find(hwo);
    return device != nullptr ? device->Restart() : MMSYSERR_INVALHANDLE;
}

MMRESULT waveOutReset(HWAVEOUT hwo) {
    std::unique_lock<std::mutex> lock(ClockLock());
    DevicePtr device = Find(hwo);
    return device != nullptr ? device->Reset(lock) : MMSYSERR_INVALHANDLE;
}

MMRESULT waveOutGetPosition(HWAVEOUT hwo, LPMMTIME pmmt, UINT cbmmt) {
    std::lock_guard<std::mutex> lock(ClockLock());
    DevicePtr device = Find(hwo);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (pmmt == nullptr || cbmmt < sizeof(MMTIME)) return MMSYSERR_INVALPARAM;
    const uint64_t frames = device->Position();
    const WAVEFORMATEX &f = device->Format();
    switch (pmmt->wType) {
    case TIME_SAMPLES: pmmt->u.sample = static_cast<DWORD>(frames); break;
    case TIME_MS: pmmt->u.ms = static_cast<DWORD>(frames * 1000 / f.nSamplesPerSec); break;
    default:  // a format the device does not keep: answered in bytes, as Windows does
        pmmt->wType = TIME_BYTES;
        pmmt->u.cb = static_cast<DWORD>(frames * f.nBlockAlign);
        break;
    }
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetID(HWAVEOUT hwo, LPUINT puDeviceID) {
    std::lock_guard<std::mutex> lock(ClockLock());
    DevicePtr device = Find(hwo);
    if (device == nullptr) return MMSYSERR_INVALHANDLE;
    if (puDeviceID == nullptr) return MMSYSERR_INVALPARAM;
    *puDeviceID = device->OpenedId();
    return MMSYSERR_NOERROR;
}

namespace {
// Runs `use` on the driver whose volume a handle or device id names, under
// the clock lock; the driver's own error when it names none.
template <typename Use>
MMRESULT WithVolumeDriver(HWAVEOUT hwo, Use use) {
    WaveOutDriver *chosen = ChosenDriver();
    const UINT count = DeviceCount(chosen);
    std::lock_guard<std::mutex> lock(ClockLock());
    WaveOutDriver *driver = nullptr;
    if (MMRESULT bad = VolumeDriver(hwo, chosen, count, &driver)) return bad;
    return use(driver);
}
}  // namespace

MMRESULT waveOutGetVolume(HWAVEOUT hwo, LPDWORD pdwVolume) {
    return WithVolumeDriver(hwo, [&](WaveOutDriver *driver) -> MMRESULT {
        if (pdwVolume == nullptr) return MMSYSERR_INVALPARAM;
        *pdwVolume = driver->volume;
        return MMSYSERR_NOERROR;
    });
}

MMRESULT waveOutSetVolume(HWAVEOUT hwo, DWORD dwVolume) {
    return WithVolumeDriver(hwo, [&](WaveOutDriver *driver) -> MMRESULT {
        driver->volume = dwVolume;
        return MMSYSERR_NOERROR;
    });
}

namespace kav::testing {
void FailNextWaveOutOpen(MMRESULT result) { g_failOpen.store(result); }
void FailNextWaveOutWrite(MMRESULT result) { g_failWrite.store(result); }
}  // namespace kav::testing
