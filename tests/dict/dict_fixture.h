// Test SCBs with a dictionary stack, and dictionary files built byte by byte.
#pragma once

#include "api/engine_state.h"
#include "dict/font_dictionaries.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace dicttest {

struct Entry {
    std::string key;
    std::string pron;
    WORD tag = 0;
};

// A dictionary file image: entries in the order given, strings packed.
inline std::string FileImage(const std::vector<Entry> &entries, WORD flags = 0x8000) {
    std::string table, pool;
    auto put = [&table](uint64_t v, int n) {
        for (int i = 0; i < n; ++i) table.push_back(static_cast<char>(v >> (8 * i)));
    };
    for (const Entry &e : entries) {
        put(e.tag, 2);
        put(pool.size(), 4);
        put(pool.size() + e.key.size() + 1, 4);
        pool += e.key + '\0' + e.pron + '\0';
    }
    std::string image;
    image.push_back(static_cast<char>(entries.size()));
    image.push_back(static_cast<char>(entries.size() >> 8));
    image.push_back(static_cast<char>(flags));
    image.push_back(static_cast<char>(flags >> 8));
    return image + table + pool;
}

inline std::string ReadFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteFile(const std::string &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A fresh directory per test and an SCB whose stack is closed at the end;
// every test must leave no memory block behind.
class DictTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("kavdict_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        blocks_ = kav::fault::LiveBlocks();
        scb_ = MakeSCB();
        other_ = MakeSCB();
    }
    void TearDown() override {
        kav::fault::FailAllocationAfter(0);
        kav::fault::FailFileOperationAfter(0);
        for (SCB *s : {&scb_, &other_}) kav::CloseFontDictionaries(s);
        EXPECT_EQ(scb_.lpDictStack, nullptr);
        EXPECT_EQ(kav::fault::LiveBlocks(), blocks_) << "memory blocks leaked";
        kav::SetCurrentSCB(nullptr);
        std::filesystem::remove_all(dir_);
    }
    static SCB MakeSCB(LONG dictCase = 1) {
        SCB s{};
        s.wFlags = SE_FLAG_NOMSGBOX;
        s.fDictActive = 1;
        s.nDictCase = dictCase;
        return s;
    }
    std::string Path(const std::string &name) const { return (dir_ / name).string(); }
    std::string MakeFile(const std::string &name, const std::vector<Entry> &entries) {
        WriteFile(Path(name), FileImage(entries));
        return Path(name);
    }
    static std::vector<std::pair<std::string, std::string>> Entries(SCB *s) {
        std::vector<std::pair<std::string, std::string>> out;
        for (WORD i = 0; i < DictNumEntries(s); ++i) {
            const LPDICTENTRY e = DictGetEntry(s, i);
            out.emplace_back(e->lpszKey, e->lpszPronunciation);
        }
        return out;
    }

    std::filesystem::path dir_;
    long blocks_ = 0;
    SCB scb_{};
    SCB other_{};
};

}  // namespace dicttest
