// Pattern elements, one or a few at a time, through small programs.
#include "rules/pass_fixture.h"

namespace ruletest {
namespace {

using Matcher = PassTest;

constexpr const char *kLetters = "abcdefghijklmnopqrstuvwxyz";

// A rule "[pattern] -> <replacement>" run over text.
std::string Apply(const std::function<void(Asm &)> &pattern, const std::string &text, const std::string &replacement = "<>") {
    Asm a;
    a.Rule([&] { pattern(a); }, [&] { a.B(ACT_TEXT).S(replacement); });
    a.End();
    return PassTest::Run(a.Build(), text);
}

TEST_F(Matcher, GreedyGivesBackExceptInsideAnAlternative) {
    auto greedy = [](bool inAlt, const std::string &after) {
        return [inAlt, after](Asm &a) {
            const uint16_t letters = a.ClassOf(kLetters);
            a.B(EL_AT_ANCHOR).Focus();
            auto rep = [&] { a.Repeat(0, 0xFFFF, [&] { a.El(EL_CLASS, letters); }); };
            if (inAlt) a.Alt(rep); else rep();
            a.FocusEnd();
            if (after.empty()) a.B(EL_AT_END); else a.Lit(after);
        };
    };
    EXPECT_EQ(Apply(greedy(false, "s"), "bass"), "<>s");
    EXPECT_EQ(Apply(greedy(true, "s"), "bass"), "bass");
    EXPECT_EQ(Apply(greedy(true, ""), "bass"), "<>");  // it took the whole word
    // Minimum not reached, maximum bounding the take.
    EXPECT_EQ(Apply([](Asm &a) {
                  a.Focus().Repeat(2, 3, [&] { a.Lit("a"); });
                  a.FocusEnd().Resume();
              }, "a aaaaa"), "a <><>");
}

TEST_F(Matcher, LazyStopsWhenTheRestMatches) {
    EXPECT_EQ(Apply([](Asm &a) {
                  const uint16_t letters = a.ClassOf(kLetters);
                  a.B(EL_AT_ANCHOR).Focus();
                  a.Repeat(1, 0xFFFF, [&] { a.El(EL_CLASS, letters); }, false, true);
                  a.FocusEnd().Lit("e");
              }, "thee"), "<>ee");
}

TEST_F(Matcher, SeekAndRest) {
    // Seek leaves the cursor where its body matches, without taking it.
    EXPECT_EQ(Apply([](Asm &a) { a.B(EL_AT_ANCHOR).Focus().Seek([&] { a.Lit("x"); });
        a.FocusEnd(); }, "abxcx"), "<>xcx");
    // Seek stops at a cleared byte: "b" is gone before the second rule runs.
    Asm a;
    a.Rewrite("", "b", "", "");
    a.Rule([&] { a.B(EL_AT_ANCHOR).Focus().Seek([&] { a.Lit("x"); });
        a.FocusEnd(); }, [&] { a.B(ACT_TEXT).S("!"); });
    a.End();
    EXPECT_EQ(Run(a.Build(), "abx"), "ax");
    // Rest fails over a cleared byte inside the focus, not in the context.
    Asm r;
    r.Rewrite("", "c", "", "C");
    r.Rule([&] { r.Lit("a").Focus().B(EL_REST).FocusEnd(); }, [&] { r.B(ACT_TEXT).S("<>"); });
    r.Rule([&] { r.Focus().Lit("b").FocusEnd().B(EL_REST); }, [&] { r.B(ACT_TEXT).S("B"); });
    r.End();
    EXPECT_EQ(Run(r.Build(), "abcd"), "aBCd");
}

TEST_F(Matcher, AnchorEndRangeAndLiteralBounds) {
    EXPECT_EQ(Apply([](Asm &a) { a.B(EL_AT_ANCHOR).Focus().Lit("a").FocusEnd(); }, "aaa"), "<>aa");
    EXPECT_EQ(Apply([](Asm &a) { a.Focus().Lit("a").FocusEnd().B(EL_AT_END); }, "aaa"), "aa<>");
    EXPECT_EQ(Apply([](Asm &a) { a.Focus().Range('0', '9').FocusEnd(); }, "a1b2/"), "a<>b<>/");
    // An empty literal matches up to the region end, not past it.
    EXPECT_EQ(Apply([](Asm &a) { a.Focus().Lit("").FocusEnd(); }, "ab"), "<>a<>b");
}

TEST_F(Matcher, AlternativeEndsOnConsumingElementPastTheEnd) {
    auto alt = [](Asm &a) {
        a.Lit("a").Focus().FocusEnd();
        a.Alt([&] { a.Lit("b"); a.B(EL_AT_END); });
    };
    // After "b" the alternative "b" fails past the end with no successor:
    // EL_AT_END is never tried.
    EXPECT_EQ(Apply(alt, "ab"), "a<>b");
    EXPECT_EQ(Apply(alt, "ba"), "ba");
}

TEST_F(Matcher, EmptyGroupAndDeadCodesNeverMatch) {
    EXPECT_EQ(Apply([](Asm &a) { a.Group([] {}); }, "abc"), "abc");
    EXPECT_EQ(Apply([](Asm &a) { a.Lit("a").B(7); }, "abc"), "abc");
    EXPECT_TRUE(g_boxes.empty());
    EXPECT_EQ(Apply([](Asm &a) { a.Lit("a").B(0x4F); }, "abc"), "abc");
    ASSERT_EQ(g_boxes.size(), 1u);
    EXPECT_EQ(g_boxes[0], "ASSERT: FALSE fails in TMG_EXEC(2510)");
}

TEST_F(Matcher, TagsCapturesAndTheirActions) {
    Asm a;
    const uint16_t vowels = a.ClassOf("aeiou");
    const uint16_t first = a.First({{"th", "T"}, {"t", std::nullopt}});
    const uint16_t longest = a.Longest({{"c", "k"}, {"ch", "tsh"}, {"chr", std::nullopt}});
    const uint16_t sub = a.List([&] { a.Lit("x").Lit("y"); });
    const uint16_t entry = a.Rule([&] { a.Focus().El(EL_CLASS_TAG, vowels).FocusEnd(); },
           [&] { a.B(ACT_TEXT).S("[").B(ACT_TAG_SPAN).W(vowels).B(ACT_TAG).W(vowels).B(ACT_TEXT).S("]"); });
    a.Rule([&] { a.Focus().El(EL_FIRST_TAG, first).FocusEnd(); },
           [&] { a.B(ACT_TAG).W(first).B(ACT_TAG_SPAN).W(first); });
    a.Rule([&] { a.Focus().El(EL_LONGEST_TAG, longest).FocusEnd(); },
           [&] { a.B(ACT_TAG).W(longest).B(ACT_TEXT).S("/"); });
    a.Rule([&] { a.Focus().El(EL_CALL_CAPTURE, sub).FocusEnd(); },
           [&] { a.B(ACT_CAPTURE).W(sub).B(ACT_CAPTURE).W(sub).B(ACT_CAPTURE).W(0x1234); });
    a.End();
    EXPECT_EQ(Run(a.Build(entry), "thetchrxychx"), "Tth[ee]ttchr/xyxytsh/x");
}

TEST_F(Matcher, MarksInsideRepetitionsBecomeOneMark) {
    Asm a;
    const uint16_t letters = a.ClassOf(kLetters);
    const uint16_t pair = a.List([&] { a.El(EL_CLASS, letters).El(EL_CLASS, letters); });
    // The outermost repetition records one capture of its whole span; the
    // captures of its repetitions are not recorded.
    const uint16_t entry = a.Rule([&] {
        a.Focus();
        a.Repeat(1, 0xFFFF, [&] { a.El(EL_CALL_CAPTURE, pair); });
        a.FocusEnd();
    }, [&] { a.B(ACT_TEXT).S("<").B(ACT_CAPTURE).W(pair).B(ACT_TEXT).S(">"); }, true);
    a.End();
    EXPECT_EQ(Run(a.Build(entry), "abcde"), "<abcd>e");
    // A tag-less body leaves no mark at all.
    Asm b;
    const uint16_t lt = b.ClassOf(kLetters);
    b.Rule([&] {
        b.Focus();
        b.Repeat(1, 0xFFFF, [&] { b.Lit("a").El(EL_CLASS_TAG, lt); }, true);
    }, [&] { b.B(ACT_TEXT).S("<").B(ACT_TAG_SPAN).W(lt).B(ACT_TEXT).S(">"); }, true);
    b.End();
    EXPECT_EQ(Run(b.Build(), "abac"), "<>");
}

TEST_F(Matcher, CapturesReadTheCurrentView) {
    Asm a;
    const uint16_t any = a.List([&] { a.Lit("a").Lit("b").Lit("c"); });
    const uint16_t entryA = a.Rewrite("", "b", "", "");
    // After E the view is the work copy, where "b" is cleared.
    a.Rule([&] { a.Focus().El(EL_CALL_CAPTURE, any).FocusEnd(); }, [&] {
        a.B(ACT_TEXT).S("<").B(ACT_CAPTURE).W(any).B(ACT_TEXT).S(">");
    });
    a.End();
    EXPECT_EQ(Run(a.Build(entryA), "abc"), "ac");  // "b" cleared: the call fails in the work copy
    Asm b;
    const uint16_t ab = b.List([&] { b.Lit("a").Lit("b"); });
    const uint16_t entryB = b.Rewrite("a", "b", "", "");
    b.Rule([&] { b.El(EL_CALL_CAPTURE, ab).Focus().Lit("c").FocusEnd(); }, [&] {
        b.B(ACT_TEXT).S("<").B(ACT_CAPTURE).W(ab).B(ACT_TEXT).S(">");
    });
    b.End();
    // Captured and copied through the input view: the cleared "b" is still there.
    EXPECT_EQ(Run(b.Build(entryB), "abc"), "a<ab>");
}

}  // namespace
}  // namespace ruletest
