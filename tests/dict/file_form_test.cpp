// Opening dictionary files: what is refused, what is shared, and which entry
// is current after an open fails.
#include "dict/dictionary_stack.h"
#include "dict_fixture.h"
#include "platform/testing.h"

#include <cstring>

namespace {

using dicttest::DictTest;
using dicttest::Entry;
using dicttest::FileImage;

std::string Corrupt(std::string image, size_t at, char value) {
    image.at(at) = value;
    return image;
}

TEST_F(DictTest, RefusesFilesThatAreNotSoundDictionaries) {
    const std::vector<Entry> good = {{"AB", "x"}, {"ABC", "y"}, {"B", "z"}};
    const std::string image = FileImage(good);  // table at 4, pool at 34
    const std::vector<std::pair<const char *, std::string>> bad = {
        {"flags bit 15 clear", FileImage(good, 0x7FFF)},
        {"shorter than its header", std::string("\0\0", 2)},
        {"shorter than its table", image.substr(0, 4 + 25)},
        {"key offset past the pool", Corrupt(image, 4 + 2, 40)},
        {"key inside another string", Corrupt(image, 4 + 10 + 2, 1)},
        {"pronunciation without a NUL after it", image.substr(0, image.size() - 1)},
        {"keys out of order", FileImage({{"B", "z"}, {"AB", "x"}})},
        {"the same key twice", FileImage({{"AB", "x"}, {"AB", "y"}})},
    };
    ASSERT_EQ(DictAdd(&scb_, MakeFile("ok.dic", good).c_str()), 0);
    for (const auto &[what, bytes] : bad) {
        dicttest::WriteFile(Path("bad.dic"), bytes);
        EXPECT_EQ(DictAdd(&scb_, Path("bad.dic").c_str()), SE_ERR_BADDICT) << what;
        EXPECT_EQ(scb_.nDictStack, 1) << what;
        EXPECT_EQ(DictNumEntries(&scb_), 3) << what;
    }
    dicttest::WriteFile(Path("all.dic"), FileImage(good, 0xFFFF));
    EXPECT_EQ(DictAdd(&scb_, Path("all.dic").c_str()), 0);
}

TEST_F(DictTest, EmptyFileStaysMappedWithoutTableOrPool) {
    ASSERT_EQ(DictAdd(&scb_, MakeFile("empty.dic", {}).c_str()), 0);
    EXPECT_NE(scb_.lpDictView, nullptr);
    EXPECT_EQ(scb_.lpDictTable, nullptr);
    EXPECT_EQ(scb_.lpDictPool, nullptr);
    EXPECT_EQ(DictFind(&scb_, "A"), nullptr);
    EXPECT_EQ(DictDelete(&scb_, "A"), SE_ERR_NORULES);
}

TEST_F(DictTest, PathsThatDoNotFitAreRefusedNotCut) {
    const std::string longName(130 - Path("").size(), 'x');
    EXPECT_EQ(DictAdd(&scb_, Path(longName).c_str()), SE_ERR_DICTOPEN);
    EXPECT_EQ(DictAdd(&scb_, Path("missing.dic").c_str()), SE_ERR_DICTOPEN);
    EXPECT_EQ(scb_.nDictStack, 0);
    EXPECT_EQ(scb_.lpDictStack, nullptr);
}

TEST_F(DictTest, FailedPushOrReplaceLeavesTheRightEntryCurrent) {
    ASSERT_EQ(DictAdd(&scb_, MakeFile("a.dic", {{"A", "a"}}).c_str()), 0);
    ASSERT_EQ(DictAdd(&scb_, MakeFile("b.dic", {{"B", "b"}}).c_str()), 0);
    EXPECT_EQ(DictAdd(&scb_, Path("missing.dic").c_str()), SE_ERR_DICTOPEN);
    EXPECT_EQ(scb_.nDictStack, 2);
    EXPECT_NE(DictFind(&scb_, "B"), nullptr);
    // A failed replacement has already closed the dictionary it replaced.
    EXPECT_EQ(DictNew(&scb_, Path("missing.dic").c_str()), SE_ERR_DICTOPEN);
    EXPECT_EQ(scb_.nDictStack, 1);
    EXPECT_NE(DictFind(&scb_, "A"), nullptr);
    EXPECT_EQ(kav::DictStackEntry(&scb_, 0)->lpDictView, scb_.lpDictView);
    // Replacing the only dictionary: a good file takes its place.
    EXPECT_EQ(DictNew(&scb_, Path("b.dic").c_str()), 0);
    EXPECT_EQ(scb_.nDictStack, 1);
    EXPECT_NE(DictFind(&scb_, "B"), nullptr);
    EXPECT_EQ(DictNew(&scb_, nullptr), 0);
    EXPECT_EQ(scb_.nDictStack, 0);
    EXPECT_EQ(scb_.lpDictStack, nullptr);
}

TEST_F(DictTest, TwoSCBsShareOneMappingUntilTheFileIsReplaced) {
    MakeFile("shared.dic", {{"ONE", "1"}});
    // Backslashes as a Windows path has them; the name uses '/'.
    std::string winPath = Path("shared.dic");
    winPath[winPath.rfind('/')] = '\\';
    ASSERT_EQ(DictAdd(&scb_, winPath.c_str()), 0);
    ASSERT_EQ(DictAdd(&other_, Path("shared.dic").c_str()), 0);
    EXPECT_STREQ(scb_.lpDictMapName, ("TM_" + Path("shared.dic")).c_str());
    EXPECT_EQ(scb_.lpDictView, other_.lpDictView);
    EXPECT_STREQ(scb_.szDictFile, winPath.c_str());

    // A new file renamed over the path gets a mapping of its own; the old
    // view keeps the old file.
    dicttest::WriteFile(Path("new.dic"), FileImage({{"ONE", "1"}, {"TWO", "2"}}));
    std::filesystem::rename(Path("new.dic"), Path("shared.dic"));
    SCB third = MakeSCB();
    ASSERT_EQ(DictAdd(&third, Path("shared.dic").c_str()), 0);
    EXPECT_NE(third.lpDictView, scb_.lpDictView);
    EXPECT_EQ(DictNumEntries(&third), 2);
    kav::CloseFontDictionaries(&third);
    EXPECT_EQ(DictNew(&other_, nullptr), 0);
    EXPECT_EQ(DictNumEntries(&scb_), 1);
    EXPECT_STREQ(DictGetEntry(&scb_, 0)->lpszKey, "ONE");
}

class FontDictTest : public DictTest {
protected:
    // Loads the font's dictionaries as font loading does.
    LONG LoadFont(const char *kernelName, const char *defaultName) {
        std::snprintf(scb_.szFontPath, sizeof scb_.szFontPath, "%s", dir_.string().c_str());
        HGLOBAL res = kernelName ? kav::testing::MakeResource(kernelName, std::strlen(kernelName) + 1) : nullptr;
        kav::OpenKernelDictionary(&scb_, res);
        if (res != nullptr) FreeResource(res);
        const std::string path = defaultName ? dir_.string() + "\\" + defaultName : "";
        return kav::OpenDictionary(&scb_, defaultName ? path.c_str() : nullptr, TRUE);
    }
};

TEST_F(FontDictTest, KernelDictionaryIsNeverChanged) {
    MakeFile("kernel.dic", {{"K", "k"}});
    ASSERT_EQ(LoadFont("kernel.dic", nullptr), 0);
    EXPECT_EQ(scb_.fKernelDict, 1u);
    EXPECT_EQ(scb_.nDictStack, 2);
    EXPECT_EQ(scb_.fDictInMemory, 1u);  // the empty default dictionary
    EXPECT_EQ(DictNew(&scb_, nullptr), 0);  // closes it: only the kernel is left
    EXPECT_EQ(scb_.nDictStack, 1);
    EXPECT_EQ(DictDelete(&scb_, "K"), SE_ERR_NOUSERDICT);
    EXPECT_EQ(DictNew(&scb_, nullptr), 0);
    EXPECT_EQ(scb_.nDictStack, 1);
    ASSERT_EQ(DictInsert(&scb_, "K", "new", 0), 0);
    EXPECT_EQ(scb_.nDictStack, 2);
    EXPECT_STREQ(DictFind(&scb_, "K")->lpszPronunciation, "new");
    const kav::DictDescriptor *kernel = kav::DictStackEntry(&scb_, 0);
    EXPECT_EQ(kernel->fDictInMemory, 0u);
    EXPECT_EQ(kernel->nDictEntries, 1u);
}

TEST_F(FontDictTest, MissingKernelFileLeavesNoKernelDictionary) {
    MakeFile("user.dic", {{"U", "u"}});
    ASSERT_EQ(LoadFont("absent.dic", "user.dic"), 0);
    EXPECT_EQ(scb_.fKernelDict, 0u);
    EXPECT_EQ(scb_.nDictStack, 1);
    EXPECT_EQ(DictDelete(&scb_, "U"), 0);
    EXPECT_EQ(LoadFont(nullptr, "absent.dic"), SE_ERR_DICTOPEN);
    EXPECT_EQ(scb_.nDictStack, 1);
}

}  // namespace
