// Kernel objects behind HANDLE values on Linux.  A handle is a small number
// in a process-wide table that holds a reference to its object; an object
// lives while a handle or its own activity (a running thread) holds it.
// Other object kinds (files, mappings) join by deriving from KernelObject.
#pragma once

#include "platform/win32_types.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace kav::posix {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // WaitForSingleObject on this object: WAIT_OBJECT_0, WAIT_TIMEOUT, or
    // WAIT_FAILED with the last error set (objects that cannot be waited on).
    virtual DWORD Wait(DWORD dwMilliseconds);
};

// A new handle referring to the object; NULL (last error set) when the
// table is full.
HANDLE InsertHandle(std::shared_ptr<KernelObject> object);

// The object behind a handle, or null when the handle is not open.
std::shared_ptr<KernelObject> ReferenceHandle(HANDLE h);

template <typename T>
std::shared_ptr<T> ReferenceHandleAs(HANDLE h) {
    return std::dynamic_pointer_cast<T>(ReferenceHandle(h));
}

// GetCurrentThread's pseudo handle, resolved by ReferenceHandle.
inline HANDLE CurrentThreadPseudoHandle() { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(-2)); }

// Waits on a condition with a Windows time-out (INFINITE or milliseconds);
// returns the predicate's final value.
template <typename Predicate>
bool WaitWithTimeout(std::condition_variable &cv, std::unique_lock<std::mutex> &lock, DWORD dwMilliseconds,
                     Predicate ready) {
    if (dwMilliseconds == INFINITE) {
        cv.wait(lock, ready);
        return true;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(dwMilliseconds);
    return cv.wait_until(lock, deadline, ready);
}

}  // namespace kav::posix
