// Disassembly compiles back to the same bytes: a program with every
// construct, and the shipped font's programs.  Error reports carry
// their positions, all of them in one run.
#include "rule_compiler.h"
#include "rule_disasm.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kav::font {
namespace {

using Bytes = std::vector<uint8_t>;

void ExpectRoundTrip(const Bytes &bytes) {
    const RuleDisassembly d = DisassembleRules(bytes.data(), bytes.size());
    ASSERT_TRUE(d.ok) << d.error;
    const CompiledRules again = CompileRules(d.text);
    ASSERT_TRUE(again.ok()) << FormatRuleErrors("disasm", again.errors) << d.text;
    EXPECT_EQ(again.bytes, bytes) << d.text;
}

TEST(RuleRoundTrip, EveryConstruct) {
    const CompiledRules c = CompileRules(
        "class v = \"aeiou\" 'y' '\\x80'-'\\xff'\n"
        "class q = v '\\''\n"
        "longest k {\n  \"\" \"e\"\n  \"ch\" \"x\\\"y\"\n  \"c\"\n}\n"
        "first f {\n  \"b\"\n  \"\" \"empty\"\n  \"a\" \"A\"\n}\n"
        "sub s = v (s | \"z\")?\n"
        "skip 'e' 3\n"
        "once {\n  ^ [$v] > $k -> $v value(v) text(k) $k capture(s) result 'V'\n  [k f $f] -> text(dict) dict stop\n}\n"
        "block {\n  skip\n}\n"
        "block { }\n"
        "'a'-'c' seek(rest) $ alt() alt(\"x\") alt(\"a\" \"b\") ((\"x\")) (\"p\" | ()) ->\n"
        "dict 9 $s* s+? (s){3} (v q){2,}? ((v)*)? (v | q){0,7} [\"\\e\\n\"] (s+?)? ((v)) (\"y\" | (q) | v q)\n"
        "foreach [$s] {\n  block { }\n  end 5\n}\n");
    ASSERT_TRUE(c.ok()) << FormatRuleErrors("src", c.errors);
    ExpectRoundTrip(c.bytes);
}

// The shipped font's programs: every kind of rule a real font needs, at
// size.  Programs mixed at random are the fuzz target's work.
TEST(RuleRoundTrip, ShippedPrograms) {
    for (const char *file : {"sentence.rules", "1_normalise.rules", "2_dictionary.rules", "3_spell.rules",
                             "4_pronounce.rules"}) {
        std::ifstream in(std::string(KAVREL_SOURCE_DIR) + "/fonts/KAL16/rules/" + file);
        std::stringstream source;
        source << in.rdbuf();
        const CompiledRules c = CompileRules(source.str());
        ASSERT_TRUE(c.ok()) << FormatRuleErrors(file, c.errors);
        SCOPED_TRACE(file);
        ExpectRoundTrip(c.bytes);
    }
}

TEST(RuleRoundTrip, LayoutsWithoutNotationAreRefusedNotFollowed) {
    // A rule whose next statement is itself, a bad version, a cut program.
    const Bytes loop{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0x00, 0x00, 0x05, 0xFF, 0xFF, 0x42, 0x61, 0x00, 0x00};
    RuleDisassembly d = DisassembleRules(loop.data(), loop.size());
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.error.find("byte 10"), std::string::npos) << d.error;
    const Bytes v3{3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    EXPECT_FALSE(DisassembleRules(v3.data(), v3.size()).ok);
    const Bytes cut{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0xFF, 0xFF, 0x05, 0xFF, 0xFF, 0x42, 0x61};
    d = DisassembleRules(cut.data(), cut.size());
    EXPECT_FALSE(d.ok);
    EXPECT_NE(d.error.find("outside"), std::string::npos);
}

TEST(RuleErrors, EveryMistakeIsReportedWithItsPosition) {
    const CompiledRules c = CompileRules(
        "class v = 'a'-'z'\n"
        "class v = 'b'\n"                            // 2:1 defined twice
        "[\"ph\" -> \"f\n"                           // 3:10 string not closed
        "[nothing] -> \"x\"\n"                       // 4:2 unknown name
        "[v]{3,2} -> \"y\"\n"                        // 5:4 counts the wrong way round
        "class w = x\nclass x = w\n"                // 7:11 a class that includes itself
        "longest l {\n  \"a\"\n  \"a\" \"b\"\n}\n"  // 10:3 duplicate key
        "sub s = v\n"
        "[l] -> $s\n"                                // 13:8 s is matched by no pattern
        "[\"x\\x00\"] -> \"y\"\n"                    // 14:4 NUL in a string
        "foreach [v] { }\n"
        "[v] -> $v\n"                                // 16:1 after a foreach
        "[v] -> $v wobble\n"                         // 17:11 unknown action
        "mask vowels\n");                            // 18:6 unknown text class
    const int expected[][2] = {{2, 1},  {3, 10},  {4, 2},  {5, 4},   {7, 11}, {10, 3},
                               {13, 8}, {14, 4}, {16, 1}, {17, 11}, {18, 6}};
    ASSERT_EQ(c.errors.size(), std::size(expected)) << FormatRuleErrors("bad.rules", c.errors);
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(c.errors[i].pos.line, expected[i][0]) << c.errors[i].message;
        EXPECT_EQ(c.errors[i].pos.col, expected[i][1]) << c.errors[i].message;
    }
    EXPECT_TRUE(c.bytes.empty());
    EXPECT_EQ(FormatRuleErrors("bad.rules", {c.errors[2]}), "bad.rules:4:2: unknown name 'nothing'\n");
}

}  // namespace
}  // namespace kav::font
