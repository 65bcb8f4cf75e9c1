// Loaded resource modules.  A module is a read-only mapping of the file and
// the index of its resources, built and checked once when it loads.  Loading
// the same file again (found by device and inode, whatever the spelling of
// the path) counts a reference, as the Windows loader does; releasing the
// last reference unmaps the file and ends every resource data handle still
// alive for it, so a stale handle is refused instead of reading unmapped
// memory.  Module handles are serial numbers never reused, so a handle kept
// past FreeLibrary cannot reach a module loaded later.  One lock guards the
// table: fonts load rarely and lookups are short.
#include "platform/posix/module_path.h"
#include "platform/posix/pe_image.h"
#include "platform/posix/resource_data.h"
#include "platform/win32_module.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <mutex>

namespace {

using kav::posix::ResourceEntry;
using kav::posix::ResourceIndex;
using kav::posix::ResourceKey;

struct Module {
    dev_t device;
    ino_t inode;
    long references;
    void *map;
    size_t size;
    ResourceIndex index;
};

std::mutex g_lock;
uintptr_t g_lastTag = 0;

// Keyed by the module's tag, which is also its handle value and the owner
// tag of its resource data handles.
std::map<uintptr_t, Module> &Modules() {
    static auto *table = new std::map<uintptr_t, Module>();
    return *table;
}

Module *Find(HMODULE h) {
    auto it = Modules().find(reinterpret_cast<uintptr_t>(h));
    return it == Modules().end() ? nullptr : &it->second;
}

const ResourceEntry *EntryOf(const Module *m, HRSRC hResInfo) {
    auto *entry = static_cast<const ResourceEntry *>(hResInfo);
    return (m != nullptr && m->index.Owns(entry)) ? entry : nullptr;
}

}  // namespace

HMODULE LoadLibraryA(LPCSTR lpLibFileName) {
    if (lpLibFileName == nullptr) return nullptr;
    std::string file = kav::posix::ResolveModulePath(lpLibFileName);
    if (file.empty()) return nullptr;
    int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        close(fd);
        return nullptr;
    }

    std::lock_guard<std::mutex> lock(g_lock);
    for (auto &[tag, m] : Modules()) {
        if (m.device == st.st_dev && m.inode == st.st_ino) {
            close(fd);
            ++m.references;
            return reinterpret_cast<HMODULE>(tag);
        }
    }
    auto size = static_cast<size_t>(st.st_size);
    void *map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    close(fd);
    if (map == MAP_FAILED) return nullptr;
    Module m{st.st_dev, st.st_ino, 1, map, size, {}};
    if (!kav::posix::ParsePeImage(static_cast<const BYTE *>(map), size, m.index)) {
        munmap(map, size);
        return nullptr;
    }
    g_lastTag += 16;  // never 0, never reused
    Modules().emplace(g_lastTag, std::move(m));
    return reinterpret_cast<HMODULE>(g_lastTag);
}

BOOL FreeLibrary(HMODULE hLibModule) {
    std::lock_guard<std::mutex> lock(g_lock);
    Module *m = Find(hLibModule);
    if (m == nullptr) return FALSE;
    if (--m->references == 0) {
        kav::posix::DeleteResourceDataOwnedBy(reinterpret_cast<uintptr_t>(hLibModule));
        munmap(m->map, m->size);
        Modules().erase(reinterpret_cast<uintptr_t>(hLibModule));
    }
    return TRUE;
}

HRSRC FindResourceA(HMODULE hModule, LPCSTR lpName, LPCSTR lpType) {
    ResourceKey type, name;
    if (!kav::posix::KeyFromArgument(lpType, type) || !kav::posix::KeyFromArgument(lpName, name))
        return nullptr;
    std::lock_guard<std::mutex> lock(g_lock);
    Module *m = Find(hModule);
    if (m == nullptr) return nullptr;
    return const_cast<ResourceEntry *>(m->index.Find(type, name));
}

HGLOBAL LoadResource(HMODULE hModule, HRSRC hResInfo) {
    std::lock_guard<std::mutex> lock(g_lock);
    Module *m = Find(hModule);
    const ResourceEntry *entry = EntryOf(m, hResInfo);
    if (entry == nullptr) return nullptr;
    return kav::posix::NewResourceData(static_cast<const BYTE *>(m->map) + entry->offset,
                                       entry->size, false,
                                       reinterpret_cast<uintptr_t>(hModule));
}

DWORD SizeofResource(HMODULE hModule, HRSRC hResInfo) {
    std::lock_guard<std::mutex> lock(g_lock);
    const ResourceEntry *entry = EntryOf(Find(hModule), hResInfo);
    return entry == nullptr ? 0 : entry->size;
}
