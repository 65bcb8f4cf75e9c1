#include "platform/platform.h"
#include "platform/posix/registry_tree.h"
#include "platform/testing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace {

std::string WriteFile(const std::string &name, const std::string &text) {
    std::string path = ::testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string Query(HKEY key, const char *name) {
    char buffer[256];
    DWORD size = sizeof buffer, type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<LPBYTE>(buffer), &size) != ERROR_SUCCESS)
        return "<none>";
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, std::strlen(buffer) + 1);
    return buffer;
}

const char kFonts[] =
    "Windows Registry Editor Version 5.00\r\n"
    "\r\n"
    "; speech fonts\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Tessmar\\Kavrel\\SpeechFonts\\Zed]\r\n"
    "\"Description\"=\"Last \\\"Z\\\" voice\"\r\n"
    "[hkey_local_machine\\SOFTWARE\\Tessmar\\Kavrel\\SpeechFonts]\r\n"
    "\"Path\" = \"C:\\\\Fonts\\\\\"   ; where the DLLs are\r\n"
    "@=\"default\"\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Tessmar\\Kavrel\\SpeechFonts\\Alpha]\r\n"
    "\"DefaultDictionary\"=\"alpha.dic\"\r\n"
    "\"defaultdictionary\"=\"later.dic\"\r\n";

