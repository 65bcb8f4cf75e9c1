// Whole passes: the reference example programs from their exact bytes,
// the statement loop, frames, actions and the output assembly.
#include "rules/pass_fixture.h"

#include "platform/testing.h"

namespace ruletest {
namespace {

using Executor = PassTest;

Bytes Hex(std::initializer_list<int> bytes) { return Bytes(bytes.begin(), bytes.end()); }

TEST_F(Executor, ExampleProgramsFromTheirBytes) {
    const Bytes phToF = Hex({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x03, 0xFF, 0xFF, 0x05, 0x0E, 0x00, 0x45, 0x42, 0x70,
                             0x68, 0x00, 0x46, 0x44, 0x00, 0x50, 0x66, 0x00, 0x00});
    EXPECT_EQ(Run(phToF, " phone "), " fone ");

    // Without EL_RESUME the scan goes on one past the match start, where the
    // focus is already cleared.
    Asm noResume;
    noResume.Rule([&] { noResume.Focus().Lit("ph").FocusEnd(); }, [&] { noResume.B(ACT_TEXT).S("f"); }, true);
    EXPECT_EQ(Run(noResume.Build(), " phphx "), " ffx ");

    Bytes words = Hex({2, 0, 0, 0, 0, 1, 0, 0, 0, 0});
    Bytes classTable(256, 0);
    for (int c = 'a'; c <= 'z'; ++c) classTable[c] = 1;
    words.insert(words.end(), classTable.begin(), classTable.end());
    const Bytes code = Hex({0x04, 0x12, 0x00, 0x45, 0x3D, 0x0F, 0x00, 0x01, 0x00, 0xFF, 0xFF, 0x3A, 0x00,
                            0x00, 0x00, 0x46, 0x44, 0x00, 0x03, 0x23, 0x00, 0x05, 0x1F, 0x00, 0x49, 0x45,
                            0x3A, 0x00, 0x00, 0x46, 0x00, 0x50, 0x2A, 0x00, 0x00, 0x00, 0xFF, 0xFF});
    words.insert(words.end(), code.begin(), code.end());
    EXPECT_EQ(Run(words, " ab cd "), " *b *d ");
    EXPECT_EQ(Run(words, " abc  x yz!"), " *bc  * *z!");

    // The same through a resource handle, as the engine's callers run it.
    HGLOBAL h = kav::testing::MakeResource(phToF.data(), phToF.size());
    char *out = nullptr;
    ASSERT_EQ(kav::RunRulePass("graph", h, &out), 0);
    EXPECT_STREQ(out, "graf");
    kav::FreeBlock(out);
    FreeResource(h);
}

TEST_F(Executor, HeaderRefusals) {
    Bytes p = Hex({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0, 0});
    EXPECT_EQ(Run(p, "abc"), "abc");  // a program that only ends copies the text
    p[0] = 3;
    EXPECT_EQ(Run(p, "abc"), "error -102");
    p[0] = 2;
    p[8] = p[9] = 0xFF;
    EXPECT_EQ(Run(p, "abc"), "error -103");
    EXPECT_EQ(Run(Hex({2, 0, 0}), "abc"), "error -103");
    char *out = nullptr;
    EXPECT_EQ(kav::RunRulePassOver("abc", nullptr, 0, &out), -103);
    EXPECT_EQ(kav::RunRulePass("abc", nullptr, &out), -103);
}

TEST_F(Executor, FocusClearedForLaterRulesButNotForContext) {
    Asm a;
    a.Rewrite("", "ab", "", "X");
    a.Rewrite("", "b", "", "Y");   // its focus is cleared by the first rule
    a.Rewrite("b", "c", "", "Z");  // its context still reads the input
    a.End();
    EXPECT_EQ(Run(a.Build(), "abcbb"), "XZYY");
}

TEST_F(Executor, EditsKeepOrderAndUnfocusedEditsGoLast) {
    Asm a;
    a.Rule([&] { a.Lit("c").Focus().FocusEnd(); }, [&] { a.B(ACT_TEXT).S("1").B(ACT_TEXT).S("2"); });
    a.Rule([&] { a.Lit("c").Focus().FocusEnd(); }, [&] { a.B(ACT_TEXT).S("3"); });
    a.Rule([&] { a.Lit("e"); }, [&] { a.B(ACT_TEXT).S("!"); });  // no focus: after the text
    a.Rule([&] { a.Focus().Lit("de").FocusEnd(); }, [&] { a.B(ACT_TEXT).S("x"); });
    a.End();
    EXPECT_EQ(Run(a.Build(), "abcdefg"), "abc123xfg!");
}

TEST_F(Executor, BlockOnceLeftByActionResult) {
    Asm a;
    a.Block(true, [&] {
        a.Rule([&] { a.Focus().Lit("x").FocusEnd(); }, [&] { a.B(ACT_TEXT).S("1").B(ACT_RESULT).B('U'); });
        a.Rule([&] { a.Focus().Lit("a").FocusEnd(); }, [&] { a.B(ACT_RESULT).B('U').B(ACT_TEXT).S("2"); });
        a.Rule([&] { a.Focus().Lit("a").FocusEnd(); }, [&] { a.B(ACT_TEXT).S("3"); });
        a.End();
    });
    a.Rewrite("", "b", "", "B");
    a.End();
    // Single attempt: rule 1 does not look for the later "x"; rule 2 leaves
    // the block after its other actions ran; rule 3 is never tried.
    EXPECT_EQ(Run(a.Build(), "abx"), "2Bx");
}

TEST_F(Executor, ForeachStopsOnResultAndNarrowsRegion) {
    Asm a;
    const uint16_t letters = a.ClassOf("abcdefghijklmnopqrstuvwxyz");
    a.Foreach([&] {
        a.Focus();
        a.Repeat(1, 0xFFFF, [&] { a.El(EL_CLASS, letters); });
        a.FocusEnd().Resume();
    }, [&] {
        // EL_AT_END sees the word's end, not the text's.
        a.Rule([&] { a.Focus().Lit("s").FocusEnd().B(EL_AT_END); }, [&] { a.B(ACT_TEXT).S("Z"); });
        a.Rule([&] { a.Focus().Lit("stop").FocusEnd(); }, [&] { a.B(ACT_RESULT).B(RES_STOP); });
        a.End();
    });
    EXPECT_EQ(Run(a.Build(), "cats sit stop dogs"), "catZ sit  dogs");
}

TEST_F(Executor, ThirtiethFrameIsReportedAndThirtyFirstRefused) {
    auto nested = [](int depth) {
        Asm a;
        std::function<void(int)> block = [&](int left) {
            if (left == 0) {
                a.Rewrite("", "a", "", "b");
                a.End();
                return;
            }
            a.Block(false, [&] { block(left - 1); a.End(); });
        };
        block(depth);
        a.End();
        return a.Build();
    };
    EXPECT_EQ(Run(nested(29), "aa"), "bb");
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(Run(nested(30), "aa"), "bb");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "ASSERT: StmtStackIndex < MAX_STATEMENT_NESTING fails in TMG_EXEC(1248)");
    EXPECT_EQ(Run(nested(31), "aa"), "error -103");
}

TEST_F(Executor, UnknownActionReportedAndSkipped) {
    Asm a;
    a.Rule([&] { a.Focus().Lit("a").FocusEnd(); }, [&] { a.B(0x7F).B(ACT_TEXT).S("b"); });
    a.End();
    EXPECT_EQ(Run(a.Build(), "a"), "b");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "ASSERT: FALSE fails in TMG_EXEC(2611)");
}

TEST_F(Executor, OutputGrowsPastOneStepAndStopsAt16Bits) {
    Asm a;
    a.Rewrite("", "a", "", std::string(1500, 'x'));
    a.End();
    const Bytes p = a.Build();
    EXPECT_EQ(Run(p, "a-a"), std::string(1500, 'x') + "-" + std::string(1500, 'x'));
    EXPECT_EQ(Run(p, std::string(43, 'a')).size(), 64500u);  // fits 16 bits, 66000 bytes do not
    EXPECT_EQ(Run(p, std::string(44, 'a')), "error -104");
    EXPECT_EQ(Run(p, std::string(65535, 'b')), "error -104");  // beyond 16-bit positions
    EXPECT_EQ(Run(p, ""), "");
}

}  // namespace
}  // namespace ruletest
