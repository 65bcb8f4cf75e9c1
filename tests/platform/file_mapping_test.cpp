// Named read-only file mappings and OpenFile's sharing: one object per name
// and file, a new one for a file replaced under its path.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

class FileMappingTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() / ("kavmap_" + std::string(::testing::UnitTest::GetInstance()
                                                                                   ->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string Write(const std::string &name, const std::string &bytes) {
        std::ofstream((dir_ / name).string(), std::ios::binary) << bytes;
        return (dir_ / name).string();
    }
    static HANDLE AsHandle(HFILE f) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(f)); }
    std::filesystem::path dir_;
};

TEST_F(FileMappingTest, OneObjectPerNameAndFile) {
    const std::string path = Write("a.bin", "first");
    OFSTRUCT ofs;
    const HFILE f1 = OpenFile(path.c_str(), &ofs, OF_READ);
    const HFILE f2 = OpenFile(path.c_str(), &ofs, OF_READ);
    ASSERT_NE(f1, HFILE_ERROR);
    EXPECT_EQ(GetFileSize(AsHandle(f1), nullptr), 5u);
    const HANDLE m1 = CreateFileMappingA(AsHandle(f1), nullptr, PAGE_READONLY, 0, 0, "TM_a");
    const HANDLE m2 = CreateFileMappingA(AsHandle(f2), nullptr, PAGE_READONLY, 0, 5, "TM_a");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    const HANDLE other = CreateFileMappingA(AsHandle(f2), nullptr, PAGE_READONLY, 0, 0, "TM_b");
    ASSERT_NE(m1, nullptr);
    ASSERT_NE(m2, nullptr);
    EXPECT_EQ(CreateFileMappingA(AsHandle(f1), nullptr, PAGE_READONLY, 0, 6, "TM_c"), nullptr);  // past the end

    // Replaced under its path: the same name now maps the new file.
    Write("new.bin", "second!");
    std::filesystem::rename(dir_ / "new.bin", path);
    const HFILE f3 = OpenFile(path.c_str(), &ofs, OF_READ);
    const HANDLE m3 = CreateFileMappingA(AsHandle(f3), nullptr, PAGE_READONLY, 0, 0, "TM_a");
    ASSERT_NE(m3, nullptr);
    EXPECT_NE(m3, m1);
    auto *v1 = static_cast<const char *>(MapViewOfFile(m1, FILE_MAP_READ, 0, 0, 0));
    auto *v3 = static_cast<const char *>(MapViewOfFile(m3, FILE_MAP_READ, 0, 0, 0));
    ASSERT_NE(v1, nullptr);
    ASSERT_NE(v3, nullptr);
    EXPECT_EQ(MapViewOfFile(m2, FILE_MAP_READ, 0, 0, 5), v1);  // one object, one set of pages
    EXPECT_NE(MapViewOfFile(other, FILE_MAP_READ, 0, 0, 5), v1);
    EXPECT_EQ(std::string(v1, 5), "first");
    EXPECT_EQ(std::string(v3, 7), "second!");
    EXPECT_EQ(MapViewOfFile(m1, FILE_MAP_READ, 0, 0, 6), nullptr);

    // Views outlive the handles; each release happens once.
    const void *vOther = MapViewOfFile(other, FILE_MAP_READ, 0, 0, 0);
    for (HANDLE h : {m1, m2, other, m3}) EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(m1));
    EXPECT_EQ(std::string(v1, 5), "first");
    for (const void *v : std::initializer_list<const void *>{v1, v1, v3, vOther, vOther}) EXPECT_TRUE(UnmapViewOfFile(v));
    EXPECT_FALSE(UnmapViewOfFile(v1));
    for (HFILE f : {f1, f2, f3}) EXPECT_EQ(_lclose(f), 0);
}

TEST_F(FileMappingTest, OpenFileCreatesExclusivelyAndRefusesLongPaths) {
    const std::string path = Write("w.bin", "old contents");
    OFSTRUCT ofs;
    const HFILE f = OpenFile(path.c_str(), &ofs, OF_CREATE | OF_READWRITE | OF_SHARE_EXCLUSIVE);
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_EQ(OpenFile(path.c_str(), &ofs, OF_CREATE | OF_READWRITE | OF_SHARE_EXCLUSIVE), HFILE_ERROR);
    EXPECT_EQ(_lwrite(f, "new", 3), 3u);
    EXPECT_EQ(_lclose(f), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 3u);
    const HFILE again = OpenFile(path.c_str(), &ofs, OF_CREATE | OF_READWRITE | OF_SHARE_EXCLUSIVE);
    EXPECT_NE(again, HFILE_ERROR);
    _lclose(again);

    const std::string longPath = (dir_ / std::string(OFS_MAXPATHNAME, 'x')).string();
    EXPECT_EQ(OpenFile(longPath.c_str(), &ofs, OF_CREATE | OF_READWRITE), HFILE_ERROR);
    EXPECT_FALSE(std::filesystem::exists(longPath));
}

}  // namespace
