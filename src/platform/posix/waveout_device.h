// The inside of wave output: a driver per device kind (ALSA, virtual), and
// one WaveOutDevice per open handle.  The device object keeps the queue of
// written buffers and runs the device thread that completes them and calls
// the client back; a backend supplies how frames are played (against the
// platform clock, or through ALSA).  All state is guarded by ClockLock.
#pragma once

#include "platform/posix/clock.h"
#include "platform/win32_wave.h"

#include <deque>
#include <memory>
#include <thread>

namespace kav::posix {

class WaveOutDevice;

class WaveOutDriver {
public:
    virtual ~WaveOutDriver() = default;
    // Not under ClockLock: probing a card may take a while.
    virtual UINT DeviceCount() = 0;
    // With ClockLock held, for device < DeviceCount().
    virtual void GetCaps(UINT device, WAVEOUTCAPSA *caps) = 0;
    // Opens the device for the (already checked) PCM format, without
    // ClockLock held.  With queryOnly, only says whether it could; else
    // makes an unstarted device, which must be started (or Start fails).
    virtual MMRESULT Open(UINT device, const WAVEFORMATEX &format, bool queryOnly,
                          std::shared_ptr<WaveOutDevice> *opened) = 0;
    // With ClockLock held.
    virtual bool HasVolume() = 0;
    // The device volume, kept across handles; guarded by ClockLock.
    DWORD volume = 0xFFFFFFFFu;
};

WaveOutDriver &VirtualWaveOutDriver();
WaveOutDriver &AlsaWaveOutDriver();

class WaveOutDevice {
public:
    WaveOutDevice(WaveOutDriver &driver, const WAVEFORMATEX &format);
    virtual ~WaveOutDevice();
    WaveOutDevice(const WaveOutDevice &) = delete;
    WaveOutDevice &operator=(const WaveOutDevice &) = delete;

    // The API side.  Each is called with ClockLock held (lock); those that
    // wait for the device thread release it meanwhile.
    MMRESULT Start(std::unique_lock<std::mutex> &lock, HWAVEOUT handle, UINT openedId, DWORD_PTR callback,
                   DWORD_PTR instance);
    // Releases a device that will not be started.
    void Abandon(std::unique_lock<std::mutex> &lock) { Finish(lock); }
    MMRESULT Write(WAVEHDR *header);
    MMRESULT Pause();
    MMRESULT Restart();
    MMRESULT Reset(std::unique_lock<std::mutex> &lock);
    MMRESULT Close(std::unique_lock<std::mutex> &lock);
    uint64_t Position();  // frames since open or reset
    bool Closing() const { return closing_; }
    UINT OpenedId() const { return openedId_; }
    const WAVEFORMATEX &Format() const { return format_; }
    WaveOutDriver &Driver() const { return driver_; }

protected:
    struct Queued {
        WAVEHDR *header;
        uint64_t begin, end;  // its frames, counted over all frames ever written
    };
    const std::deque<Queued> &Queue() const { return queue_; }
    uint64_t WrittenFrames() const { return written_; }
    bool Paused() const { return paused_; }
    HWAVEOUT Handle() const { return handle_; }

    // Backend hooks, with ClockLock held.  These run on whichever thread
    // made the request and must not block:
    virtual void OnWrite(uint64_t now, uint64_t writtenBefore) = 0;
    virtual void OnPause(uint64_t now) = 0;
    virtual void OnRestart(uint64_t now) = 0;
    virtual uint64_t PlayedFrames(uint64_t now) = 0;  // over all frames ever written
    virtual void Wake() = 0;                          // device thread: look again
    // These run on the device thread and may release the lock meanwhile:
    virtual void BeforeDone(const Queued &) {}
    virtual void Service(std::unique_lock<std::mutex> &lock) = 0;  // play on or wait
    virtual void Flush(std::unique_lock<std::mutex> &lock) = 0;    // drop what is unplayed
    virtual void Finish(std::unique_lock<std::mutex> &lock) = 0;   // the device thread ends

private:
    void Run();
    void Notify(UINT message, DWORD_PTR param);
    void ReturnFront(std::unique_lock<std::mutex> &lock);
    bool OnDeviceThread() const { return std::this_thread::get_id() == threadId_; }

    WaveOutDriver &driver_;
    const WAVEFORMATEX format_;
    HWAVEOUT handle_ = nullptr;
    UINT openedId_ = 0;
    LPWAVECALLBACK callback_ = nullptr;
    DWORD_PTR instance_ = 0;

    std::deque<Queued> queue_;
    uint64_t written_ = 0;
    uint64_t positionBase_ = 0;
    bool paused_ = false;
    bool resetRequested_ = false;
    bool closing_ = false;
    bool opened_ = false;
    std::condition_variable changed_;  // for requests that wait on the device thread
    std::thread thread_;
    std::thread::id threadId_;
};

}  // namespace kav::posix
