// The rule compiler against hand-assembled programs: the documented example
// programs byte for byte, then every statement, element and action.
#include "rule_compiler.h"
#include "rule_disasm.h"
#include "rule_trace.h"

#include "rules/pass_fixture.h"

namespace kav::font {
namespace {

using ruletest::Asm;
using ruletest::Bytes;
using namespace kav::rules;

Bytes Compile(const std::string &source) {
    const CompiledRules c = CompileRules(source);
    EXPECT_TRUE(c.ok()) << FormatRuleErrors("src", c.errors);
    return c.bytes;
}

Bytes Header(uint16_t classSize) {
    return {2, 0, 0, 0, uint8_t(classSize & 0xFF), uint8_t(classSize >> 8), 0, 0, 0, 0};
}

Bytes Cat(Bytes a, const Bytes &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using RuleCompilerTest = ruletest::PassTest;

// The rule pass tests run these same bytes; here they must come out of the
// compiler exactly.
TEST_F(RuleCompilerTest, DocumentedProgramsByteForByte) {
    Bytes words = Header(0x100);
    for (int c = 0; c < 256; ++c) words.push_back(c >= 'a' && c <= 'z' ? 1 : 0);
    words = Cat(words, {0x04, 0x12, 0x00, 0x45, 0x3D, 0x0F, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x3A, 0x00, 0x00,
                        0x00, 0x46, 0x44, 0x00, 0x03, 0x23, 0x00, 0x05, 0x1F, 0x00, 0x49, 0x45, 0x3A, 0x00,
                        0x00, 0x46, 0x00, 0x50, 0x2A, 0x00, 0x00, 0x00, 0xFF, 0xFF});
    const std::pair<const char *, Bytes> cases[] = {
        {"[\"ph\"] > -> \"f\"\n", Cat(Header(0), {0x03, 0xFF, 0xFF, 0x05, 0x0E, 0x00, 0x45, 0x42, 0x70, 0x68, 0x00,
                                                    0x46, 0x44, 0x00, 0x50, 0x66, 0x00, 0x00})},
        {"[\"ph\"] -> \"f\"", Cat(Header(0), {0x03, 0xFF, 0xFF, 0x05, 0x0D, 0x00, 0x45, 0x42, 0x70, 0x68, 0x00, 0x46,
                                              0x00, 0x50, 0x66, 0x00, 0x00})},
        {"class letter = 'a'-'z'\nforeach [letter+] > {\n    ^ [letter] -> \"*\"\n    end\n}\n", words},
    };
    for (const auto &[source, bytes] : cases) EXPECT_EQ(Compile(source), bytes) << source;
}

TEST_F(RuleCompilerTest, TraceNamesTheRuleAndItsSpan) {
    const std::string src = "# one rule\n  [\"ph\"] > -> \"f\"\n";
    const CompiledRules c = CompileRules(src);
    const RuleTrace t = TraceRulePass(c, " phone ");
    ASSERT_EQ(t.status, 0);
    EXPECT_EQ(t.output, " fone ");
    ASSERT_EQ(t.steps.size(), 1u);
    EXPECT_EQ(t.steps[0].pos.line, 2);
    EXPECT_EQ(t.steps[0].pos.col, 3);
    EXPECT_EQ(t.steps[0].focusStart, 1);
    EXPECT_EQ(t.steps[0].focusEnd, 3);
    EXPECT_NE(FormatRuleTrace("ph.rules", src, " phone ", t).find("ph.rules:2:3: rewrote 1..3 \"ph\""),
              std::string::npos);
}

// Every element, with tags, captures and the keyed lists of both kinds.
TEST_F(RuleCompilerTest, EveryElementAsAssembled) {
    const std::string src =
        "class vowel = \"aeiou\"\n"
        "longest ends {\n  \"s\" \"Z\"\n  \"ch\"\n  \"c\" \"K\"\n}\n"
        "first nums {\n  \"1\" \"one\"\n  \"\" \"\"\n}\n"
        "sub syl = vowel 'b'-'d'\n"
        "$vowel ends $ends nums $nums syl $syl (\"x\" | (\"y\" \"z\") | rest)"
        "  ^ $ > [ ] seek(\"q\") dict dict 7 vowel{2,5} (vowel \"h\")*? alt(\"w\") vowel+\n";
    Asm a;
    const uint16_t vowel = a.ClassOf("aeiou");
    const uint16_t ends = a.Longest({{"s", "Z"}, {"ch", std::nullopt}, {"c", "K"}});
    const uint16_t nums = a.First({{"1", "one"}, {"", ""}});
    std::vector<uint16_t> calls;
    a.B(STMT_RULE).W(0xFFFF);
    const uint16_t group = a.Group([&] {
        a.El(EL_CLASS_TAG, vowel).El(EL_LONGEST, ends).El(EL_LONGEST_TAG, ends).El(EL_FIRST, nums);
        a.El(EL_FIRST_TAG, nums);
        calls.push_back(a.Pc() + 1);
        a.El(EL_CALL, 0);
        calls.push_back(a.Pc() + 1);
        a.El(EL_CALL_CAPTURE, 0);
        a.Alt([&] {
            a.Lit("x");
            a.Group([&] { a.Lit("y").Lit("z"); });
            a.B(EL_REST);
        });
        a.B(EL_AT_ANCHOR).B(EL_AT_END).Resume().Focus().FocusEnd();
        a.Seek([&] { a.Lit("q"); });
        a.Dict().B(EL_DICT).W(7);
        a.Repeat(2, 5, [&] { a.El(EL_CLASS, vowel); });
        a.Repeat(0, 0xFFFF, [&] { a.El(EL_CLASS, vowel).Lit("h"); }, false, true);
        a.Alt([&] { a.Lit("w"); });
        a.Repeat(1, 0xFFFF, [&] { a.El(EL_CLASS, vowel); }, true);
    });
    a.Patch(group, 0xFFFF);
    const uint16_t sub = a.List([&] { a.El(EL_CLASS, vowel).Range('b', 'd'); });
    for (uint16_t at : calls) a.Patch(at, sub);
    EXPECT_EQ(Compile(src), a.Build());
}

// Statements and every action; the end a list needs is added.
TEST_F(RuleCompilerTest, StatementsAndActionsAsAssembled) {
    const std::string src =
        "class v = 'a'\n"
        "sub w = v\n"
        "longest l {\n  \"k\" \"v\"\n}\n"
        "skip\n"
        "once {\n"
        "  [$v $w $l] -> \"t\" $v $w $l text(l) value(v) capture(w) text(dict) dict value(dict) stop leave\n"
        "  [v] -> result 'x' text(300) value(0xFFFE) capture(2)\n"
        "}\n"
        "block {\n  [v]\n  [v] ->\n}\n"
        "foreach [v] { }\n";
    Asm a;
    const uint16_t v = a.ClassOf("a");
    const uint16_t l = a.Longest({{"k", "v"}});
    std::vector<uint16_t> calls;
    a.B(STMT_SKIP).W(0xFFFF);
    a.Block(true, [&] {
        a.Rule([&] {
            a.Focus().El(EL_CLASS_TAG, v);
            calls.push_back(a.Pc() + 1);
            a.El(EL_CALL_CAPTURE, 0).El(EL_LONGEST_TAG, l).FocusEnd();
        }, [&] {
            a.B(ACT_TEXT).S("t").B(ACT_TAG_SPAN).W(v);
            calls.push_back(a.Pc() + 1);
            a.B(ACT_CAPTURE).W(0).B(ACT_TAG).W(l).B(ACT_TAG_SPAN).W(l).B(ACT_TAG).W(v);
            calls.push_back(a.Pc() + 1);
            a.B(ACT_CAPTURE).W(0).B(ACT_DICT_SPAN).B(ACT_DICT).B(ACT_DICT).B(ACT_RESULT).B('T').B(ACT_RESULT).B('U');
        });
        a.Rule([&] { a.Focus().El(EL_CLASS, v).FocusEnd(); },
               [&] { a.B(ACT_RESULT).B('x').B(ACT_TAG_SPAN).W(300).B(ACT_TAG).W(0xFFFE).B(ACT_CAPTURE).W(2); },
               true);
    });
    a.Block(false, [&] {
        a.Rule([&] { a.Focus().El(EL_CLASS, v).FocusEnd(); }, nullptr);
        a.Rule([&] { a.Focus().El(EL_CLASS, v).FocusEnd(); }, [] {}, true);
    });
    a.Foreach([&] { a.Focus().El(EL_CLASS, v).FocusEnd(); }, [&] { a.B(STMT_END).W(0xFFFF); });
    const uint16_t sub = a.List([&] { a.El(EL_CLASS, v); });
    for (uint16_t at : calls) a.Patch(at, sub);
    EXPECT_EQ(Compile(src), a.Build());
}

TEST_F(RuleCompilerTest, PassMaskTableIsLittleEndianInPassOrder) {
    EXPECT_EQ(CompileRules("mask letters digits\n").mask, 0x0003);
    EXPECT_EQ(CompileRules("mask 0x0104 codes\n").mask, 0x0114);
    EXPECT_EQ(CompileRules("").mask, kMaskAlways);
    EXPECT_EQ(PassMaskTable({0x0003, 0xFFE0}), (std::vector<uint8_t>{0x03, 0x00, 0xE0, 0xFF}));
}

// 256 rules of 255 bytes and one more: 65535 bytes fit, 65536 do not.
TEST_F(RuleCompilerTest, CodeAreaMustFitSixteenBitOffsets) {
    auto program = [](size_t lastLiteral) {
        std::string src;
        for (int i = 0; i < 256; ++i) src += "\"" + std::string(246, 'a') + "\"\n";
        return src + "\"" + std::string(lastLiteral, 'b') + "\"\n";
    };
    const CompiledRules fits = CompileRules(program(246));
    ASSERT_TRUE(fits.ok()) << FormatRuleErrors("big", fits.errors);
    EXPECT_EQ(fits.bytes.size(), 10u + 65535u);
    const CompiledRules big = CompileRules(program(247));
    ASSERT_EQ(big.errors.size(), 1u);
    EXPECT_EQ(big.errors[0].pos.line, 257);
    EXPECT_NE(big.errors[0].message.find("65535"), std::string::npos);
    EXPECT_TRUE(big.bytes.empty());
}

TEST_F(RuleCompilerTest, ClassAreaMustFitSixteenBitOffsets) {
    std::string src, rule;
    for (int i = 0; i < 256; ++i) {
        src += "class c" + std::to_string(i) + " = 'a'\n";
        rule += " c" + std::to_string(i);
    }
    const CompiledRules c = CompileRules(src + rule + "\n");
    ASSERT_EQ(c.errors.size(), 1u);
    EXPECT_EQ(c.errors[0].pos.line, 256);
}

}  // namespace
}  // namespace kav::font
