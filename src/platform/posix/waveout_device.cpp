// An open wave-out handle: its queue of buffers and its device thread.  The
// thread completes buffers in the order they were written, as the backend
// reports frames played, and is the only thread that calls the client back.
#include "platform/posix/waveout_device.h"

namespace kav::posix {

WaveOutDevice::WaveOutDevice(WaveOutDriver &driver, const WAVEFORMATEX &format)
    : driver_(driver), format_(format) {}

WaveOutDevice::~WaveOutDevice() {
    if (thread_.joinable()) thread_.detach();  // only when the handle was never closed
}

MMRESULT WaveOutDevice::Start(std::unique_lock<std::mutex> &lock, HWAVEOUT handle, UINT openedId,
                              DWORD_PTR callback, DWORD_PTR instance) {
    handle_ = handle;
    openedId_ = openedId;
    callback_ = reinterpret_cast<LPWAVECALLBACK>(callback);
    instance_ = instance;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (...) {
        Finish(lock);
        return MMSYSERR_NOMEM;
    }
    threadId_ = thread_.get_id();
    changed_.wait(lock, [this] { return opened_; });
    return MMSYSERR_NOERROR;
}

void WaveOutDevice::Notify(UINT message, DWORD_PTR param) {
    if (callback_ != nullptr) callback_(handle_, message, instance_, param, 0);
}

// Marks the first queued buffer done and hands it back; the lock is
// released during the callback, which may unprepare or free the buffer.
void WaveOutDevice::ReturnFront(std::unique_lock<std::mutex> &lock) {
    WAVEHDR *header = queue_.front().header;
    queue_.pop_front();
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    lock.unlock();
    Notify(WOM_DONE, reinterpret_cast<DWORD_PTR>(header));
    lock.lock();
}

void WaveOutDevice::Run() {
    std::unique_lock<std::mutex> lock(ClockLock());
    lock.unlock();
    Notify(WOM_OPEN, 0);
    lock.lock();
    opened_ = true;
    changed_.notify_all();
    for (;;) {
        if (resetRequested_) {
            Flush(lock);
            // Buffers written while the callbacks run are not part of the reset.
            for (size_t n = queue_.size(); n > 0 && !queue_.empty(); --n) ReturnFront(lock);
            positionBase_ = PlayedFrames(ClockNowLocked());
            resetRequested_ = false;
            changed_.notify_all();
            continue;
        }
        if (closing_ && queue_.empty()) break;
        if (!queue_.empty() && queue_.front().end <= PlayedFrames(ClockNowLocked())) {
            BeforeDone(queue_.front());
            ReturnFront(lock);
            continue;
        }
        Service(lock);
    }
    Finish(lock);
    lock.unlock();
    Notify(WOM_CLOSE, 0);
}

MMRESULT WaveOutDevice::Write(WAVEHDR *header) {
    const uint64_t frames = header->dwBufferLength / format_.nBlockAlign;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    const uint64_t before = written_;
    queue_.push_back(Queued{header, written_, written_ + frames});
    written_ += frames;
    OnWrite(ClockNowLocked(), before);
    Wake();
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Pause() {
    if (!paused_) {
        paused_ = true;
        OnPause(ClockNowLocked());
        Wake();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Restart() {
    if (paused_) {
        paused_ = false;
        OnRestart(ClockNowLocked());
        Wake();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Reset(std::unique_lock<std::mutex> &lock) {
    if (OnDeviceThread()) return MMSYSERR_HANDLEBUSY;
    resetRequested_ = true;
    Wake();
    changed_.wait(lock, [this] { return !resetRequested_; });
    return MMSYSERR_NOERROR;
}

MMRESULT WaveOutDevice::Close(std::unique_lock<std::mutex> &lock) {
    if (OnDeviceThread()) return MMSYSERR_HANDLEBUSY;
    if (!queue_.empty() || resetRequested_) return WAVERR_STILLPLAYING;
    closing_ = true;
    Wake();
    lock.unlock();
    thread_.join();
    lock.lock();
    return MMSYSERR_NOERROR;
}

uint64_t WaveOutDevice::Position() { return PlayedFrames(ClockNowLocked()) - positionBase_; }

}  // namespace kav::posix
