#include "platform/platform.h"
#include "platform/testing.h"

#include <gtest/gtest.h>

TEST(ResourceData, TestResourcesCopyTheirBytesAndRefuseStaleHandles) {
    unsigned char bytes[3] = {1, 2, 3};
    HGLOBAL h = kav::testing::MakeResource(bytes, sizeof bytes);
    bytes[0] = 9;
    auto *p = static_cast<unsigned char *>(LockResource(h));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p[0], 1);
    EXPECT_EQ(SizeofResourceData(h), 3u);
    EXPECT_TRUE(FreeResource(h));
    EXPECT_EQ(LockResource(h), nullptr);
    EXPECT_EQ(SizeofResourceData(h), 0u);
    EXPECT_FALSE(FreeResource(h));
}
