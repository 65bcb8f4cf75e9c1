// The process's handle table.  Handle values are multiples of 4 from 0x100
// and are never reused, so a stale handle is refused rather than mistaken
// for a newer object.
#include "platform/posix/kernel_object.h"

#include "platform/posix/thread_record.h"
#include "platform/win32_error.h"
#include "platform/win32_handle.h"

#include <mutex>
#include <unordered_map>

namespace {

thread_local DWORD t_lastError = 0;

std::mutex g_handleLock;
uintptr_t g_nextHandle = 0x100;
std::unordered_map<uintptr_t, std::shared_ptr<kav::posix::KernelObject>> &HandleTable() {
    static auto *table = new std::unordered_map<uintptr_t, std::shared_ptr<kav::posix::KernelObject>>();
    return *table;
}

// Values stay below 2^31 so that a handle survives a trip through a 32-bit
// parameter, as on Windows.
constexpr uintptr_t kLastHandle = 0x7FFFFFF0;

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD dwErrCode) { t_lastError = dwErrCode; }

namespace kav::posix {

DWORD KernelObject::Wait(DWORD) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
}

HANDLE InsertHandle(std::shared_ptr<KernelObject> object) {
    std::lock_guard<std::mutex> lock(g_handleLock);
    if (g_nextHandle > kLastHandle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    uintptr_t value = g_nextHandle;
    g_nextHandle += 4;
    HandleTable().emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> ReferenceHandle(HANDLE h) {
    if (h == CurrentThreadPseudoHandle()) return CurrentThreadRecord();
    std::lock_guard<std::mutex> lock(g_handleLock);
    auto it = HandleTable().find(reinterpret_cast<uintptr_t>(h));
    return it == HandleTable().end() ? nullptr : it->second;
}

}  // namespace kav::posix

BOOL CloseHandle(HANDLE hObject) {
    if (hObject == kav::posix::CurrentThreadPseudoHandle()) return TRUE;
    std::shared_ptr<kav::posix::KernelObject> last;  // released outside the lock
    {
        std::lock_guard<std::mutex> lock(g_handleLock);
        auto it = HandleTable().find(reinterpret_cast<uintptr_t>(hObject));
        if (it == HandleTable().end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        last = std::move(it->second);
        HandleTable().erase(it);
    }
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds) {
    std::shared_ptr<kav::posix::KernelObject> object = kav::posix::ReferenceHandle(hHandle);
    if (object == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return object->Wait(dwMilliseconds);
}
