// The platform clock.  Real mode reads the monotonic system clock; manual
// mode holds a reading that only AdvanceClock moves.  Every wait on the clock
// (sleepers and services) is registered here so that a manual advance knows
// the next due time and can wake exactly the waiters it reaches.
#include "platform/posix/clock.h"

#include "platform/clock_testing.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace kav::posix {

struct Sleeper {
    uint64_t deadline;
    bool woken;
    std::condition_variable cv;
};

struct ClockState {
    std::mutex lock;
    std::condition_variable servicesIdle;
    bool manual = false;
    uint64_t manualNow = 0;
    int64_t realOffset = 0;        // keeps the clock monotonic across mode changes
    std::atomic<uint64_t> timeGetTimeShift{0};  // added to what timeGetTime reads
    std::vector<ClockService *> services;
    std::vector<Sleeper *> sleepers;

    static uint64_t SteadyMs() {
        using namespace std::chrono;
        return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    uint64_t Now() const { return manual ? manualNow : SteadyMs() + static_cast<uint64_t>(realOffset); }
    std::chrono::steady_clock::time_point RealPoint(uint64_t deadline) const {
        return std::chrono::steady_clock::time_point(
            std::chrono::milliseconds(static_cast<int64_t>(deadline) - realOffset));
    }
    void WakeService(ClockService *s) {
        s->woken_ = true;
        s->idle_ = false;
        s->cv_.notify_all();
    }
    // A mode change alters every pending wait: all waiters look again.
    void WakeAll() {
        for (ClockService *s : services) WakeService(s);
        for (Sleeper *s : sleepers) s->cv.notify_all();
    }
    // Moves the manual clock from one due time to the next up to ms ahead,
    // waking what falls due and waiting at each step until the services
    // are idle again.
    void Advance(std::unique_lock<std::mutex> &held, DWORD ms) {
        if (!manual) return;
        const uint64_t target = manualNow + ms;
        for (;;) {
            servicesIdle.wait(held, [&] { return !manual || AllIdle(); });
            if (!manual) return;
            uint64_t next = kClockNever;
            for (const auto *s : services) next = std::min(next, s->deadline_);
            for (const auto *s : sleepers)
                if (!s->woken) next = std::min(next, s->deadline);
            if (next > target) {
                manualNow = target;
                return;
            }
            manualNow = std::max(manualNow, next);
            for (auto *s : services)
                if (s->deadline_ <= manualNow) WakeService(s);
            for (auto *s : sleepers) {
                if (!s->woken && s->deadline <= manualNow) {
                    s->woken = true;
                    s->cv.notify_all();
                }
            }
        }
    }
    bool AllIdle() const {
        return std::all_of(services.begin(), services.end(), [](const ClockService *s) { return s->idle_; });
    }
};

namespace {
// Never destroyed: threads may still wait on it while the process exits.
ClockState &State() {
    static auto *state = new ClockState();
    return *state;
}
}  // namespace

std::mutex &ClockLock() { return State().lock; }
uint64_t ClockNowLocked() { return State().Now(); }

uint64_t ClockNowMs() {
    std::lock_guard<std::mutex> lock(ClockLock());
    return State().Now();
}

DWORD ClockToTimeGetTime(uint64_t clockMs) {
    return static_cast<DWORD>(clockMs + State().timeGetTimeShift);
}

void ClockSleep(DWORD ms) {
    if (ms == 0) {
        std::this_thread::yield();
        return;
    }
    ClockState &st = State();
    std::unique_lock<std::mutex> lock(st.lock);
    Sleeper self{ms == INFINITE ? kClockNever : st.Now() + ms, false, {}};
    st.sleepers.push_back(&self);
    while (self.deadline == kClockNever || st.Now() < self.deadline) {
        if (st.manual || self.deadline == kClockNever)
            self.cv.wait(lock);
        else
            self.cv.wait_until(lock, st.RealPoint(self.deadline));
    }
    st.sleepers.erase(std::find(st.sleepers.begin(), st.sleepers.end(), &self));
}

void ClockService::Attach() {
    if (attached_) return;
    attached_ = true;
    idle_ = false;
    State().services.push_back(this);
}

void ClockService::Detach() {
    if (!attached_) return;
    attached_ = false;
    auto &list = State().services;
    list.erase(std::find(list.begin(), list.end(), this));
    State().servicesIdle.notify_all();
}

void ClockService::Wait(std::unique_lock<std::mutex> &lock, uint64_t deadline) {
    ClockState &st = State();
    if (!woken_ && deadline > st.Now()) {
        deadline_ = deadline;
        idle_ = true;
        st.servicesIdle.notify_all();
        while (!woken_) {
            if (st.manual || deadline == kClockNever) {
                cv_.wait(lock);
            } else if (cv_.wait_until(lock, st.RealPoint(deadline)) == std::cv_status::timeout) {
                break;
            }
        }
    }
    woken_ = false;
    idle_ = false;
    deadline_ = kClockNever;
}

void ClockService::Wake() { State().WakeService(this); }

}  // namespace kav::posix

namespace kav::testing {

using kav::posix::ClockState;

void UseManualClock() {
    ClockState &st = kav::posix::State();
    std::lock_guard<std::mutex> lock(st.lock);
    if (st.manual) return;
    st.manualNow = st.Now();
    st.manual = true;
    st.WakeAll();
}

void UseManualClock(DWORD timeGetTimeNow) {
    UseManualClock();
    ClockState &st = kav::posix::State();
    std::lock_guard<std::mutex> lock(st.lock);
    st.timeGetTimeShift = static_cast<uint64_t>(timeGetTimeNow) - st.manualNow;
}

void UseRealClock() {
    ClockState &st = kav::posix::State();
    std::lock_guard<std::mutex> lock(st.lock);
    st.timeGetTimeShift = 0;
    if (!st.manual) return;
    int64_t needed = static_cast<int64_t>(st.manualNow - ClockState::SteadyMs());
    st.realOffset = std::max(st.realOffset, needed);
    st.manual = false;
    st.WakeAll();
}

bool ManualClockActive() {
    std::lock_guard<std::mutex> lock(kav::posix::ClockLock());
    return kav::posix::State().manual;
}

void AdvanceClock(DWORD ms) {
    ClockState &st = kav::posix::State();
    std::unique_lock<std::mutex> lock(st.lock);
    st.Advance(lock, ms);
}

}  // namespace kav::testing
