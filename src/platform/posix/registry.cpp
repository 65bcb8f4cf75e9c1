// The read-only registry: found and parsed once per process, on first use,
// and answered from the tree.  An open key holds a reference to the tree it
// came from, so reloading (tests only) never pulls a tree from under it.
#include "platform/posix/registry_tree.h"
#include "platform/testing.h"
#include "platform/win32_error.h"
#include "platform/win32_registry.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace kav::posix {
namespace {

// Larger files are refused: a registration file is a few lines per font.
constexpr long kMaxFileSize = 16L << 20;

struct Registry {
    std::unique_ptr<RegistryKey> root;
    std::string file;
};

struct OpenKey {
    std::shared_ptr<const Registry> registry;
    const RegistryKey *key;
};

std::mutex g_lock;
std::shared_ptr<const Registry> g_registry;  // guarded by g_lock
uintptr_t g_nextKey = 0x1000;                // never reused, below 2^31
std::unordered_map<uintptr_t, OpenKey> &OpenKeys() {
    static auto *table = new std::unordered_map<uintptr_t, OpenKey>();
    return *table;
}

bool IsFile(const std::string &path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::shared_ptr<const Registry> ReadRegistry(const std::string &path) {
    auto registry = std::make_shared<Registry>();
    registry->file = path;
    std::string text;
    bool readable = false;
    if (std::FILE *f = std::fopen(path.c_str(), "rb")) {
        char chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && text.size() <= kMaxFileSize) text.append(chunk, n);
        readable = std::ferror(f) == 0 && text.size() <= kMaxFileSize;
        std::fclose(f);
    }
    if (!readable) {
        std::fprintf(stderr, "kavrel: registry %s: cannot be read (or larger than 16 MB)\n", path.c_str());
        text.clear();
    }
    registry->root = ParseRegistry(text, path.c_str(), stderr);
    return registry;
}

// share/kavrel/kavrel.reg beside the module that holds this code: the shared
// library in an installation or build tree (lib/ and share/ are siblings),
// or a program linked with the engine's static library.
std::string BesideLibrary() {
    Dl_info info{};
    std::string module;
    if (dladdr(reinterpret_cast<void *>(&BesideLibrary), &info) != 0 && info.dli_fname != nullptr)
        module = info.dli_fname;
    if (module.find('/') == std::string::npos) module = "/proc/self/exe";  // the main program
    char resolved[PATH_MAX];
    if (realpath(module.c_str(), resolved) == nullptr) return {};
    std::string dir(resolved);
    dir.erase(dir.rfind('/'));
    return dir + "/../share/kavrel/kavrel.reg";
}

// A set $KAVREL_REGISTRY is the one file used, so a user who names one never
// gets another by surprise.
std::shared_ptr<const Registry> LoadRegistry(const char *path) {
    if (path != nullptr) return ReadRegistry(path);
    const char *env = std::getenv("KAVREL_REGISTRY");
    if (env != nullptr && *env != 0) return ReadRegistry(env);
    for (const std::string &candidate : {std::string("/etc/kavrel/kavrel.reg"), BesideLibrary()})
        if (!candidate.empty() && IsFile(candidate)) return ReadRegistry(candidate);
    auto empty = std::make_shared<Registry>();
    empty->root = ParseRegistry("REGEDIT4", "", nullptr);
    return empty;
}

std::shared_ptr<const Registry> Current() {
    std::lock_guard<std::mutex> lock(g_lock);
    if (g_registry == nullptr) g_registry = LoadRegistry(nullptr);
    return g_registry;
}

bool IsPredefined(HKEY hKey) {
    auto value = reinterpret_cast<uintptr_t>(hKey);
    return value >= reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT) &&
           value <= reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT) + 0xFF;
}

// The key behind a handle.  ERROR_FILE_NOT_FOUND for the other predefined
// roots (they are empty here), ERROR_INVALID_HANDLE for anything else.
LSTATUS Resolve(HKEY hKey, OpenKey &out) {
    if (hKey == HKEY_LOCAL_MACHINE) {
        auto registry = Current();
        out = OpenKey{registry, registry->root.get()};
        return ERROR_SUCCESS;
    }
    if (IsPredefined(hKey)) return ERROR_FILE_NOT_FOUND;
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = OpenKeys().find(reinterpret_cast<uintptr_t>(hKey));
    if (it == OpenKeys().end()) return ERROR_INVALID_HANDLE;
    out = it->second;
    return ERROR_SUCCESS;
}

// Copies a name with its terminating 0 into a buffer of `size` characters;
// ERROR_MORE_DATA when it does not fit.
LSTATUS CopyName(const std::string &name, LPSTR buffer, DWORD size) {
    if (buffer == nullptr) return ERROR_INVALID_PARAMETER;
    if (name.size() >= size) return ERROR_MORE_DATA;
    std::memcpy(buffer, name.c_str(), name.size() + 1);
    return ERROR_SUCCESS;
}

}  // namespace
}  // namespace kav::posix

namespace kav::testing {
std::string ReloadRegistry(const char *path) {
    auto registry = kav::posix::LoadRegistry(path);
    std::lock_guard<std::mutex> lock(kav::posix::g_lock);
    kav::posix::g_registry = registry;
    return registry->file;
}
}  // namespace kav::testing

using kav::posix::OpenKey;

