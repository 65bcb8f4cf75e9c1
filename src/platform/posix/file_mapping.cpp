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
#include "platform/win32_file.h"

#include <cstring>
#include <mutex>
#include <string>
#include <unordered_set>

#include <sys/mman.h>
#include <sys/stat.h>

namespace {

struct MappingObject {
    std::string name;  // empty for an unnamed mapping
    dev_t device;
    ino_t inode;
    uint64_t size;
    void *base;
    long handles;
    long views;
};

std::mutex g_lock;
std::unordered_set<MappingObject *> &Mappings() {
    static auto *table = new std::unordered_set<MappingObject *>();
    return *table;
}

MappingObject *Live(HANDLE h) {
    auto *m = static_cast<MappingObject *>(h);
    return (m != nullptr && Mappings().count(m) != 0) ? m : nullptr;
}

// Called with the lock held: ends the object once nothing refers to it.
void ReleaseIfUnused(MappingObject *m) {
    if (m->handles > 0 || m->views > 0) return;
    Mappings().erase(m);
    munmap(m->base, m->size);
    delete m;
}

}  // namespace

HANDLE CreateFileMappingA(HANDLE hFile, LPSECURITY_ATTRIBUTES, DWORD flProtect, DWORD dwMaximumSizeHigh,
                          DWORD dwMaximumSizeLow, LPCSTR lpName) {
    if (flProtect != PAGE_READONLY) return nullptr;
    if (kav::posix::InjectFileFailure()) return nullptr;
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(hFile));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) return nullptr;
    const auto size = static_cast<uint64_t>(st.st_size);
    const uint64_t wanted = (static_cast<uint64_t>(dwMaximumSizeHigh) << 32) | dwMaximumSizeLow;
    if (wanted > size) return nullptr;
    const std::string name = lpName != nullptr ? lpName : "";

    std::lock_guard<std::mutex> lock(g_lock);
    if (!name.empty()) {
        for (MappingObject *m : Mappings()) {
            if (m->name == name && m->device == st.st_dev && m->inode == st.st_ino && m->size == size) {
                ++m->handles;
                return m;
            }
        }
    }
    void *base = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED) return nullptr;
    auto *m = new MappingObject{name, st.st_dev, st.st_ino, size, base, 1, 0};
    Mappings().insert(m);
    return m;
}

LPVOID MapViewOfFile(HANDLE hFileMappingObject, DWORD dwDesiredAccess, DWORD dwFileOffsetHigh, DWORD dwFileOffsetLow,
                     size_t dwNumberOfBytesToMap) {
    if (dwDesiredAccess != FILE_MAP_READ || dwFileOffsetHigh != 0 || dwFileOffsetLow != 0) return nullptr;
    if (kav::posix::InjectFileFailure()) return nullptr;
    std::lock_guard<std::mutex> lock(g_lock);
    MappingObject *m = Live(hFileMappingObject);
    if (m == nullptr || dwNumberOfBytesToMap > m->size) return nullptr;
    ++m->views;
    return m->base;
}

BOOL UnmapViewOfFile(LPCVOID lpBaseAddress) {
    std::lock_guard<std::mutex> lock(g_lock);
    for (MappingObject *m : Mappings()) {
        if (m->base == lpBaseAddress && m->views > 0) {
            --m->views;
            ReleaseIfUnused(m);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CloseFileMappingHandle(HANDLE hFileMappingObject) {
    std::lock_guard<std::mutex> lock(g_lock);
    MappingObject *m = Live(hFileMappingObject);
    if (m == nullptr || m->handles == 0) return FALSE;
    --m->handles;
    ReleaseIfUnused(m);
    return TRUE;
}
