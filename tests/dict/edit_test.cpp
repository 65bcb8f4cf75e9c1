// Inserting, replacing, deleting and finding entries: order, case, limits,
// and what an allocation failure leaves behind.
#include "dict/dictionary_stack.h"
#include "dict_fixture.h"

#include <cstdio>
#include <functional>

namespace {

using dicttest::DictTest;
using dicttest::Entry;
using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST_F(DictTest, InsertionKeepsKeyOrderAndReplacesEqualKeys) {
    for (const char *k : {"DOG", "CAT", "CATALOG", "BAT", "CA"}) ASSERT_EQ(DictInsert(&scb_, k, k, 0), 0) << k;
    EXPECT_EQ(Entries(&scb_),
              (Pairs{{"BAT", "BAT"}, {"CA", "CA"}, {"CAT", "CAT"}, {"CATALOG", "CATALOG"}, {"DOG", "DOG"}}));
    ASSERT_EQ(DictInsert(&scb_, "CAT", "kat", 7), 0);
    EXPECT_EQ(DictNumEntries(&scb_), 5);
    const LPDICTENTRY e = DictFind(&scb_, "CAT");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->wTag, 7);
    EXPECT_STREQ(e->lpszPronunciation, "kat");
    EXPECT_EQ(DictGetEntry(&scb_, 5), nullptr);
    EXPECT_STREQ(DictGetEntry(&scb_, 0)->lpszKey, "BAT");
}

TEST_F(DictTest, KeysAreFoldedByTheFontsDictionaryCase) {
    scb_.nDictCase = 1;
    ASSERT_EQ(DictInsert(&scb_, "caf\xe9", "Mixed Case", 0), 0);
    EXPECT_STREQ(DictGetEntry(&scb_, 0)->lpszKey, "CAF\xc9");
    EXPECT_STREQ(DictFind(&scb_, "Caf\xc9")->lpszPronunciation, "Mixed Case");
    EXPECT_EQ(DictDelete(&scb_, "cAF\xe9"), 0);

    scb_.nDictCase = 2;
    ASSERT_EQ(DictInsert(&scb_, "CAF\xc9", "p", 0), 0);
    EXPECT_STREQ(DictGetEntry(&scb_, 0)->lpszKey, "caf\xe9");
    EXPECT_NE(DictFind(&scb_, "CaF\xe9"), nullptr);

    scb_.nDictCase = 0;  // no folding: only the exact bytes match
    EXPECT_EQ(DictFind(&scb_, "CAF\xc9"), nullptr);
    EXPECT_NE(DictFind(&scb_, "caf\xe9"), nullptr);
}

TEST_F(DictTest, DeactivatedLookupsFindNothingButListingGoesOn) {
    ASSERT_EQ(DictInsert(&scb_, "A", "a", 0), 0);
    EXPECT_NE(kav::LookupCurrentDictionary("AB", 1), nullptr);
    EXPECT_EQ(DictActivate(&scb_, FALSE), 0);
    EXPECT_EQ(DictFind(&scb_, "A"), nullptr);
    EXPECT_EQ(kav::LookupCurrentDictionary("A", 1), nullptr);
    EXPECT_STREQ(DictGetEntry(&scb_, 0)->lpszKey, "A");
}

TEST_F(DictTest, DeletingTheLastEntryLeavesAWorkingEmptyDictionary) {
    ASSERT_EQ(DictInsert(&scb_, "ONLY", "1", 0), 0);
    EXPECT_EQ(DictDelete(&scb_, "ONLY"), 0);
    EXPECT_EQ(DictNumEntries(&scb_), 0);
    EXPECT_EQ(DictFind(&scb_, "ONLY"), nullptr);
    EXPECT_EQ(DictDelete(&scb_, "ONLY"), SE_ERR_NORULES);
    EXPECT_EQ(DictInsert(&scb_, "NEXT", "2", 0), 0);
    EXPECT_EQ(Entries(&scb_), (Pairs{{"NEXT", "2"}}));
}