// Path components are separated by backslashes; empty ones (a doubled or
// trailing backslash) are passed over.
LSTATUS RegOpenKeyExA(HKEY hKey, LPCSTR lpSubKey, DWORD, REGSAM, PHKEY phkResult) {
    if (phkResult == nullptr) return ERROR_INVALID_PARAMETER;
    *phkResult = nullptr;
    OpenKey base;
    if (LSTATUS status = kav::posix::Resolve(hKey, base)) return status;
    const kav::posix::RegistryKey *key = base.key;
    std::string_view path = lpSubKey != nullptr ? lpSubKey : "";
    while (!path.empty()) {
        size_t slash = path.find('\\');
        std::string_view part = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (part.empty()) continue;
        key = key->FindSubkey(part);
        if (key == nullptr) return ERROR_FILE_NOT_FOUND;
    }
    std::lock_guard<std::mutex> lock(kav::posix::g_lock);
    if (kav::posix::g_nextKey > 0x7FFFFFF0) return ERROR_NOT_ENOUGH_MEMORY;
    uintptr_t value = kav::posix::g_nextKey;
    kav::posix::g_nextKey += 4;
    kav::posix::OpenKeys().emplace(value, OpenKey{base.registry, key});
    *phkResult = reinterpret_cast<HKEY>(value);
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY hKey) {
    if (kav::posix::IsPredefined(hKey)) return ERROR_SUCCESS;
    std::shared_ptr<const kav::posix::Registry> last;  // freed outside the lock
    std::lock_guard<std::mutex> lock(kav::posix::g_lock);
    auto it = kav::posix::OpenKeys().find(reinterpret_cast<uintptr_t>(hKey));
    if (it == kav::posix::OpenKeys().end()) return ERROR_INVALID_HANDLE;
    last = std::move(it->second.registry);
    kav::posix::OpenKeys().erase(it);
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExA(HKEY hKey, DWORD dwIndex, LPSTR lpName, LPDWORD lpcchName, LPDWORD, LPSTR lpClass,
                      LPDWORD lpcchClass, PFILETIME lpftLastWriteTime) {
    if (lpcchName == nullptr) return ERROR_INVALID_PARAMETER;
    OpenKey open;
    if (LSTATUS status = kav::posix::Resolve(hKey, open)) return status;
    if (dwIndex >= open.key->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const std::string &name = open.key->subkeys[dwIndex]->name;
    if (LSTATUS status = kav::posix::CopyName(name, lpName, *lpcchName)) return status;
    *lpcchName = static_cast<DWORD>(name.size());
    if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0) *lpClass = 0;
    if (lpcchClass != nullptr) *lpcchClass = 0;
    if (lpftLastWriteTime != nullptr) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyA(HKEY hKey, DWORD dwIndex, LPSTR lpName, DWORD cchName) {
    DWORD size = cchName;
    return RegEnumKeyExA(hKey, dwIndex, lpName, &size, nullptr, nullptr, nullptr, nullptr);
}

LSTATUS RegQueryInfoKeyA(HKEY hKey, LPSTR lpClass, LPDWORD lpcchClass, LPDWORD, LPDWORD lpcSubKeys,
                         LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                         LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                         PFILETIME lpftLastWriteTime) {
    OpenKey open;
    if (LSTATUS status = kav::posix::Resolve(hKey, open)) return status;
    const kav::posix::RegistryKey &key = *open.key;
    size_t maxSubkey = 0, maxValueName = 0, maxValue = 0;
    for (const auto &sub : key.subkeys) maxSubkey = std::max(maxSubkey, sub->name.size());
    for (const auto &value : key.values) {
        maxValueName = std::max(maxValueName, value.name.size());
        maxValue = std::max(maxValue, value.data.size() + 1);
    }
    if (lpClass != nullptr && lpcchClass != nullptr && *lpcchClass > 0) *lpClass = 0;
    if (lpcchClass != nullptr) *lpcchClass = 0;
    if (lpcSubKeys != nullptr) *lpcSubKeys = static_cast<DWORD>(key.subkeys.size());
    if (lpcbMaxSubKeyLen != nullptr) *lpcbMaxSubKeyLen = static_cast<DWORD>(maxSubkey);
    if (lpcbMaxClassLen != nullptr) *lpcbMaxClassLen = 0;
    if (lpcValues != nullptr) *lpcValues = static_cast<DWORD>(key.values.size());
    if (lpcbMaxValueNameLen != nullptr) *lpcbMaxValueNameLen = static_cast<DWORD>(maxValueName);
    if (lpcbMaxValueLen != nullptr) *lpcbMaxValueLen = static_cast<DWORD>(maxValue);
    if (lpcbSecurityDescriptor != nullptr) *lpcbSecurityDescriptor = 0;
    if (lpftLastWriteTime != nullptr) *lpftLastWriteTime = FILETIME{0, 0};
    return ERROR_SUCCESS;
}

// As on Windows: without a buffer only the size is reported; a short buffer
// gives ERROR_MORE_DATA with the size needed and is left untouched.
LSTATUS RegQueryValueExA(HKEY hKey, LPCSTR lpValueName, LPDWORD, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData) {
    if (lpData != nullptr && lpcbData == nullptr) return ERROR_INVALID_PARAMETER;
    OpenKey open;
    if (LSTATUS status = kav::posix::Resolve(hKey, open)) return status;
    const kav::posix::RegistryValue *value = open.key->FindValue(lpValueName != nullptr ? lpValueName : "");
    if (value == nullptr) return ERROR_FILE_NOT_FOUND;
    if (lpType != nullptr) *lpType = REG_SZ;
    DWORD needed = static_cast<DWORD>(value->data.size() + 1);
    if (lpcbData == nullptr) return ERROR_SUCCESS;
    DWORD room = *lpcbData;
    *lpcbData = needed;
    if (lpData == nullptr) return ERROR_SUCCESS;
    if (room < needed) return ERROR_MORE_DATA;
    std::memcpy(lpData, value->data.c_str(), needed);
    return ERROR_SUCCESS;
}
