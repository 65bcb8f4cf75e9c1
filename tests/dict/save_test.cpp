// Saving: what reaches the file in each form, reopening it, and what a save
// that fails midway leaves behind.
#include "dict_fixture.h"

namespace {

using dicttest::DictTest;
using dicttest::Entry;
using dicttest::FileImage;
using Pairs = std::vector<std::pair<std::string, std::string>>;

TEST_F(DictTest, FileFormIsSavedByteForByte) {
    // Unreferenced pool bytes and a non-minimal flags word are kept as mapped.
    const std::string image = FileImage({{"A", "a", 1}, {"B", "b", 2}}, 0xFFFF) + std::string("junk\0", 5);
    dicttest::WriteFile(Path("in.dic"), image);
    ASSERT_EQ(DictAdd(&scb_, Path("in.dic").c_str()), 0);
    ASSERT_EQ(DictSave(&scb_, Path("out.dic").c_str()), 0);
    std::string expected = image;
    expected[2] = 0;  // the writer's own flags word, 0x8000
    expected[3] = static_cast<char>(0x80);
    EXPECT_EQ(dicttest::ReadFile(Path("out.dic")), expected);
    // Saving over the file that is mapped: the view keeps the old file.
    ASSERT_EQ(DictSave(&scb_, Path("in.dic").c_str()), 0);
    EXPECT_EQ(dicttest::ReadFile(Path("in.dic")), expected);
    EXPECT_STREQ(DictGetEntry(&scb_, 1)->lpszKey, "B");
}

TEST_F(DictTest, MemoryFormIsSavedCompactedAndReopensTheSame) {
    ASSERT_EQ(DictAdd(&scb_, MakeFile("in.dic", {{"A", "a"}, {"B", "b"}, {"C", "c"}}).c_str()), 0);
    ASSERT_EQ(DictDelete(&scb_, "B"), 0);
    ASSERT_EQ(DictInsert(&scb_, "A", "replaced", 9), 0);
    ASSERT_EQ(DictInsert(&scb_, "AA", "new", 3), 0);
    ASSERT_EQ(DictSave(&scb_, Path("out.dic").c_str()), 0);
    EXPECT_EQ(dicttest::ReadFile(Path("out.dic")), FileImage({{"A", "replaced", 9}, {"AA", "new", 3}, {"C", "c"}}));
    EXPECT_EQ(scb_.fDictInMemory, 1u);
    ASSERT_EQ(DictAdd(&other_, Path("out.dic").c_str()), 0);
    EXPECT_EQ(Entries(&other_), Entries(&scb_));
    EXPECT_EQ(DictFind(&other_, "AA")->wTag, 3);

    SCB empty = MakeSCB();
    ASSERT_EQ(DictAdd(&empty, nullptr), 0);
    ASSERT_EQ(DictSave(&empty, Path("empty.dic").c_str()), 0);
    EXPECT_EQ(dicttest::ReadFile(Path("empty.dic")), FileImage({}));
    kav::CloseFontDictionaries(&empty);
}

TEST_F(DictTest, SaveRefusesPathsItCannotCreate) {
    ASSERT_EQ(DictAdd(&scb_, nullptr), 0);
    EXPECT_EQ(DictSave(&scb_, Path(std::string(130, 'x')).c_str()), SE_ERR_DICTCREATE);
    EXPECT_EQ(DictSave(&scb_, Path("no/such/dir.dic").c_str()), SE_ERR_DICTCREATE);
    EXPECT_EQ(DictSave(&scb_, nullptr), SE_ERR_DICTCREATE);
}

// Each file operation of a save is made to fail in turn, for a dictionary
// large enough to take several writes: the old file stays as it was and no
// temporary file is left.
TEST_F(DictTest, AFailedSaveLeavesTheOldFile) {
    const std::string old = FileImage({{"OLD", "file"}});
    dicttest::WriteFile(Path("d.dic"), old);
    ASSERT_EQ(DictAdd(&scb_, nullptr), 0);
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(DictInsert(&scb_, ("KEY" + std::to_string(i)).c_str(), "pron", 0), 0);
    for (long n = 1;; ++n) {
        kav::fault::FailFileOperationAfter(n);
        const LONG result = DictSave(&scb_, Path("d.dic").c_str());
        kav::fault::FailFileOperationAfter(0);
        if (result == 0) break;
        EXPECT_TRUE(result == SE_ERR_DICTCREATE || result == SE_ERR_RULEABORT) << result;
        EXPECT_EQ(dicttest::ReadFile(Path("d.dic")), old) << "failing file operation " << n;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1) << "failing file operation " << n;
        ASSERT_LT(n, 20);
    }
    ASSERT_EQ(DictAdd(&other_, Path("d.dic").c_str()), 0);
    EXPECT_EQ(DictNumEntries(&other_), 2000);
    EXPECT_EQ(Entries(&other_), Entries(&scb_));
}

}  // namespace
