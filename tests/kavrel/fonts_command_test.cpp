// The kavrel program run as a user runs it.
#include "fonts/test_fonts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct Outcome {
    int status;
    std::string out;
};

// Runs kavrel with the arguments and the registry file given; standard
// error joins standard output.
Outcome Kavrel(const std::string &args, const std::string &registry) {
    const std::string cmd =
        "KAVREL_REGISTRY='" + registry + "' " KAVREL_BINARY_DIR "/bin/kavrel " + args + " 2>&1";
    FILE *p = popen(cmd.c_str(), "r");
    Outcome r{-1, ""};
    if (p == nullptr) return r;
    char buf[256];
    while (std::fgets(buf, sizeof buf, p) != nullptr) r.out += buf;
    const int status = pclose(p);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

TEST(FontsCommand, ListsFontsWithVersionAndStatus) {
    kav::testfonts::FontRegistry reg;
    reg.AddFont("KAVTEST", kav::testfonts::TestFont::Minimal(), "Test voice");
    reg.AddFont("NEWER", kav::testfonts::TestFont::Minimal().SetVersion(2, 12));
    reg.Apply();
    Outcome r = Kavrel("fonts", reg.Dir() + "/kavrel.reg");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("KAVTEST          2.11     ok      Test voice\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("NEWER            2.12     -112"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("-112: Cannot load the speech font"), std::string::npos) << r.out;
}

TEST(FontsCommand, NoFontsIsNotAnError) {
    kav::testfonts::FontRegistry reg;
    reg.OmitKey();
    reg.Apply();
    Outcome r = Kavrel("fonts", reg.Dir() + "/kavrel.reg");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "No speech fonts are registered.\n");
    EXPECT_EQ(Kavrel("fonts --help", "").status, 0);
    r = Kavrel("fonts extra", "");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out.rfind("kavrel: unexpected argument 'extra'\n", 0), 0u) << r.out;
}

}  // namespace
