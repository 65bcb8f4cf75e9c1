// The dictionary compiler: what reaches the file, read back with the
// engine's own check and search, and what it refuses, with line numbers.
#include "dict_compiler.h"

#include "dict/dictionary.h"
#include "dict/dictionary_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kav::font {
namespace {

using ::testing::ElementsAre;

std::string ReadBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class DictCompiler : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = (std::filesystem::temp_directory_path() /
                 ("kavdictc_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ".dic"))
                    .string();
    }
    void TearDown() override { std::filesystem::remove(path_); }

    // Compiles `text` as the tool does; the errors, or the file's bytes.
    Diagnostics Compile(const std::string &text, KeyCase keyCase = KeyCase::Upper) {
        Diagnostics errors;
        entries_ = ParseLexicon(text, "lex.txt", keyCase, errors);
        SortDictionaryEntries(entries_, "lex.txt", errors);
        if (errors.empty()) {
            EXPECT_EQ(WriteDictionary(entries_, path_), 0);
            file_ = ReadBytes(path_);
        }
        return errors;
    }
    const BYTE *View() const { return reinterpret_cast<const BYTE *>(file_.data()); }
    DWORD Count() const { return View()[0] | (View()[1] << 8); }
    const BYTE *Table() const { return View() + kDictHeaderSize; }
    const char *Pool() const { return file_.data() + kDictHeaderSize + Count() * kDictRecordSize; }
    // The engine's search for a key; the entry's pronunciation and tag.
    std::pair<std::string, int> Find(const std::string &key) const {
        const LONG i = SearchDictionary(key.c_str(), kDictFind, static_cast<int>(key.size()), Table(), Count(), Pool());
        if (i < 0) return {"<none>", -1};
        const BYTE *record = Table() + i * kDictRecordSize;
        return {Pool() + DictRecordPronunciation(record), DictRecordTag(record)};
    }

    std::string path_;
    std::vector<LexiconEntry> entries_;
    std::string file_;
};

TEST_F(DictCompiler, KeysAreFoldedSortedByteWiseAndFoundByTheEngine) {
    // Windows-1252: e-acute (E9) folds to E-acute (C9), which sorts after
    // every ASCII letter; a key that is a prefix of another sorts first.
    const Diagnostics errors = Compile("# comment\r\n\nzebra\tzi'br@\r\nab\tAB 2\t7\n  # indented comment\n"
                                       "\xE9t\xE9\tete\na\tx\t65535\nAb c\ttwo words\n");
    ASSERT_THAT(errors, ElementsAre());
    ASSERT_TRUE(IsSoundDictionaryFile(View(), static_cast<DWORD>(file_.size())));
    EXPECT_EQ(file_.substr(2, 2), std::string("\x00\x80", 2));
    ASSERT_EQ(Count(), 5u);
    std::vector<std::string> keys;
    for (DWORD i = 0; i < Count(); ++i) keys.emplace_back(Pool() + DictRecordKey(Table() + i * kDictRecordSize));
    EXPECT_THAT(keys, ElementsAre("A", "AB", "AB C", "ZEBRA", "\xC9T\xC9"));
    EXPECT_EQ(Find("A"), std::make_pair(std::string("x"), 65535));
    EXPECT_EQ(Find("AB"), std::make_pair(std::string("AB 2"), 7));
    EXPECT_EQ(Find("AB C"), std::make_pair(std::string("two words"), 0));
    EXPECT_EQ(Find("ZEBRA"), std::make_pair(std::string("zi'br@"), 0));
    EXPECT_EQ(Find("\xC9T\xC9").first, "ete");
    EXPECT_EQ(Find("zebra").second, -1) << "the search compares exactly; keys are stored folded";
}

TEST_F(DictCompiler, CaseModes) {
    ASSERT_THAT(Compile("MiXed\tm\n\xC9T\xC9\te\n", KeyCase::Lower), ElementsAre());
    EXPECT_EQ(Find("mixed").first, "m");
    EXPECT_EQ(Find("\xE9t\xE9").first, "e");
    ASSERT_THAT(Compile("MiXed\tm\nmixed\tn\n", KeyCase::None), ElementsAre());
    EXPECT_EQ(Find("MiXed").first, "m");
    EXPECT_EQ(Find("mixed").first, "n");
    // Folded, the two are one key.
    EXPECT_THAT(Compile("MiXed\tm\n\nmixed\tn\nMIXED\to\n", KeyCase::Upper),
                ElementsAre("lex.txt:3: duplicate key 'MIXED' (first at line 1)",
                            "lex.txt:4: duplicate key 'MIXED' (first at line 1)"));
}

TEST_F(DictCompiler, EveryBadLineIsReportedWithItsNumber) {
    const std::string text = std::string("ok\tfine\n"
                                         "notab\n"
                                         "\tno key\n"
                                         "no pron\t\n"
                                         "tag\tp\t65536\n"
                                         "tag2\tp\t-1\n"
                                         "tag3\tp\t12x\n"
                                         "four\ta\t1\textra\n") +
                             std::string("nul\tp\0q\n", 8) + "ok\tagain\n";
    EXPECT_THAT(Compile(text),
                ElementsAre("lex.txt:2: expected KEY<TAB>PRONUNCIATION[<TAB>TAG]", "lex.txt:3: empty key",
                            "lex.txt:4: empty pronunciation",
                            "lex.txt:5: tag '65536' is not a number from 0 to 65535",
                            "lex.txt:6: tag '-1' is not a number from 0 to 65535",
                            "lex.txt:7: tag '12x' is not a number from 0 to 65535",
                            "lex.txt:8: more than three tab-separated fields", "lex.txt:9: NUL byte in the line",
                            "lex.txt:10: duplicate key 'OK' (first at line 1)"));
}

TEST_F(DictCompiler, HoldsExactly65535Entries) {
    std::string text;
    for (int i = 0; i < 65535; ++i) text += "K" + std::to_string(i) + "\tp\n";
    ASSERT_THAT(Compile(text), ElementsAre());
    EXPECT_EQ(Count(), 65535u);
    ASSERT_TRUE(IsSoundDictionaryFile(View(), static_cast<DWORD>(file_.size())));
    for (int i : {0, 9999, 65534}) EXPECT_EQ(Find("K" + std::to_string(i)).first, "p") << i;
    EXPECT_THAT(Compile("# one more\n" + text + "LAST\tp\n"),
                ElementsAre("lex.txt:65537: entry 65536: a dictionary holds at most 65535 entries (65536 given)"));
}

TEST_F(DictCompiler, EmptyLexiconAndUnwritablePaths) {
    ASSERT_THAT(Compile("# nothing\n"), ElementsAre());
    EXPECT_EQ(file_, std::string("\0\0\0\x80", 4));
    EXPECT_EQ(WriteDictionary(entries_, std::string(125, 'x')), -107);
    EXPECT_EQ(WriteDictionary(entries_, "/no/such/dir/k.dic"), -107);
}

}  // namespace
}  // namespace kav::font
