// Registered window messages: one number per name for the life of the
// process, from 0xC000 up, names compared without regard to case (as the
// atoms behind them are on Windows).
#include "platform/win32_error.h"
#include "platform/win32_message.h"
#include "platform/win32_string.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace {

constexpr UINT kFirstRegistered = 0xC000;
constexpr UINT kLastRegistered = 0xFFFF;

std::mutex g_lock;
std::unordered_map<std::string, UINT> &Names() {
    static auto *table = new std::unordered_map<std::string, UINT>();
    return *table;
}

}  // namespace

UINT RegisterWindowMessageA(LPCSTR lpString) {
    if (lpString == nullptr || *lpString == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string key(lpString);
    CharUpperBuffA(key.data(), static_cast<DWORD>(key.size()));
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = Names().find(key);
    if (it != Names().end()) return it->second;
    UINT number = kFirstRegistered + static_cast<UINT>(Names().size());
    if (number > kLastRegistered) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    Names().emplace(std::move(key), number);
    return number;
}
