#include "synth/record_queue.h"

#include "api/services.h"

#include <cstring>

namespace kav {

namespace {
constexpr WORD kGrowRecords = 100;

void SetLimit(RecordQueue *q) { q->limit = q->storage + q->capacity - q->recordSize; }

// Makes room after the write position reached the limit: first by moving
// the unread records to the front, else by growing the block.
int MakeRoom(RecordQueue *q) {
    if (q->read != q->storage) {
        const size_t used = static_cast<size_t>(q->write - q->read);
        std::memmove(q->storage, q->read, used);
        q->read = q->storage;
        q->write = q->storage + used;
        return 0;
    }
    const WORD grown = static_cast<WORD>(q->capacity + static_cast<WORD>(q->recordSize * kGrowRecords));
    if (grown < q->capacity) return -1;  // the 16-bit capacity is exhausted
    const size_t readOffset = static_cast<size_t>(q->read - q->storage);
    const size_t writeOffset = static_cast<size_t>(q->write - q->storage);
    auto *storage = static_cast<BYTE *>(ReallocBlock(q->storage, grown));
    if (storage == nullptr) return -1;
    q->storage = storage;
    q->read = storage + readOffset;
    q->write = storage + writeOffset;
    q->capacity = grown;
    SetLimit(q);
    return 0;
}
}  // namespace

RecordQueue *CreateRecordQueue(WORD recordSize) {
    const WORD capacity = static_cast<WORD>(recordSize * kGrowRecords);
    if (recordSize == 0 || capacity < recordSize) return nullptr;  // would not hold one record
    auto *q = static_cast<RecordQueue *>(AllocBlock(sizeof(RecordQueue)));
    if (q == nullptr) return nullptr;
    q->storage = static_cast<BYTE *>(AllocBlock(capacity));
    if (q->storage == nullptr) {
        FreeBlock(q);
        return nullptr;
    }
    q->recordSize = recordSize;
    q->capacity = capacity;
    q->read = q->write = q->storage;
    SetLimit(q);
    return q;
}

void DestroyRecordQueue(RecordQueue *queue) {
    if (queue == nullptr) return;
    FreeBlock(queue->storage);
    FreeBlock(queue);
}

int PushRecord(RecordQueue *q, const void *record) {
    if (q->write > q->limit && MakeRoom(q) != 0) return -1;
    std::memcpy(q->write, record, q->recordSize);
    q->write += q->recordSize;
    if (q->write < q->limit) return 0;
    // The record is stored; making room now keeps a slot for the next one.
    return MakeRoom(q);
}

void *PeekRecord(RecordQueue *q) { return q->read < q->write ? q->read : nullptr; }

void *PopRecord(RecordQueue *q) {
    if (q->read < q->write) q->read += q->recordSize;
    return PeekRecord(q);
}

}  // namespace kav
