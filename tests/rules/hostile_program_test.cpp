// Programs that point outside themselves, never end or never advance, the
// allocation-failure sweep, and the one-pass-at-a-time guard.
#include "rules/pass_fixture.h"

#include <chrono>
#include <thread>

namespace ruletest {
namespace {

using Hostile = PassTest;

TEST_F(Hostile, MalformedProgramsAreRefused) {
    Asm outside;
    outside.B(STMT_RULE).W(0xFFFF).B(EL_GROUP).W(0x7000).B(EL_AT_ANCHOR).B(0);  // actions beyond the end
    EXPECT_EQ(Run(outside.Build(), "ab"), "error -103");

    Bytes unterminated = Asm().Build();
    for (int b : {int(STMT_RULE), 0xFF, 0xFF, int(EL_LITERAL), int('a'), int('b')}) unterminated.push_back(uint8_t(b));
    EXPECT_EQ(Run(unterminated, "ab"), "error -103");

    Asm unknown;
    unknown.Rewrite("", "a", "", "b");
    unknown.B(9).W(0);
    EXPECT_EQ(Run(unknown.Build(), "ab"), "error -103");

    Asm recursive;  // a list that calls itself first
    const uint16_t self = recursive.Pc();
    recursive.El(EL_CALL, self).B(0);
    const uint16_t entry = recursive.Rule([&] { recursive.El(EL_CALL, self); }, nullptr);
    recursive.End();
    EXPECT_EQ(Run(recursive.Build(entry), "ab"), "error -103");
}

TEST_F(Hostile, PassesThatStopAdvancingAreAbandoned) {
    Asm stuck;  // resumes where it started and changes nothing
    stuck.Rule([&] { stuck.Resume(); }, nullptr);
    stuck.End();
    EXPECT_EQ(Run(stuck.Build(), "abc"), "error -104");

    // Two blocks whose continuations lead to each other.
    const Bytes loop = {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 6, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0};
    EXPECT_EQ(Run(loop, "abc"), "error -104");

    Asm growing;  // inserts at the same place forever: stopped by 16-bit text
    growing.Rule([&] { growing.Resume().Focus().FocusEnd(); }, [&] { growing.B(ACT_TEXT).S("x"); });
    growing.End();
    EXPECT_EQ(Run(growing.Build(), "abc"), "error -104");

    // Nested open repetitions over an empty body: stopped by the step budget.
    Asm nested;
    nested.Rule([&] {
        nested.Repeat(0, 0xFFFF, [&] {
            nested.Repeat(0, 0xFFFF, [&] { nested.Repeat(0, 0xFFFF, [&] { nested.Resume(); }, true); }, true);
        }, true);
    }, nullptr);
    nested.End();
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(Run(nested.Build(), "abc"), "error -104");
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(5));
}

TEST_F(Hostile, OnePassAtATime) {
    // While a pass shows an assertion report, another thread asks for a pass.
    static LONG nested = 0;
    KavSetMessageBoxHook([](const char *, const char *, UINT) {
        std::thread([] {
            char *out = nullptr;
            nested = kav::RunRulePassOver("x", "\2\0\0\0\0\0\0\0\0\0\0\0\0", 13, &out);
        }).join();
    });
    Asm a;
    a.Rule([&] { a.Lit("a"); }, [&] { a.B(0x7F); });
    a.End();
    EXPECT_EQ(Run(a.Build(), "a"), "a");
    EXPECT_EQ(nested, SE_ERR_EXECBUSY);
    EXPECT_EQ(Run(a.Build(), "b"), "b");  // and the guard is free again
}

TEST_F(Hostile, AllocationFailureSweep) {
    HandDict dict{{{"the", "D@", 1}, {"cat", "k@t", 0}}};
    scb_.lpDictStack = &dict.desc;
    scb_.nDictStack = 1;
    scb_.fDictActive = 1;
    scb_.lpfnDictLookup = NoLookup;
    scb_.hPassMask = reinterpret_cast<HGLOBAL>(&scb_);
    scb_.wFlags = SE_FLAG_NOMSGBOX;

    Asm a;
    const uint16_t q = a.ClassOf("q");
    const uint16_t letters = a.ClassOf("abcdefghijklmnopqrstuvwxyz");
    // 260 tags in one attempt (mark list growth), 740 edits (edit list growth),
    // an output past 2048 bytes, and owned dictionary references.
    a.Rule([&] {
        a.Lit("<").Focus();
        for (int i = 0; i < 260; ++i) a.El(EL_CLASS_TAG, q);
        a.FocusEnd();
    }, [&] { a.B(ACT_TAG_SPAN).W(q); });
    a.Rewrite("", "q", "", "xyz");
    a.Foreach([&] {
        a.Focus();
        a.Repeat(1, 0xFFFF, [&] { a.El(EL_CLASS, letters); });
        a.FocusEnd().Resume();
    }, [&] {
        a.Rule([&] { a.Focus().Dict().FocusEnd(); }, [&] { a.B(ACT_DICT); });
        a.End();
    });
    const Bytes p = a.Build();
    std::string text = "<" + std::string(1000, 'q');
    for (int i = 0; i < 20; ++i) text += " the cat";

    const std::string expected = Run(p, text);
    ASSERT_EQ(expected.size(), 2u + 740 * 3 + 20 * 8);  // each " the cat" becomes " ESC256 FS0"
    long n = 1;
    for (; n < 1000; ++n) {
        kav::fault::FailAllocationAfter(n);
        const std::string result = Run(p, text);
        kav::fault::FailAllocationAfter(0);
        if (result.rfind("error", 0) != 0) {
            EXPECT_EQ(result, expected);
            break;
        }
        EXPECT_EQ(result, "error -104") << n;
        EXPECT_EQ(kav::fault::LiveBlocks(), live_) << n;
    }
    EXPECT_GT(n, 8);  // every kind of block was made to fail on the way
}

}  // namespace
}  // namespace ruletest
