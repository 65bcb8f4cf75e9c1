// The countdown behind the platform's fault seams: armed with N, it makes the
// Nth operation from then on fail, counts those it lets through, and then
// disarms itself.  Safe to use from any thread.
#pragma once

#include <atomic>

namespace kav::posix {

class FaultCountdown {
public:
    void Arm(long n) {
        passed_.store(0);
        countdown_.store(n > 0 ? n : 0);
    }
    long Passed() const { return passed_.load(); }
    // True when this operation is the one that must fail.
    bool Fire() {
        long n = countdown_.load(std::memory_order_relaxed);
        while (n > 0) {
            if (countdown_.compare_exchange_weak(n, n - 1)) {
                if (n == 1) return true;
                passed_.fetch_add(1);
                return false;
            }
        }
        return false;
    }

private:
    std::atomic<long> countdown_{0};
    std::atomic<long> passed_{0};
};

}  // namespace kav::posix
