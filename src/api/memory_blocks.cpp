// Memory blocks: movable global memory, locked once at allocation and then
// known only by the locked pointer.
#include "api/engine_state.h"
#include "api/services.h"

namespace kav {

namespace {
void *AllocLocked(UINT flags, size_t size) {
    HGLOBAL h = GlobalAlloc(flags, size);
    if (h == nullptr) return nullptr;
    void *p = GlobalLock(h);
    if (p == nullptr) GlobalFree(h);
    return p;
}
}  // namespace

void *AllocBlock(size_t size) {
    void *p = AllocLocked(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (p == nullptr) ReportError(CurrentSCB(), SE_ERR_NOMEMORY);
    return p;
}

void *AllocSharedBlock(size_t size) { return AllocLocked(GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_SHARE, size); }

int FreeBlock(void *lpBlock) {
    HGLOBAL h = GlobalHandle(lpBlock);
    if (h == nullptr) {
        ReportError(CurrentSCB(), SE_ERR_FREEMEMORY);
        return -1;
    }
    GlobalUnlock(h);
    if (GlobalFree(h) != nullptr) {
        ReportError(CurrentSCB(), SE_ERR_FREEMEMORY);
        return -1;
    }
    return 0;
}

void *ReallocBlock(void *lpBlock, size_t size) {
    if (lpBlock == nullptr) return AllocBlock(size);
    HGLOBAL h = GlobalHandle(lpBlock);
    if (h == nullptr) {
        ReportError(CurrentSCB(), SE_ERR_NOMEMORY);
        return nullptr;
    }
    GlobalUnlock(h);
    HGLOBAL hNew = GlobalReAlloc(h, size, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (hNew == nullptr) {
        GlobalLock(h);  // the old block stays allocated and locked
        ReportError(CurrentSCB(), SE_ERR_NOMEMORY);
        return nullptr;
    }
    return GlobalLock(hNew);
}

}  // namespace kav