TEST(Registry, ReadsKeysValuesAndEscapesWithoutRegardToCase) {
    std::string path = WriteFile("fonts.reg", kFonts);
    EXPECT_EQ(kav::testing::ReloadRegistry(path.c_str()), path);
    HKEY fonts = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software\\TESSMAR\\Kavrel\\SpeechFonts", 0, KEY_ALL_ACCESS, &fonts),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(fonts, "PATH"), "C:\\Fonts\\");
    EXPECT_EQ(Query(fonts, nullptr), "default");
    EXPECT_EQ(Query(fonts, "Missing"), "<none>");

    // Subkeys, longest subkey name, values, longest value name, longest value.
    DWORD info[5] = {};
    ASSERT_EQ(RegQueryInfoKeyA(fonts, nullptr, nullptr, nullptr, &info[0], &info[1], nullptr, &info[2], &info[3],
                               &info[4], nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_THAT(info, ::testing::ElementsAre(2u, 5u, 2u, 4u, 10u));

    char name[8];
    DWORD size = sizeof name;
    ASSERT_EQ(RegEnumKeyExA(fonts, 0, name, &size, nullptr, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Zed");  // file order, not sorted
    EXPECT_EQ(size, 3u);
    ASSERT_EQ(RegEnumKeyA(fonts, 1, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "Alpha");
    EXPECT_EQ(RegEnumKeyA(fonts, 1, name, 5), ERROR_MORE_DATA);  // no room for the 0
    EXPECT_EQ(RegEnumKeyA(fonts, 2, name, sizeof name), ERROR_NO_MORE_ITEMS);

    HKEY zed = nullptr, alpha = nullptr;
    ASSERT_EQ(RegOpenKeyExA(fonts, "zed", 0, KEY_READ, &zed), ERROR_SUCCESS);
    EXPECT_EQ(Query(zed, "description"), "Last \"Z\" voice");
    ASSERT_EQ(RegOpenKeyExA(fonts, "Alpha", 0, KEY_READ, &alpha), ERROR_SUCCESS);
    EXPECT_EQ(Query(alpha, "DefaultDictionary"), "later.dic");

    // Short buffer: the size needed comes back and the buffer is untouched.
    char small[4] = "xyz";
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(alpha, "DefaultDictionary", nullptr, nullptr, reinterpret_cast<LPBYTE>(small), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 10u);
    EXPECT_STREQ(small, "xyz");

    // Keys stay readable across a reload and show what they were opened on.
    kav::testing::ReloadRegistry(WriteFile("empty.reg", "REGEDIT4\n").c_str());
    EXPECT_EQ(Query(zed, "Description"), "Last \"Z\" voice");
    HKEY gone = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, &gone), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(gone, nullptr);
    for (HKEY k : {fonts, zed, alpha}) EXPECT_EQ(RegCloseKey(k), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(zed), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Query(zed, "Description"), "<none>");
}

TEST(Registry, MalformedLinesAreSkippedWithOneWarningEach) {
    const char text[] =
        "REGEDIT4\n"
        "\"Early\"=\"before any key\"\n"                      // 2
        "[HKEY_LOCAL_MACHINE\\A]\n"
        "\"Count\"=dword:00000001\n"                          // 4
        "\"Bad\"=\"C:\\Fonts\"\n"                             // 5: \F is no escape
        "\"Open\"=\"no end\n"                                 // 6
        "\"Good\"=\"yes\" trailing\n"                         // 7
        "[HKEY_CURRENT_USER\\B]\n"                            // 8
        "\"Hidden\"=\"under a refused key\"\n"
        "[HKEY_LOCAL_MACHINE\\A\\\\C]\n"                      // 10
        "[HKEY_LOCAL_MACHINE\\A\n"                            // 11
        "[HKEY_LOCAL_MACHINE\\A]\n"
        "\"Good\"=\"yes\"\n";
    std::FILE *log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    auto root = kav::posix::ParseRegistry(text, "x.reg", log);
    std::rewind(log);
    std::string lines;
    char line[256];
    while (std::fgets(line, sizeof line, log) != nullptr) {
        std::string l(line);
        ASSERT_EQ(l.rfind("kavrel: registry x.reg:", 0), 0u) << l;
        lines += l.substr(23, l.find(':', 23) - 23) + " ";
    }
    std::fclose(log);
    EXPECT_EQ(lines, "2 4 5 6 7 8 10 11 ");
    ASSERT_EQ(root->subkeys.size(), 1u);
    const kav::posix::RegistryKey &a = *root->subkeys[0];
    ASSERT_EQ(a.values.size(), 1u);
    EXPECT_EQ(a.values[0].data, "yes");
    EXPECT_TRUE(a.subkeys.empty());

    // UTF-16 files, as newer registry editors write them.
    std::string wide = "\xFF\xFE";
    for (char c : std::string("Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\W\xE9]\r\n"))
        wide += std::string(1, c) + '\0';
    root = kav::posix::ParseRegistry(wide, "w.reg", nullptr);
    ASSERT_EQ(root->subkeys.size(), 1u);
    EXPECT_EQ(root->subkeys[0]->name, "W\xE9");

    // No header: nothing is taken.
    root = kav::posix::ParseRegistry("[HKEY_LOCAL_MACHINE\\A]\n\"V\"=\"1\"\n", "z.reg", nullptr);
    EXPECT_TRUE(root->subkeys.empty());
}

TEST(Registry, KavrelRegistryVariableNamesTheOnlyFileRead) {
    std::string path = WriteFile("env.reg", "\xEF\xBB\xBFREGEDIT4\n[HKEY_LOCAL_MACHINE\\FromEnv]\n");
    setenv("KAVREL_REGISTRY", path.c_str(), 1);
    EXPECT_EQ(kav::testing::ReloadRegistry(nullptr), path);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "fromenv", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);

    std::string missing = ::testing::TempDir() + "missing.reg";
    setenv("KAVREL_REGISTRY", missing.c_str(), 1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(kav::testing::ReloadRegistry(nullptr), missing);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("kavrel: registry " + missing), std::string::npos);
    DWORD subkeys = 1;
    EXPECT_EQ(RegQueryInfoKeyA(HKEY_LOCAL_MACHINE, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(subkeys, 0u);

    unsetenv("KAVREL_REGISTRY");
    EXPECT_NE(kav::testing::ReloadRegistry(nullptr), missing);
}

}  // namespace
