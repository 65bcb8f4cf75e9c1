// The pass workspace on its own: edits, merging, cut strings, marks.
#include "rules/pass_workspace.h"

#include "api/services.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using kav::rules::PassWorkspace;

const BYTE *B(const char *s) { return reinterpret_cast<const BYTE *>(s); }

TEST(Workspace, EditsMergeCutAndSortIntoTheOutput) {
    const long live = kav::fault::LiveBlocks();
    const char *input = "abcdefg";
    PassWorkspace ws;
    ws.InitEdits();
    ws.InitMarks();
    ws.MakeWorkCopy(B(input), 7);
    ws.ClearSpan(3, 2);
    ws.AddEdit(7, 3, B("x\0zz"), 4);      // cut at its NUL
    ws.AddEdit(9, 0xFFFF, B("END"), 3);   // no focus: after the text
    ws.AddEdit(5, 6, B("<"), 1);
    ws.AddEdit(5, 6, B(">"), 1);          // merged into the record before
    ws.AddEdit(4, 6, B("|"), 1);          // another statement: its own record, later
    ws.AddEdit(4, 0, B("ignored"), 0);
    const DWORD changes = ws.Changes();
    ws.ClearSpan(3, 2);                   // nothing new to clear
    EXPECT_EQ(ws.Changes(), changes);
    ws.ViewWorkCopy();
    char *out = ws.BuildOutput();
    EXPECT_STREQ(out, "abcxf<>|gEND");
    kav::FreeBlock(out);
    ws.FreeMarks();
    ws.FreeWorkCopy();
    EXPECT_EQ(kav::fault::LiveBlocks(), live);
}

TEST(Workspace, NewestMarkWinsAndClearingFreesOwnedValues) {
    const long live = kav::fault::LiveBlocks();
    PassWorkspace ws;
    ws.InitMarks();
    ws.AddTag(1, 0, 2, "old");
    ws.AddCapture(1, 5, 1);
    ws.AddTag(1, 3, 4, nullptr);
    EXPECT_EQ(ws.FindTagValue(1), nullptr);  // the older value is never consulted
    EXPECT_EQ(ws.FindTagSpan(1).start, 3);
    EXPECT_EQ(ws.FindCapture(1).start, 5);
    EXPECT_EQ(ws.FindCapture(2).start, 0xFFFF);
    for (int i = 0; i < 300; ++i) {  // past one growth step
        auto *owned = static_cast<char *>(kav::AllocBlock(4));
        owned[0] = 'v';
        ws.AddTag(2, WORD(i), 1, owned, true);
    }
    ws.AddTag(3, 0, 1, "\x1b" "7");  // borrowed, though it looks like a reference
    EXPECT_EQ(ws.FindTagSpan(2).start, 299);
    ws.ClearMarks();
    EXPECT_EQ(ws.FindTagSpan(2).start, 0xFFFF);
    ws.FreeMarks();
    EXPECT_EQ(kav::fault::LiveBlocks(), live);
}

}  // namespace
