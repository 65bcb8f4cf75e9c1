#include "api/engine_state.h"
#include "api/engine_test.h"

#include <array>

namespace kav::apitest {
namespace {

using testfonts::Bytes;
using testfonts::TestFont;

class FontLoading : public EngineTest {};

TEST_F(FontLoading, VersionAbove211IsRefused) {
    struct Case { const char *name; int16_t major, minor; LONG status; };
    const Case cases[] = {{"V211", 2, 11, 0}, {"V212", 2, 12, -112}, {"V25", 2, 5, -112},
                          {"V210", 2, 10, -112}, {"V199", 1, 99, 0}, {"VNEG", 2, -5, 0}};
    for (const Case &c : cases) reg_.AddFont(c.name, TestFont::Minimal().SetVersion(c.major, c.minor));
    reg_.AddFont("NOVER", TestFont::Minimal().Remove(10, "VERSIONNUMBER"));  // reads -1.1
    reg_.Apply();
    for (const Case &c : cases) EXPECT_EQ(StatusOf(c.name), c.status) << c.name;
    EXPECT_EQ(StatusOf("NOVER"), 0);
}

TEST_F(FontLoading, StressIncrementsDefaultOrCarryOver) {
    TestFont all = TestFont::Minimal();
    const char *names[] = {"PRIMSTRESSPITCHINCR", "SECSTRESSPITCHINCR", "DESTRESSPITCHINCR",
                           "PRIMSTRESSSPEEDINCR", "SECSTRESSSPEEDINCR", "DESTRESSSPEEDINCR"};
    for (int i = 0; i < 6; ++i) all.SetInteger(names[i], i + 1);
    reg_.AddFont("NONE", TestFont::Minimal());
    reg_.AddFont("ALL", all);
    reg_.AddFont("PRIM", TestFont::Minimal().SetInteger("PRIMSTRESSPITCHINCR", 100));
    reg_.Apply();
    using Incr = std::array<LONG, 6>;
    auto incr = [] { Incr v; std::copy(g_lStressIncr, g_lStressIncr + 6, v.begin()); return v; };
    const std::pair<const char *, Incr> steps[] = {
        {"NONE", {60, 30, -30, -60, -40, 40}}, {"ALL", {1, 2, 3, 4, 5, 6}}, {"PRIM", {100, 2, 3, 4, 5, 6}}};
    for (const auto &[font, expected] : steps) {
        LPSCB scb = Open(font);
        EXPECT_EQ(incr(), expected) << font;
        CloseSpeech(scb);
    }
}

TEST_F(FontLoading, NamesMatchWithoutRegardToCase) {
    reg_.AddFont("KavTest", TestFont::Minimal());
    reg_.AddFont("Other", TestFont::Minimal().SetVersion(1, 5));
    reg_.Apply();
    LPSCB scb = Open("KAVTEST");
    EXPECT_EQ(SpeechStatus(scb), 0);
    EXPECT_STREQ(scb->szFontModule, (reg_.Dir() + "\\KavTest.DLL").c_str());
    // ChangeSpeech upper-cases the name; the module file is found anyway.
    EXPECT_EQ(ChangeSpeech(scb, 0, "other"), 0);
    EXPECT_EQ(scb->nFontVersionMajor, 1);
    CloseSpeech(scb);
    scb = Open(nullptr);  // the first registered font
    EXPECT_STREQ(scb->szFontModule, (reg_.Dir() + "\\KavTest.DLL").c_str());
    CloseSpeech(scb);
    EXPECT_EQ(StatusOf("NoSuchFont"), -112);
}

TEST_F(FontLoading, NoKeyOrNoFontsGivesAnScbWithoutFont) {
    testfonts::FontRegistry noKey;
    noKey.OmitKey();
    for (testfonts::FontRegistry *reg : {&noKey, &reg_}) {  // reg_: the key without subkeys
        reg->Apply();
        EXPECT_EQ(StatusOf(nullptr), -112);
    }
}

TEST_F(FontLoading, ChangeSpeechKeepsTheFontWhileAPhraseIsActive) {
    reg_.AddFont("ONE", TestFont::Minimal());
    reg_.Apply();
    LPSCB scb = Open("ONE");
    HMODULE loaded = scb->hFontModule;
    g_nActivePhrases = 1;
    EXPECT_EQ(ChangeSpeech(scb, SE_FLAG_MOUTH, nullptr), 0);
    EXPECT_EQ(scb->wFlags, DWORD{SE_FLAG_MOUTH});
    EXPECT_EQ(ChangeSpeech(scb, SE_FLAG_NOMSGBOX, "ONE"), -116);
    EXPECT_EQ(scb->hFontModule, loaded);
    g_nActivePhrases = 0;
    EXPECT_EQ(ChangeSpeech(scb, SE_FLAG_NOMSGBOX, "MISSING"), -112);
    EXPECT_EQ(scb->nStatus, -112);
    EXPECT_EQ(scb->hFontModule, nullptr);
    EXPECT_EQ(ChangeSpeech(scb, SE_FLAG_NOMSGBOX, "one"), 0);
    EXPECT_NE(scb->hFontModule, nullptr);
    EXPECT_TRUE(g_boxes.empty());
    CloseSpeech(scb);
}

TEST_F(FontLoading, HostileFontsAreRefused) {
    struct Case { const char *name; TestFont font; LONG status; };
    const Case cases[] = {
        {"PASSES51", TestFont::Minimal().SetInteger("NUMRULEPASSES", 51), -112},
        {"PASSESNEG", TestFont::Minimal().SetInteger("NUMRULEPASSES", -1), -112},
        {"PASSESSHORT", TestFont::Minimal().Set(10, "NUMRULEPASSES", {2, 0}), -111},
        {"PCMDNEG", TestFont::Minimal().SetInteger("NUMPCMRESOURCES", -5), -112},
        {"PCMDHUGE", TestFont::Minimal().SetInteger("NUMPCMRESOURCES", 70000), -112},
        {"PCMDINFLATED", TestFont::Minimal().SetInteger("NUMPCMRESOURCES", 5), -112},
        {"INSTWRAPS", TestFont::Minimal().SetInteger("NUMINSTRESOURCES", 65137), -112},
        {"NOHEADER", TestFont::Minimal().Remove("SPEECH_HDR", 256), -112},
        {"SHORTHEADER", TestFont::Minimal().Set("SPEECH_HDR", 256, Bytes(20, 0)), -112},
        {"KERNELNONUL", TestFont::Minimal().Set("KERNEL_DIC", 100, {'k', '.', 'd'}), -112},
        {"KERNELOK", TestFont::Minimal().Set("KERNEL_DIC", 100, {'k', 0}), 0},
        {"SHORTVERSION", TestFont::Minimal().Set(10, "VERSIONNUMBER", {9, 0, 9}), 0},
    };
    for (const Case &c : cases) reg_.AddFont(c.name, c.font);
    Bytes minimal = TestFont::Minimal().Build();
    reg_.AddFontFile("EMPTY", {});
    reg_.AddFontFile("NOISE", Bytes(300, 0x5A));
    reg_.AddFontFile("TRUNCATED", Bytes(minimal.begin(), minimal.begin() + minimal.size() / 2));
    reg_.Apply();
    for (const Case &c : cases) EXPECT_EQ(StatusOf(c.name), c.status) << c.name;
    for (const char *name : {"EMPTY", "NOISE", "TRUNCATED"}) EXPECT_EQ(StatusOf(name), -112) << name;
    EXPECT_TRUE(g_boxes.empty());
}

TEST_F(FontLoading, CountsAndOptionalResources) {
    reg_.AddFont("FULL", TestFont::Minimal(4).Set("DELTA_TABLE", 259, {1}).Set("RULE", 354, {1}).SetInteger("DICTIONARYCASE", 3), "", "user.dic");
    reg_.AddFont("BARE", TestFont::Minimal().Set("DELTA_TABLE", 259, {1}).Remove(10, "NUMINSTRESOURCES"));
    reg_.Apply();
    LPSCB scb = Open("FULL");
    EXPECT_TRUE(scb->hDeltaTable && scb->hPassMask && scb->nInst == 1 && scb->lphINST && scb->lphINST[0]);
    EXPECT_EQ(scb->nDictCase, 3);
    EXPECT_STREQ(scb->szDictFile, "user.dic");
    // The header does not ask for the delta table; a missing count empties
    // the family rather than keeping the previous font's.
    EXPECT_EQ(ChangeSpeech(scb, SE_FLAG_NOMSGBOX, "BARE"), 0);
    EXPECT_TRUE(!scb->hDeltaTable && !scb->hPassMask && scb->nInst == 0 && !scb->lphINST && scb->nPcmd == 1);
    EXPECT_EQ(scb->nDictCase, 1);
    CloseSpeech(scb);
}

TEST_F(FontLoading, OverlongRegistryValuesAreRefused) {
    reg_.AddFont("LONGDICT", TestFont::Minimal(), "", std::string(200, 'd'));
    reg_.AddFont("EDGEDICT", TestFont::Minimal(), "", std::string(127, 'd'));  // fits, its path does not
    reg_.Apply();
    EXPECT_EQ(StatusOf("LONGDICT"), -112);
    EXPECT_EQ(StatusOf("EDGEDICT"), -112);
    testfonts::FontRegistry longPath;
    longPath.SetPath(reg_.Dir() + "/" + std::string(130, 'p'));
    longPath.Register("ANY");
    longPath.Apply();
    EXPECT_EQ(StatusOf("ANY"), -112);
}

TEST_F(FontLoading, MissingMembersAssertEvenWithoutMessageBoxes) {
    reg_.AddFont("GAPS", TestFont::Minimal(4).Remove("RULE", 301).Remove("DEMI", 258).Remove("INST", 400).SetInteger("NUMINSTRESOURCES", 2).Set("INST", 401, {1}));
    reg_.Apply();
    LPSCB scb = Open("GAPS");
    EXPECT_EQ(SpeechStatus(scb), 0);
    const std::vector<std::string> expected = {
        "ASSERT: lpSCB->hRULE[counter] != NULL fails in SPEECH(297)",
        "ASSERT: lpSCB->hDEMI != (HGLOBAL)NULL fails in SPEECH(318)",
        "ASSERT: *lpH != (HGLOBAL)NULL fails in SPEECH(137)",
        "ASSERT: lpSCB->hDeltaTable != (HMODULE)NULL fails in SPEECH(381)"};
    EXPECT_EQ(g_boxes, expected);
    CloseSpeech(scb);
}

// Every allocation that font opening makes is failed in turn: nothing leaks,
// and reports follow the SCB's message-box flag.
TEST_F(FontLoading, AllocationFailuresLeakNothing) {
    reg_.AddFont("KAVTEST", TestFont::Minimal());
    reg_.Apply();
    for (WORD flags : {WORD{0}, WORD{SE_FLAG_NOMSGBOX}}) {
        g_boxes.clear();
        bool completed = false;
        for (long n = 1; n < 100 && !completed; ++n) {
            kav::fault::FailAllocationAfter(n);
            LPSCB scb = OpenSpeech(nullptr, flags, "KAVTEST");
            kav::fault::FailAllocationAfter(0);
            if (scb != nullptr) {
                EXPECT_EQ(SpeechStatus(scb), 0);
                EXPECT_EQ(scb->nPcmd == 0, scb->lphPCMD == nullptr);
                completed = scb->lphPCMD != nullptr && scb->lphINST != nullptr;
                CloseSpeech(scb);
            }
            EXPECT_EQ(kav::fault::LiveBlocks(), live_) << "failing allocation " << n;
        }
        EXPECT_TRUE(completed);
        for (const std::string &box : g_boxes) EXPECT_EQ(box, "Kavrel for Win32: Problem allocating memory");
        EXPECT_EQ(g_boxes.empty(), flags != 0);
    }
}

}  // namespace
}  // namespace kav::apitest
