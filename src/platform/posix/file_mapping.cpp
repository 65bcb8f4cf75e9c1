// Named read-only file mappings over mmap.
//
// A mapping object maps its whole file once, read-only and MAP_SHARED, when
// it is made; every view of it is that one mapping.  MAP_SHARED pages of a
// file are the kernel's page-cache pages, so every process that maps the
// same dictionary file reads the same physical memory: that is how processes
// share a dictionary here, where Windows shares the named section object.
//
// Names live in a process-wide table.  A name is reused only while it still
// maps the same file (device, inode and size): a file replaced under its
// path, as a save does by renaming over it, gets a new object, and views of
// the old one keep the old file's pages until they are unmapped.  Every size
// comes from the mapping itself, so a view never claims more than it holds.
// A file cut short by another program while mapped is outside what any
// mapping can guard against (reading past its new end faults).
#include "platform/posix/file_fault.h"
#include "platform/posix/kernel_object.h"
#include "platform/win32_error.h"
#include "platform/win32_file.h"

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include <sys/mman.h>
#include <sys/stat.h>

namespace {

// The object behind file-mapping handles; handles and views each hold a
// reference, and the pages go when the last of them does.
class FileMapping : public kav::posix::KernelObject {
public:
    FileMapping(std::string name, const struct stat &st, void *base)
        : name(std::move(name)), device(st.st_dev), inode(st.st_ino), size(static_cast<uint64_t>(st.st_size)),
          base(base) {}
    ~FileMapping() override { munmap(base, size); }

    bool Maps(const std::string &n, const struct stat &st) const {
        return name == n && device == st.st_dev && inode == st.st_ino && size == static_cast<uint64_t>(st.st_size);
    }

    const std::string name;  // empty for an unnamed mapping
    const dev_t device;
    const ino_t inode;
    const uint64_t size;
    void *const base;
};

struct View {
    std::shared_ptr<FileMapping> mapping;
    long count;
};

std::mutex g_lock;
// Named mappings, for CreateFileMappingA to find; ended ones are dropped as
// the table is searched.
std::vector<std::weak_ptr<FileMapping>> &Named() {
    static auto *table = new std::vector<std::weak_ptr<FileMapping>>();
    return *table;
}
std::unordered_map<const void *, View> &Views() {
    static auto *table = new std::unordered_map<const void *, View>();
    return *table;
}

// Called with the lock held.
std::shared_ptr<FileMapping> FindNamed(const std::string &name, const struct stat &st) {
    std::shared_ptr<FileMapping> found;
    auto &named = Named();
    for (size_t i = 0; i < named.size();) {
        std::shared_ptr<FileMapping> m = named[i].lock();
        if (m == nullptr) {
            named[i] = named.back();
            named.pop_back();
            continue;
        }
        if (m->Maps(name, st)) found = m;
        ++i;
    }
    return found;
}

}  // namespace

HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect, DWORD dwMaximumSizeHigh,
                          DWORD dwMaximumSizeLow, LPCSTR lpName) {
    if (flProtect != PAGE_READONLY) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (kav::posix::InjectFileFailure()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(hFile));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    const uint64_t wanted = (static_cast<uint64_t>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    if (wanted > static_cast<uint64_t>(st.st_size)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    const std::string name = lpName != nullptr ? lpName : "";

    std::lock_guard<std::mutex> lock(g_lock);
    if (!name.empty()) {
        if (std::shared_ptr<FileMapping> m = FindNamed(name, st)) {
            HANDLE h = kav::posix::InsertHandle(m);
            if (h != nullptr) SetLastError(ERROR_ALREADY_EXISTS);
            return h;
        }
    }
    void *base = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto m = std::make_shared<FileMapping>(name, st, base);
    if (!name.empty()) Named().push_back(m);
    SetLastError(ERROR_SUCCESS);
    return kav::posix::InsertHandle(m);
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                     size_t dwNumberOfBytesToMap) {
    if (dwDesiredAccess != FILE_MAP_READ || dwFileOffsetHigh != 0 || dwFileOffsetLow != 0) return nullptr;
    if (kav::posix::InjectFileFailure()) return nullptr;
    std::shared_ptr<FileMapping> m = kav::posix::ReferenceHandleAs<FileMapping>(hFileMappingObject);
    if (m == nullptr || dwNumberOfBytesToMap > m->size) return nullptr;
    std::lock_guard<std::mutex> lock(g_lock);
    View &view = Views()[m->base];
    view.mapping = m;
    ++view.count;
    return m->base;
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    std::shared_ptr<FileMapping> last;  // the pages go outside the lock
    std::lock_guard<std::mutex> lock(g_lock);
    auto it = Views().find(lpBaseAddress);
    if (it == Views().end()) return FALSE;
    if (--it->second.count == 0) {
        last = std::move(it->second.mapping);
        Views().erase(it);
    }
    return TRUE;
}
