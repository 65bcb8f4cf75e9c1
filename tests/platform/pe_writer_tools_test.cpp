// The writer's files as other PE readers see them: icoutils' wrestool and
// mingw's objdump must find the same resources with the same bytes.
#include "pe_test_files.h"
#include "pe_writer.h"

#include <gtest/gtest.h>

#include <stdio.h>

namespace {

using Bytes = std::vector<uint8_t>;

bool HaveTool(const char *tool) {
    return system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

// Standard output of a shell command (its standard error goes with it).
std::string Output(const std::string &command) {
    std::string out;
    FILE *p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) return out;
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    pclose(p);
    return out;
}

struct Sample {
    std::string type, name;  // as wrestool's --type= and --name= take them
    kav::font::ResourceId typeId, nameId;
    Bytes data;
};

std::vector<Sample> Samples() {
    std::vector<Sample> s = {
        {"10", "NUMRULEPASSES", 10, "NumRulePasses", {2, 0, 0, 0}},
        {"RULE", "300", "RULE", 300, Bytes(333, 0x5A)},
        {"RULE", "301", "rule", 301, {}},
        {"SPEECH_HDR", "256", "SPEECH_HDR", 256, {9, 8, 7}},
        {"KERNEL_DIC", "100", "KERNEL_DIC", 100, {'k', '.', 'd', 'i', 'c', 0}},
    };
    for (int id = 500; id < 540; ++id)
        s.push_back({"PCMD", std::to_string(id), "PCMD", id, Bytes(id % 17, static_cast<uint8_t>(id))});
    return s;
}

class PeWriterTools : public ::testing::Test {
protected:
    void SetUp() override {
        kav::font::PeWriter w;
        for (const Sample &s : Samples()) ASSERT_TRUE(w.Add(s.typeId, s.nameId, s.data));
        ASSERT_TRUE(w.WriteFile(file_));
    }
    kav::test::TempDir dir_;
    std::string file_ = dir_ / "FONT.DLL";
};

TEST_F(PeWriterTools, WrestoolListsAndExtractsEveryResource) {
    if (!HaveTool("wrestool")) GTEST_SKIP() << "wrestool (icoutils) is not installed";
    std::string list = Output("wrestool -l " + file_);
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), static_cast<long>(Samples().size())) << list;
    for (const Sample &s : Samples()) {
        std::string got = Output("wrestool -x --raw --type=" + s.type + " --name=" + s.name + " " + file_);
        EXPECT_EQ(got, std::string(s.data.begin(), s.data.end())) << s.type << "/" << s.name;
    }
}

TEST_F(PeWriterTools, ObjdumpReadsAnI386DllWithTheResourceTree) {
    if (!HaveTool("i686-w64-mingw32-objdump")) GTEST_SKIP() << "mingw objdump is not installed";
    std::string dump = Output("i686-w64-mingw32-objdump -p " + file_);
    for (const char *expected : {"file format pei-i386", "DLL", "(PE32)", "Resource Directory [.rsrc]",
                                 "NUMRULEPASSES", "SPEECH_HDR", "Leaf: Addr: 0x001", "Size: 0x00014d"})
        EXPECT_NE(dump.find(expected), std::string::npos) << expected << "\n" << dump;
    for (const char *bad : {"corrupt", "rror", "arning"})
        EXPECT_EQ(dump.find(bad), std::string::npos) << bad << "\n" << dump;
}

}  // namespace
