// A first-in first-out store of fixed-size records in one movable memory
// block.  Synthesis keeps two: timed speech events (12-byte records) and the
// pitch targets of the contour (16-byte records).  The block grows in steps
// of 100 records up to a 16-bit capacity, and space of consumed records is
// reclaimed by moving the rest to the front, so pointers into the queue are
// valid only until the next push.  No lock: the owner serialises.
#pragma once

#include "platform/platform.h"

namespace kav {

struct RecordQueue {
    WORD recordSize;
    WORD capacity;  // bytes of the storage block
    BYTE *storage;
    BYTE *write;    // where the next record goes
    BYTE *read;     // the front record
    BYTE *limit;    // storage + capacity - recordSize
};

// NULL when either allocation fails (nothing stays allocated).
RecordQueue *CreateRecordQueue(WORD recordSize);
// Accepts NULL.
void DestroyRecordQueue(RecordQueue *queue);
// 0, or -1 when no room could be made (the record is lost only if it did
// not fit anymore).
int PushRecord(RecordQueue *queue, const void *record);
// The front record, or NULL when empty.
void *PeekRecord(RecordQueue *queue);
// Removes the front record; returns the record now in front, or NULL.
void *PopRecord(RecordQueue *queue);

}  // namespace kav
