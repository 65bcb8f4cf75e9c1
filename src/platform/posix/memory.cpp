// Movable global memory over malloc.  A handle is a small fixed record that
// points at the data, so a block can move on resize while its handle stays
// the same, as on Windows.  GlobalHandle finds the handle through a table of
// live data pointers, so a pointer that is not a block (a client's mistake)
// is answered with NULL without reading memory around it.
#include "platform/fault.h"
#include "platform/posix/fault_countdown.h"
#include "platform/win32_memory.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

namespace {

struct BlockHandle {
    UINT flags;
    size_t size;
    long locks;
    void *data;
};

std::mutex g_tableLock;
std::unordered_map<const void *, BlockHandle *> &DataTable() {
    static auto *table = new std::unordered_map<const void *, BlockHandle *>();
    return *table;
}
// Live handles, so a stale or made-up handle is refused without touching it.
std::unordered_set<const BlockHandle *> &HandleTable() {
    static auto *table = new std::unordered_set<const BlockHandle *>();
    return *table;
}

std::atomic<long> g_live{0};
kav::posix::FaultCountdown g_allocationFault;

// True when the armed fault hook says this allocation must fail.
bool InjectFailure() { return g_allocationFault.Fire(); }

BlockHandle *FromHandle(HGLOBAL h) {
    auto *b = static_cast<BlockHandle *>(h);
    std::lock_guard<std::mutex> lock(g_tableLock);
    if (b == nullptr || HandleTable().count(b) == 0) return nullptr;
    return b;
}

void *DataOf(BlockHandle *b) { return b->data; }

}  // namespace

namespace kav::fault {
void FailAllocationAfter(long n) {
    g_allocationFault.Arm(n);
}
long AllocationsSinceArmed() { return g_allocationFault.Passed(); }
long LiveBlocks() { return g_live.load(); }
}  // namespace kav::fault

HGLOBAL GlobalAlloc(UINT uFlags, size_t dwBytes) {
    if (InjectFailure()) return nullptr;
    if (dwBytes > (static_cast<size_t>(1) << 40)) return nullptr;
    auto *b = static_cast<BlockHandle *>(std::malloc(sizeof(BlockHandle)));
    if (b == nullptr) return nullptr;
    void *d = std::malloc(dwBytes > 0 ? dwBytes : 1);
    if (d == nullptr) {
        std::free(b);
        return nullptr;
    }
    *b = BlockHandle{uFlags, dwBytes, 0, d};
    if (uFlags & GMEM_ZEROINIT) std::memset(d, 0, dwBytes);
    {
        std::lock_guard<std::mutex> lock(g_tableLock);
        DataTable()[d] = b;
        HandleTable().insert(b);
    }
    g_live.fetch_add(1);
    return b;
}

HGLOBAL GlobalReAlloc(HGLOBAL hMem, size_t dwBytes, UINT uFlags) {
    BlockHandle *b = FromHandle(hMem);
    if (b == nullptr) return nullptr;
    if (dwBytes > b->size && InjectFailure()) return nullptr;
    if (dwBytes > (static_cast<size_t>(1) << 40)) return nullptr;
    // A locked block may only move when the caller allows it.
    if (b->locks > 0 && !(uFlags & GMEM_MOVEABLE) && dwBytes > b->size) return nullptr;
    std::lock_guard<std::mutex> lock(g_tableLock);
    void *d = std::realloc(b->data, dwBytes > 0 ? dwBytes : 1);
    if (d == nullptr) return nullptr;
    DataTable().erase(b->data);
    DataTable()[d] = b;
    b->data = d;
    if ((uFlags & GMEM_ZEROINIT) && dwBytes > b->size)
        std::memset(static_cast<char *>(DataOf(b)) + b->size, 0, dwBytes - b->size);
    b->size = dwBytes;
    return b;
}

LPVOID GlobalLock(HGLOBAL hMem) {
    BlockHandle *b = FromHandle(hMem);
    if (b == nullptr) return nullptr;
    ++b->locks;
    return DataOf(b);
}

BOOL GlobalUnlock(HGLOBAL hMem) {
    BlockHandle *b = FromHandle(hMem);
    if (b == nullptr || b->locks == 0) return FALSE;
    return --b->locks > 0 ? TRUE : FALSE;
}

HGLOBAL GlobalHandle(LPCVOID pMem) {
    if (pMem == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(g_tableLock);
    auto it = DataTable().find(pMem);
    return it == DataTable().end() ? nullptr : it->second;
}

size_t GlobalSize(HGLOBAL hMem) {
    BlockHandle *b = FromHandle(hMem);
    return b == nullptr ? 0 : b->size;
}

HGLOBAL GlobalFree(HGLOBAL hMem) {
    BlockHandle *b = FromHandle(hMem);
    if (b == nullptr) return hMem;
    {
        std::lock_guard<std::mutex> lock(g_tableLock);
        DataTable().erase(b->data);
        HandleTable().erase(b);
    }
    std::free(b->data);
    std::free(b);
    g_live.fetch_sub(1);
    return nullptr;
}
