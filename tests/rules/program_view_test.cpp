// The program view: bucket hash, keyed-list searches, bounds of every read.
#include "rules/rule_asm.h"

#include <gtest/gtest.h>

#include <cstring>

namespace ruletest {
namespace {

using kav::rules::KeyMatch;
using kav::rules::RuleProgram;

struct View {
    explicit View(Bytes b) : bytes(std::move(b)) { EXPECT_EQ(program.Open(bytes.data(), DWORD(bytes.size())), 0); }
    KeyMatch Longest(uint16_t table, const std::string &text, int remaining) const {
        return program.LookupLongest(table, Text(text), int(text.size()) + 1, remaining);
    }
    KeyMatch First(uint16_t table, const std::string &text, int remaining) const {
        return program.LookupFirst(table, Text(text), int(text.size()) + 1, remaining);
    }
    static const BYTE *Text(const std::string &s) { return reinterpret_cast<const BYTE *>(s.c_str()); }
    Bytes bytes;
    RuleProgram program;
};

TEST(ProgramView, BucketOfTextBytes) {
    const std::pair<int, int> cases[] = {{'a', 4}, {'A', 3}, {'0', 17}, {' ', 1}, {0, 0}, {0xE9, 8}, {0x80, 28}, {0xFF, 30}};
    for (auto [byte, bucket] : cases) EXPECT_EQ(BucketOf(BYTE(byte)), bucket) << byte;
}

TEST(ProgramView, LongestMatchStopsAtTheFirstKeyAboveTheText) {
    Asm a;
    const uint16_t t = a.Longest({{"c", "k"}, {"ch", "tsh"}, {"chr", std::nullopt}});
    a.End();
    View v(a.Build());
    KeyMatch m = v.Longest(t, "chx", 3);
    EXPECT_EQ(m.length, 2);
    EXPECT_STREQ(m.value, "tsh");
    EXPECT_EQ(v.Longest(t, "cb", 2).length, 1);
    EXPECT_EQ(v.Longest(t, "chrome", 6).value, nullptr);
    EXPECT_EQ(v.Longest(t, "chrome", 6).length, 3);
    // A key longer than the rest of the region never matches.
    EXPECT_EQ(v.Longest(t, "chr", 2).length, 2);
    EXPECT_EQ(v.Longest(t, "chr", 1).length, 1);
    EXPECT_EQ(v.Longest(t, "x", 1).length, -1);  // empty bucket
}

TEST(ProgramView, FirstMatchTakesListOrder) {
    Asm a;
    const uint16_t t = a.First({{"ab", "1"}, {"a", "2"}, {"abc", "3"}});
    const uint16_t e = a.First({{"", "E"}, {"x", "X"}});
    a.End();
    View v(a.Build());
    EXPECT_STREQ(v.First(t, "abc", 3).value, "1");
    EXPECT_STREQ(v.First(t, "abc", 1).value, "2");  // "ab" is longer than the region
    EXPECT_EQ(v.First(t, "b", 1).length, -1);
    const KeyMatch m = v.First(e, "xy", 2);  // the empty key hides "x"
    EXPECT_EQ(m.length, 0);
    EXPECT_STREQ(m.value, "E");
}

TEST(ProgramView, ReadsOutsideTheProgramThrow) {
    Asm a;
    const uint16_t t = a.Longest({{"ab", "v"}});
    a.End();
    Bytes bytes = a.Build();
    bytes.erase(bytes.end() - 5, bytes.end());  // cuts the value, the list's end and the code
    RuleProgram p;
    ASSERT_EQ(p.Open(bytes.data(), DWORD(bytes.size())), 0);
    EXPECT_THROW(p.LookupLongest(t, View::Text("ab"), 3, 2), kav::rules::BadProgram);
    EXPECT_THROW(p.Statement(p.Entry()), kav::rules::BadProgram);
    EXPECT_THROW(p.ClassMember(0xFFF0, 'a'), kav::rules::BadProgram);
    EXPECT_THROW(p.Element(p.Code(0x1000)), kav::rules::BadProgram);
}

}  // namespace
}  // namespace ruletest
