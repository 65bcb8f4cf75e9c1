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

    // Two threads converting at once: each result is whole or NULL.
    const std::string texts[2] = {"\\b3abcdefghij", "\\b2abcd"};
    const std::string expected[2] = {*Encode(texts[0]), *Encode(texts[1])};
    int wrong = 0, whole = 0;
    auto run = [&](int which, int *bad, int *ok) {
        for (int i = 0; i < 300; ++i) {
            const auto got = Encode(texts[which]);
            if (got.has_value()) ++*ok;
            if (got.has_value() && *got != expected[which]) ++*bad;
        }
    };
    int wrong2 = 0, whole2 = 0;
    std::thread other(run, 1, &wrong2, &whole2);
    run(0, &wrong, &whole);
    other.join();
    EXPECT_EQ(wrong + wrong2, 0);
    EXPECT_GT(whole + whole2, 0);
}
