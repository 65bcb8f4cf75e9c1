// Resource data handles: a live-handle table, so a stale or made-up handle
// is refused without being read.
#include "platform/posix/resource_data.h"

#include "platform/testing.h"
#include "platform/win32_module.h"

#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace {

struct ResourceData {
    const BYTE *data;
    DWORD size;
    BYTE *copy;  // owned bytes, or null when the data lives in a module
    uintptr_t owner;
};

std::mutex g_lock;
std::unordered_set<const ResourceData *> &LiveHandles() {
    static auto *table = new std::unordered_set<const ResourceData *>();
    return *table;
}

const ResourceData *Find(HGLOBAL h) {
    auto *r = static_cast<const ResourceData *>(h);
    return (r != nullptr && LiveHandles().count(r) != 0) ? r : nullptr;
}

}  // namespace

namespace kav::posix {

HGLOBAL NewResourceData(const void *data, DWORD size, bool ownsCopy, uintptr_t owner) {
    auto *r = new ResourceData{static_cast<const BYTE *>(data), size, nullptr, owner};
    if (ownsCopy) {
        r->copy = new BYTE[size > 0 ? size : 1];
        if (size > 0) std::memcpy(r->copy, data, size);
        r->data = r->copy;
    }
    std::lock_guard<std::mutex> lock(g_lock);
    LiveHandles().insert(r);
    return const_cast<ResourceData *>(r);
}

bool DeleteResourceData(HGLOBAL hResData) {
    const ResourceData *r;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        r = Find(hResData);
        if (r == nullptr) return false;
        LiveHandles().erase(r);
    }
    delete[] r->copy;
    delete r;
    return true;
}

void DeleteResourceDataOwnedBy(uintptr_t owner) {
    if (owner == 0) return;
    std::vector<const ResourceData *> ended;
    {
        std::lock_guard<std::mutex> lock(g_lock);
        auto &live = LiveHandles();
        for (auto it = live.begin(); it != live.end();) {
            if ((*it)->owner == owner) {
                ended.push_back(*it);
                it = live.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const ResourceData *r : ended) {
        delete[] r->copy;
        delete r;
    }
}

}  // namespace kav::posix

namespace kav::testing {
HGLOBAL MakeResource(const void *bytes, size_t size) {
    return kav::posix::NewResourceData(bytes, static_cast<DWORD>(size), true);
}
}  // namespace kav::testing

LPVOID LockResource(HGLOBAL hResData) {
    std::lock_guard<std::mutex> lock(g_lock);
    const ResourceData *r = Find(hResData);
    return r == nullptr ? nullptr : const_cast<BYTE *>(r->data);
}

DWORD SizeofResourceData(HGLOBAL hResData) {
    std::lock_guard<std::mutex> lock(g_lock);
    const ResourceData *r = Find(hResData);
    return r == nullptr ? 0 : r->size;
}

BOOL FreeResource(HGLOBAL hResData) { return kav::posix::DeleteResourceData(hResData) ? TRUE : FALSE; }
