#include "platform/fault.h"
#include "synth/record_queue.h"

#include <gtest/gtest.h>

namespace {
DWORD Front(kav::RecordQueue *q) {
    auto *r = static_cast<DWORD *>(kav::PeekRecord(q));
    return r == nullptr ? 0xFFFFFFFF : *r;
}
}  // namespace

TEST(RecordQueue, GrowsWhenFullReclaimsWhenConsumedAndKeepsOrder) {
    kav::RecordQueue *q = kav::CreateRecordQueue(12);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->limit - q->storage, 1188);
    DWORD r[3] = {};
    for (r[0] = 0; r[0] < 50; ++r[0]) kav::PushRecord(q, r);
    for (int i = 0; i < 10; ++i) kav::PopRecord(q);
    for (; r[0] < 99; ++r[0]) ASSERT_EQ(kav::PushRecord(q, r), 0);
    EXPECT_EQ(q->capacity, 1200);  // consumed space was reclaimed instead
    for (; r[0] < 108; ++r[0]) kav::PushRecord(q, r);
    EXPECT_EQ(q->capacity, 1200);
    kav::PushRecord(q, r);  // the 99th record held with nothing consumed
    EXPECT_EQ(q->capacity, 2400);
    for (DWORD i = 10; i <= 108; ++i) {
        ASSERT_EQ(Front(q), i);
        kav::PopRecord(q);
    }
    EXPECT_EQ(kav::PeekRecord(q), nullptr);
    EXPECT_EQ(kav::PopRecord(q), nullptr);
    kav::DestroyRecordQueue(q);
}

TEST(RecordQueue, StopsAtSixteenBitCapacityAndSurvivesAllocationFailure) {
    kav::RecordQueue *q = kav::CreateRecordQueue(12);
    const BYTE r[16] = {7};
    int pushed = 0;
    while (kav::PushRecord(q, r) == 0) ++pushed;
    EXPECT_EQ(q->capacity, 64800);
    EXPECT_EQ(pushed + 1, 64800 / 12 - 1);  // the failing push still stored its record
    EXPECT_EQ(kav::PushRecord(q, r), -1);   // the last slot: stored, still no room
    EXPECT_EQ(kav::PushRecord(q, r), -1);   // refused without storing
    EXPECT_EQ((q->write - q->read) / 12, 64800 / 12);
    kav::DestroyRecordQueue(q);

    q = kav::CreateRecordQueue(16);
    kav::fault::FailAllocationAfter(1);
    for (int i = 0; i < 98; ++i) ASSERT_EQ(kav::PushRecord(q, r), 0);
    EXPECT_EQ(kav::PushRecord(q, r), -1);  // growing failed; the old block stays
    kav::fault::FailAllocationAfter(0);
    EXPECT_EQ(kav::PushRecord(q, r), 0);
    EXPECT_EQ(q->capacity, 3200);
    kav::DestroyRecordQueue(q);

    const long live = kav::fault::LiveBlocks();
    kav::fault::FailAllocationAfter(2);
    EXPECT_EQ(kav::CreateRecordQueue(12), nullptr);
    kav::fault::FailAllocationAfter(0);
    EXPECT_EQ(kav::fault::LiveBlocks(), live);
}
