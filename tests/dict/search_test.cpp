#include "dict/dictionary.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Builds a table and pool from sorted keys.
struct Dict {
    std::vector<unsigned char> table;
    std::string pool;
    explicit Dict(const std::vector<std::string> &keys) {
        for (const std::string &k : keys) {
            const DWORD off = static_cast<DWORD>(pool.size());
            pool += k;
            pool.push_back('\0');
            unsigned char rec[10] = {0, 0, static_cast<unsigned char>(off), static_cast<unsigned char>(off >> 8), 0, 0};
            table.insert(table.end(), rec, rec + 10);
        }
    }
    LONG Find(const std::string &k, int mode, int length = -1) const {
        return kav::SearchDictionary(k.c_str(), mode, length < 0 ? static_cast<int>(k.size()) : length,
                                     table.empty() ? nullptr : table.data(), static_cast<DWORD>(table.size() / 10),
                                     pool.data());
    }
};

TEST(SearchDictionary, FindsEveryKeyAndPlacesEveryMissingOne) {
    const std::vector<std::string> keys = {"A", "AB", "ABC", "B", "BA", "C", "CAT", "DOG", "\xE9T\xC9"};
    Dict d(keys);
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(d.Find(keys[i], kav::kDictFind), static_cast<LONG>(i)) << keys[i];
        EXPECT_EQ(d.Find(keys[i], kav::kDictInsertPos), static_cast<LONG>(i)) << keys[i];
    }
    const std::vector<std::pair<std::string, LONG>> missing = {
        {"", 0}, {"AA", 1}, {"ABB", 2}, {"ABCD", 3}, {"BB", 5}, {"CA", 6}, {"Z", 8}, {"\xFF", 9}};
    for (const auto &[k, pos] : missing) {
        EXPECT_EQ(d.Find(k, kav::kDictFind), -1) << k;
        EXPECT_EQ(d.Find(k, kav::kDictInsertPos), pos) << k;
    }
    // Only the given length of the text is compared.
    EXPECT_EQ(d.Find("CATALOG", kav::kDictFind, 3), 6);
    EXPECT_EQ(d.Find("CATALOG", kav::kDictFind, 4), -1);
}

TEST(SearchDictionary, EmptyAndOneEntryTables) {
    EXPECT_EQ(Dict({}).Find("X", kav::kDictFind), -1);
    EXPECT_EQ(Dict({}).Find("X", kav::kDictInsertPos), 0);
    EXPECT_EQ(Dict({"M"}).Find("A", kav::kDictInsertPos), 0);
    EXPECT_EQ(Dict({"M"}).Find("Z", kav::kDictInsertPos), 1);
}

}  // namespace
