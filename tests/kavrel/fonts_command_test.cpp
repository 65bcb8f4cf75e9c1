// The kavrel program run as a user runs it.
#include "fonts/test_fonts.h"
#include "kavrel/run_kavrel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using kavtest::Kavrel;
using kavtest::Outcome;

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
