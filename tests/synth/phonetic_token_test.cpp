#include "synth/phoneme_map.h"
#include "synth/phonetic_token.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using kav::PhoneticToken;
using kav::TokenType;

namespace {
class TokenReader : public ::testing::Test {
protected:
    void SetUp() override {
        const char symbols[] = "_ \nab\nc\nb";  // 'b' on lines 1 and 3: the later wins
        kav::BuildPhonemeMap(symbols, sizeof symbols, 4, map_);
        ctx_.phonemeMap = map_;
        ctx_.secondarySpeedIncr = -40;
        ctx_.basePitch = 100;
    }
    std::vector<PhoneticToken> Read(const char *s) {
        std::vector<PhoneticToken> out;
        for (;;) {
            const PhoneticToken t = kav::ReadPhoneticToken(s, ctx_);
            if (t.type == TokenType::kEnd) return out;
            out.push_back(t);
        }
    }
    PhoneticToken One(const char *s) {
        auto v = Read(s);
        return v.empty() ? PhoneticToken{TokenType::kEnd, 0} : v[0];
    }
    BYTE map_[256];
    kav::TokenContext ctx_;
};
}  // namespace

TEST_F(TokenReader, MapsSymbolsByLineAndSkipsUnknownBytes) {
    EXPECT_EQ(map_[static_cast<BYTE>(' ')], 0);
    EXPECT_EQ(map_[static_cast<BYTE>('b')], 3);  // the later line wins
    EXPECT_EQ(map_[10], kav::kNoPhoneme);
    BYTE small[256];
    kav::BuildPhonemeMap("_\na\nb\nc", 8, 2, small);  // lines past the phoneme count are not phonemes
    EXPECT_EQ(small[static_cast<BYTE>('b')], kav::kNoPhoneme);
    auto t = Read("az\xff" "c");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1].type, TokenType::kUnrecognised);
    EXPECT_EQ(t[2].type, TokenType::kUnrecognised);
    EXPECT_EQ(t[3].value, 2);
    const char *none = nullptr;
    EXPECT_EQ(kav::ReadPhoneticToken(none, ctx_).type, TokenType::kEnd);
}

TEST_F(TokenReader, HyphenIsDestressUnlessADigitFollows) {
    EXPECT_EQ(One("\\-a").type, TokenType::kDestress);
    EXPECT_EQ(One("\\-+5").type, TokenType::kDestress);
    const PhoneticToken t = One("\\-20H");
    EXPECT_EQ(t.type, TokenType::kPitchTarget);
    EXPECT_EQ(t.value, -20);
    // On the level scale without H: level -20 around a base of 100 Hz.
    EXPECT_EQ(One("\\-20").value, 100 + (-70 * 100 * 70) / 15000);
    EXPECT_EQ(One("\\+").value, 100 + (-50 * 100 * 70) / 15000);  // a sign alone is the number 0
}

TEST_F(TokenReader, PitchTargetsInHertzAreCapped) {
    EXPECT_EQ(One("\\600H").value, 511);
    EXPECT_EQ(One("\\99999999999H").value, 511);
    EXPECT_EQ(One("\\200").value, 170);  // level scale, clamped to 200
    auto t = Read("\\120Ha");  // H is consumed, the symbol after it is not
    ASSERT_EQ(t.size(), 2u);
    EXPECT_EQ(t[1].type, TokenType::kPhoneme);
}

TEST_F(TokenReader, MarkerCharacterWinsOverLettersAndTakesFourBytes) {
    ctx_.markerChar = 'D';
    auto t = Read("\\D5M \\Dabcdef g");
    ASSERT_GE(t.size(), 2u);
    EXPECT_EQ(t[0].type, TokenType::kBookmark);
    EXPECT_EQ(t[0].value, ('5' << 8) | 'M');  // stops before the blank
    EXPECT_EQ(t[2].type, TokenType::kBookmark);
    EXPECT_EQ(t[2].value, static_cast<LONG>(('a' << 24) | ('b' << 16) | ('c' << 8) | 'd'));
    EXPECT_EQ(t[3].type, TokenType::kUnrecognised);  // 'e': the rest reads as symbols
    ctx_.markerChar = '|';
    const PhoneticToken neg = One("\\|\xff\x01");
    EXPECT_EQ(neg.value, -255);  // bytes count as signed
    ctx_.markerChar = '#';
    const PhoneticToken bar = One("\\|ab");
    EXPECT_EQ(bar.type, TokenType::kBookmark);
    EXPECT_EQ(bar.value, 0);
}

TEST_F(TokenReader, PausesDurationsAndLevels) {
    EXPECT_EQ(One("\\D2").value, 500);
    EXPECT_EQ(One("\\D2M").value, 2);
    EXPECT_EQ(One("\\D-3M").value, -3);
    EXPECT_EQ(One("\\D99999999999").value, kav::kMaxPauseMs);  // clamped, never wrapped
    EXPECT_EQ(One("\\P").type, TokenType::kUnrecognised);
    EXPECT_EQ(Read("\\Sa").size(), 2u);  // the letter after a bare \S is read again
    EXPECT_EQ(One("\\V-99999999999").value, -kav::kEscapeNumberLimit);
    EXPECT_EQ(One("\\[50M").value, 250);
    EXPECT_EQ(One("\\[100").value, -300);
    EXPECT_EQ(One("\\]99999999999M").value, kav::kEscapeNumberLimit + 200);
    EXPECT_EQ(One("\\[").value, 40);
    EXPECT_EQ(One("\\]a").value, -40);
    EXPECT_EQ(One("\\x").type, TokenType::kUnrecognised);
    EXPECT_EQ(Read("\\").size(), 1u);  // a lone backslash at the end
}
