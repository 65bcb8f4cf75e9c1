#include "phonetics/phonetic_grammar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Parsed {
    LONG value;
    size_t consumed;
};

Parsed Read(const char *s) {
    LONG v = 12345;
    const char *end = kav::phon::ReadNumber(s, &v);
    return {v, static_cast<size_t>(end - s)};
}

}  // namespace

TEST(PhoneticGrammar, NumbersTakeOneSignAndTheDigits) {
    EXPECT_EQ(Read("120H").value, 120);
    EXPECT_EQ(Read("120H").consumed, 3u);
    EXPECT_EQ(Read("-7M").value, -7);
    EXPECT_EQ(Read("+42").value, 42);
    // A sign alone is a number of value 0; a second sign is not read.
    EXPECT_EQ(Read("-x").value, 0);
    EXPECT_EQ(Read("-x").consumed, 1u);
    EXPECT_EQ(Read("--5").consumed, 1u);
    EXPECT_EQ(Read("").consumed, 0u);
    EXPECT_EQ(Read("").value, 0);
}

TEST(PhoneticGrammar, LongDigitRunsSaturateInsteadOfWrapping) {
    EXPECT_EQ(Read("2147483647").value, 2147483647);
    EXPECT_EQ(Read("2147483648").value, 2147483647);
    const std::string many(400, '9');
    const Parsed big = Read(("-" + many + "M").c_str());
    EXPECT_EQ(big.value, -2147483647);
    EXPECT_EQ(big.consumed, many.size() + 1);
}

TEST(PhoneticGrammar, MarksAreWrittenWithTheirTrailingBlank) {
    char buf[kav::phon::kMaxMarkLength + 1];
    EXPECT_EQ(kav::phon::FormatPitchMark(buf, 109), 6u);
    EXPECT_STREQ(buf, "\\109H ");
    EXPECT_EQ(kav::phon::FormatPauseMark(buf, 500), 7u);
    EXPECT_STREQ(buf, "\\D500M ");
    // The widest values still fit the buffer.
    EXPECT_EQ(kav::phon::FormatPauseMark(buf, INT32_MIN), 15u);
    EXPECT_STREQ(buf, "\\D-2147483648M ");
}
