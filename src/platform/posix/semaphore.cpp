// Semaphores, named within the process.  The name table holds weak
// references: a name is free again once every handle to its semaphore is
// closed, as on Windows.
#include "platform/posix/kernel_object.h"
#include "platform/win32_error.h"
#include "platform/win32_sync.h"

#include <map>
#include <string>

namespace kav::posix {
namespace {

struct Semaphore : KernelObject {
    std::mutex lock;
    std::condition_variable released;
    LONG count = 0;
    LONG maximum = 1;

    DWORD Wait(DWORD dwMilliseconds) override {
        std::unique_lock<std::mutex> guard(lock);
        if (!WaitWithTimeout(released, guard, dwMilliseconds, [this] { return count > 0; })) return WAIT_TIMEOUT;
        --count;
        return WAIT_OBJECT_0;
    }
};

std::mutex g_namesLock;
std::map<std::string, std::weak_ptr<Semaphore>> &Names() {
    static auto *table = new std::map<std::string, std::weak_ptr<Semaphore>>();
    return *table;
}

// A handle to the live semaphore of that name, or NULL.  Call with
// g_namesLock held.
HANDLE OpenByName(const char *name) {
    auto it = Names().find(name);
    if (it == Names().end()) return nullptr;
    std::shared_ptr<Semaphore> existing = it->second.lock();
    if (existing == nullptr) {
        Names().erase(it);
        return nullptr;
    }
    return InsertHandle(std::move(existing));
}

}  // namespace
}  // namespace kav::posix

using kav::posix::Semaphore;

HANDLE CreateSemaphoreA(LPSECURITY_ATTRIBUTES, LONG lInitialCount, LONG lMaximumCount, LPCSTR lpName) {
    if (lMaximumCount <= 0 || lInitialCount < 0 || lInitialCount > lMaximumCount) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::unique_lock<std::mutex> names(kav::posix::g_namesLock, std::defer_lock);
    if (lpName != nullptr && *lpName != 0) {
        names.lock();
        if (HANDLE existing = kav::posix::OpenByName(lpName)) {
            SetLastError(ERROR_ALREADY_EXISTS);
            return existing;
        }
    }
    auto semaphore = std::make_shared<Semaphore>();
    semaphore->count = lInitialCount;
    semaphore->maximum = lMaximumCount;
    HANDLE handle = kav::posix::InsertHandle(semaphore);
    if (handle == nullptr) return nullptr;
    if (names.owns_lock()) kav::posix::Names()[lpName] = semaphore;
    SetLastError(ERROR_SUCCESS);
    return handle;
}

HANDLE OpenSemaphoreA(DWORD, BOOL, LPCSTR lpName) {
    if (lpName == nullptr || *lpName == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::lock_guard<std::mutex> names(kav::posix::g_namesLock);
    HANDLE handle = kav::posix::OpenByName(lpName);
    if (handle == nullptr) SetLastError(ERROR_FILE_NOT_FOUND);
    return handle;
}

// Fails without changing the count when the release would pass the maximum.
BOOL ReleaseSemaphore(HANDLE hSemaphore, LONG lReleaseCount, LPLONG lpPreviousCount) {
    auto semaphore = kav::posix::ReferenceHandleAs<Semaphore>(hSemaphore);
    if (semaphore == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (lReleaseCount <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard<std::mutex> guard(semaphore->lock);
    if (lReleaseCount > semaphore->maximum - semaphore->count) {
        SetLastError(ERROR_TOO_MANY_POSTS);
        return FALSE;
    }
    if (lpPreviousCount != nullptr) *lpPreviousCount = semaphore->count;
    semaphore->count += lReleaseCount;
    semaphore->released.notify_all();
    return TRUE;
}
