#include "phonetics/encoder_fixture.h"

#include <thread>

using kavtest::EncoderTest;
using kavtest::g_boxes;

TEST_F(EncoderTest, EveryAllocationFailureFreesThePartialBlock) {
    // Long enough for the block to grow several times, in both modes.
    std::string text;
    for (int i = 0; i < 900; ++i) text += "ab \\d. \\'c ";
    for (WORD plain : {WORD{0}, WORD{1}}) {
        const auto expected = Encode(text, plain);
        ASSERT_TRUE(expected.has_value());
        ASSERT_GT(expected->size(), 4000u);
        const long live = kav::fault::LiveBlocks();
        long n = 1;
        for (; n < 100; ++n) {
            g_boxes.clear();
            kav::fault::FailAllocationAfter(n);
            const auto got = Encode(text, plain);
            kav::fault::FailAllocationAfter(0);
            EXPECT_EQ(kav::fault::LiveBlocks(), live) << "n = " << n;
            if (got.has_value()) {
                EXPECT_EQ(got, expected);
                break;
            }
            ASSERT_EQ(g_boxes.size(), 1u);
            EXPECT_EQ(g_boxes[0], "Kavrel for Win32: Problem allocating memory");
        }
        EXPECT_GT(n, 3) << "the sweep never reached a growth";
        EXPECT_LT(n, 100);
    }
}

TEST_F(EncoderTest, TheBlockGrowsWhenTheStringFillsIt) {
    // 2047 bytes and the NUL fit the first 2048; one more byte needs growth.
    kav::fault::FailAllocationAfter(2);
    EXPECT_EQ(Encode(std::string(2047, 'a'), 1)->size(), 2047u);
    kav::fault::FailAllocationAfter(2);
    EXPECT_EQ(Encode(std::string(2048, 'a'), 1), std::nullopt);
}

namespace {
bool g_reentry_refused = false;
void ReenterOnBox(const char *, const char *, UINT) {
    char *inner = kav::EncodePhonetics("abc", 1);
    g_reentry_refused = inner == nullptr;
    if (inner != nullptr) kav::FreeBlock(inner);
}
}  // namespace

TEST_F(EncoderTest, ASecondConversionWhileOneRunsIsRefused) {
    // The -101 box is shown from inside the running conversion.
    KavSetMessageBoxHook(ReenterOnBox);
    kav::fault::FailAllocationAfter(2);
    EXPECT_EQ(Encode(std::string(3000, 'a'), 1), std::nullopt);
    EXPECT_TRUE(g_reentry_refused);
    EXPECT_EQ(Encode("abc", 1), "abc");  // the refusal left the encoder free

    // From two threads at once, each result is whole or NULL.
    const std::string text = "\\b3abcdefghij", expected = *Encode(text);
    int wrong[2] = {0, 0};
    auto run = [&](int *bad) {
        for (int i = 0; i < 300; ++i) *bad += Encode(text).value_or(expected) != expected;
    };
    std::thread other(run, &wrong[1]);
    run(&wrong[0]);
    other.join();
    EXPECT_EQ(wrong[0] + wrong[1], 0);
}