TEST_F(DictTest, ChangesToAFileDictionaryStayInMemory) {
    const std::string path = MakeFile("f.dic", {{"A", "a"}, {"C", "c"}});
    const std::string before = dicttest::ReadFile(path);
    ASSERT_EQ(DictAdd(&scb_, path.c_str()), 0);
    ASSERT_EQ(DictInsert(&scb_, "B", "b", 1), 0);
    EXPECT_EQ(scb_.fDictInMemory, 1u);
    EXPECT_EQ(scb_.lpDictView, nullptr);
    EXPECT_EQ(scb_.nDictStack, 1);
    EXPECT_EQ(kav::DictStackEntry(&scb_, 0)->lpDictTable, scb_.lpDictTable);
    EXPECT_EQ(Entries(&scb_), (Pairs{{"A", "a"}, {"B", "b"}, {"C", "c"}}));
    EXPECT_EQ(dicttest::ReadFile(path), before);
}

TEST_F(DictTest, AFullDictionaryRefusesNewKeysButTakesReplacements) {
    std::vector<Entry> entries;
    char key[8];
    for (int i = 0; i < 0xFFFF; ++i) {
        std::snprintf(key, sizeof key, "%05d", i);
        entries.push_back({key, "p"});
    }
    ASSERT_EQ(DictAdd(&scb_, MakeFile("full.dic", entries).c_str()), 0);
    EXPECT_EQ(DictInsert(&scb_, "X", "x", 0), SE_ERR_NOMEMORY);
    EXPECT_EQ(scb_.fDictInMemory, 0u);
    EXPECT_EQ(DictNumEntries(&scb_), 0xFFFF);
    EXPECT_EQ(DictInsert(&scb_, "00007", "seven", 0), 0);
    EXPECT_EQ(DictNumEntries(&scb_), 0xFFFF);
    EXPECT_STREQ(DictFind(&scb_, "00007")->lpszPronunciation, "seven");
}

// Every allocation an edit makes is made to fail in turn: each failure gives
// -101 and leaves the entries as they were, with nothing leaked.
TEST_F(DictTest, AllocationFailuresLeaveTheDictionaryAsItWas) {
    const std::string path = MakeFile("f.dic", {{"A", "a"}, {"C", "c"}});
    const Pairs original = {{"A", "a"}, {"C", "c"}};
    struct Edit {
        const char *what;
        std::function<LONG()> run;
        Pairs after;
    };
    const std::vector<Edit> edits = {
        {"insert into file form", [&] { return DictInsert(&scb_, "B", "b", 0); }, {{"A", "a"}, {"B", "b"}, {"C", "c"}}},
        {"replace in file form", [&] { return DictInsert(&scb_, "A", "x", 0); }, {{"A", "x"}, {"C", "c"}}},
        {"delete from file form", [&] { return DictDelete(&scb_, "C"); }, {{"A", "a"}}},
    };
    for (const Edit &edit : edits) {
        for (long n = 1;; ++n) {
            ASSERT_EQ(DictAdd(&scb_, path.c_str()), 0);
            kav::fault::FailAllocationAfter(n);
            const LONG result = edit.run();
            kav::fault::FailAllocationAfter(0);
            if (result == 0) {
                EXPECT_EQ(Entries(&scb_), edit.after) << edit.what;
                EXPECT_EQ(DictNew(&scb_, nullptr), 0);
                break;
            }
            EXPECT_EQ(result, SE_ERR_NOMEMORY) << edit.what << " failing allocation " << n;
            EXPECT_EQ(Entries(&scb_), original) << edit.what << " failing allocation " << n;
            EXPECT_EQ(DictNew(&scb_, nullptr), 0);
            ASSERT_LT(n, 20);
        }
    }
    // A memory-form dictionary that cannot grow keeps its entries too.
    ASSERT_EQ(DictInsert(&scb_, "A", "a", 0), 0);
    for (long n = 1;; ++n) {
        kav::fault::FailAllocationAfter(n);
        const LONG result = DictInsert(&scb_, "LONGER KEY", "pronunciation", 0);
        kav::fault::FailAllocationAfter(0);
        if (result == 0) break;
        EXPECT_EQ(Entries(&scb_), (Pairs{{"A", "a"}}));
        ASSERT_LT(n, 5);
    }
    EXPECT_EQ(DictNumEntries(&scb_), 2);
}

}  // namespace
