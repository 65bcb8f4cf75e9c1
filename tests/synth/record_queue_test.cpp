#include "platform/fault.h"
#include "synth/record_queue.h"

#include <gtest/gtest.h>

#include <cstring>

using kav::RecordQueue;

namespace {
struct Rec {
    DWORD a, b, c;
};

int Front(RecordQueue *q) {
    auto *r = static_cast<Rec *>(kav::PeekRecord(q));
    return r == nullptr ? -1 : static_cast<int>(r->a);
}
}  // namespace

TEST(RecordQueue, GrowsWhenFullAndKeepsOrder) {
    RecordQueue *q = kav::CreateRecordQueue(12);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(q->capacity, 1200);
    EXPECT_EQ(q->limit - q->storage, 1188);
    for (DWORD i = 0; i < 99; ++i) {
        Rec r{i, i * 2, i * 3};
        ASSERT_EQ(kav::PushRecord(q, &r), 0);
    }
    EXPECT_EQ(q->capacity, 2400);  // the 99th push reached the limit with nothing popped
    for (int i = 0; i < 99; ++i) {
        ASSERT_EQ(Front(q), i);
        kav::PopRecord(q);
    }
    EXPECT_EQ(kav::PeekRecord(q), nullptr);
    EXPECT_EQ(kav::PopRecord(q), nullptr);
    kav::DestroyRecordQueue(q);
}

TEST(RecordQueue, ReclaimsConsumedSpaceBeforeGrowing) {
    RecordQueue *q = kav::CreateRecordQueue(12);
    Rec r{0, 0, 0};
    for (DWORD i = 0; i < 50; ++i) {
        r.a = i;
        kav::PushRecord(q, &r);
    }
    for (int i = 0; i < 10; ++i) kav::PopRecord(q);
    for (DWORD i = 50; i < 99; ++i) {
        r.a = i;
        ASSERT_EQ(kav::PushRecord(q, &r), 0);
    }
    EXPECT_EQ(q->capacity, 1200);
    EXPECT_EQ(q->read, q->storage);
    for (int i = 10; i < 99; ++i) {
        ASSERT_EQ(Front(q), i);
        kav::PopRecord(q);
    }
    kav::DestroyRecordQueue(q);
}

TEST(RecordQueue, StopsAtSixteenBitCapacityAndSurvivesAllocationFailure) {
    RecordQueue *q = kav::CreateRecordQueue(12);
    Rec r{0, 0, 0};
    int pushed = 0;
    while (kav::PushRecord(q, &r) == 0) ++pushed;
    EXPECT_EQ(q->capacity, 64800);
    EXPECT_EQ(pushed + 1, 64800 / 12 - 1);  // the failing push still stored its record
    EXPECT_EQ(kav::PushRecord(q, &r), -1);  // the last slot: stored, still no room
    EXPECT_EQ(kav::PushRecord(q, &r), -1);  // refused without storing
    EXPECT_EQ((q->write - q->read) / 12, 64800 / 12);
    kav::DestroyRecordQueue(q);

    q = kav::CreateRecordQueue(16);
    const BYTE wide[16] = {7};
    kav::fault::FailAllocationAfter(1);
    for (int i = 0; i < 98; ++i) ASSERT_EQ(kav::PushRecord(q, wide), 0);
    EXPECT_EQ(kav::PushRecord(q, wide), -1);  // growing failed; the old block stays
    kav::fault::FailAllocationAfter(0);
    EXPECT_EQ(kav::PushRecord(q, wide), 0);  // the last slot, then growth
    EXPECT_EQ(q->capacity, 3200);
    kav::DestroyRecordQueue(q);

    const long live = kav::fault::LiveBlocks();
    kav::fault::FailAllocationAfter(2);
    EXPECT_EQ(kav::CreateRecordQueue(12), nullptr);
    kav::fault::FailAllocationAfter(0);
    EXPECT_EQ(kav::fault::LiveBlocks(), live);
}
