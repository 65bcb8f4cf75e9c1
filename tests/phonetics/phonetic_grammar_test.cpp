#include "phonetics/phonetic_grammar.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {
// The value read and the bytes consumed.
std::pair<LONG, size_t> Read(const std::string &s) {
    LONG v = 12345;
    const char *end = kav::phon::ReadNumber(s.c_str(), &v);
    return {v, static_cast<size_t>(end - s.c_str())};
}
}  // namespace

TEST(PhoneticGrammar, NumbersTakeOneSignAndTheDigitsAndSaturate) {
    EXPECT_EQ(Read("120H"), std::make_pair(LONG{120}, size_t{3}));
    EXPECT_EQ(Read("+42"), std::make_pair(LONG{42}, size_t{3}));
    EXPECT_EQ(Read("-x"), std::make_pair(LONG{0}, size_t{1}));  // a sign alone is 0
    EXPECT_EQ(Read("--5"), std::make_pair(LONG{0}, size_t{1}));
    EXPECT_EQ(Read(""), std::make_pair(LONG{0}, size_t{0}));
    EXPECT_EQ(Read("2147483648").first, 2147483647);
    EXPECT_EQ(Read("-" + std::string(400, '9') + "M"), std::make_pair(LONG{-2147483647}, size_t{401}));
}

TEST(PhoneticGrammar, MarksAreWrittenWithTheirTrailingBlank) {
    char buf[kav::phon::kMaxMarkLength + 1];
    EXPECT_EQ(kav::phon::FormatPitchMark(buf, 109), 6u);
    EXPECT_STREQ(buf, "\\109H ");
    EXPECT_EQ(kav::phon::FormatPauseMark(buf, INT32_MIN), 15u);  // the widest still fits
    EXPECT_STREQ(buf, "\\D-2147483648M ");
}
