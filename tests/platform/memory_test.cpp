#include "platform/fault.h"
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(GlobalMemory, HandleSurvivesMovingResizeAndIsFoundFromPointer) {
    long live = kav::fault::LiveBlocks();
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 16);
    ASSERT_NE(h, nullptr);
    auto *p = static_cast<unsigned char *>(GlobalLock(h));
    for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
    std::memset(p, 0xAB, 16);
    EXPECT_EQ(GlobalHandle(p), h);
    GlobalUnlock(h);

    HGLOBAL h2 = GlobalReAlloc(h, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_EQ(h2, h);  // a movable block keeps its handle
    auto *q = static_cast<unsigned char *>(GlobalLock(h2));
    EXPECT_EQ(q[15], 0xAB);
    EXPECT_EQ(q[16], 0);  // the grown part is zero-filled
    EXPECT_EQ(q[(1 << 20) - 1], 0);
    EXPECT_EQ(GlobalSize(h2), static_cast<size_t>(1 << 20));
    EXPECT_EQ(GlobalHandle(q), h2);
    GlobalUnlock(h2);
    EXPECT_EQ(GlobalFree(h2), nullptr);
    EXPECT_EQ(kav::fault::LiveBlocks(), live);
}

TEST(GlobalMemory, ForeignPointersHaveNoHandle) {
    alignas(16) static unsigned char notABlock[64] = {};
    EXPECT_EQ(GlobalHandle(notABlock + 32), nullptr);
    EXPECT_EQ(GlobalHandle(nullptr), nullptr);
    EXPECT_EQ(GlobalHandle(notABlock + 33), nullptr);
}

TEST(GlobalMemory, FaultHookFailsExactlyTheNthAllocation) {
    kav::fault::FailAllocationAfter(3);
    HGLOBAL a = GlobalAlloc(GHND, 8);
    HGLOBAL b = GlobalAlloc(GHND, 8);
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
    EXPECT_EQ(GlobalReAlloc(a, 4, GMEM_MOVEABLE), a);  // shrinking never fails
    EXPECT_EQ(GlobalReAlloc(a, 64, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(kav::fault::AllocationsSinceArmed(), 2);
    EXPECT_EQ(GlobalSize(a), 4u);  // the failed resize left the block alone
    HGLOBAL c = GlobalAlloc(GHND, 8);  // disarmed after firing
    EXPECT_NE(c, nullptr);
    GlobalFree(a);
    GlobalFree(b);
    GlobalFree(c);
}

}  // namespace
