// kavrel dict: editing a dictionary file from the command line.
#include "fonts/test_fonts.h"
#include "kavrel/run_kavrel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using kavtest::Kavrel;
using kavtest::Outcome;

TEST(DictCommand, EditsAFileAndListsIt) {
    kav::testfonts::FontRegistry reg;
    reg.OmitKey();
    reg.Apply();
    const std::string regFile = reg.Dir() + "/kavrel.reg";
    const std::string dic = reg.Dir() + "/user.dic";
    auto run = [&](const std::string &args) { return Kavrel("dict " + args, regFile); };
    EXPECT_EQ(run("insert " + dic + " ZEBRA 'z i b r @' 3").status, 0);
    EXPECT_EQ(run("insert " + dic + " APPLE ap@l").status, 0);
    EXPECT_EQ(run("insert " + dic + " ZEBRA zEbr@ 4").status, 0);
    Outcome r = run("list " + dic);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "APPLE\tap@l\t0\nZEBRA\tzEbr@\t4\n");
    EXPECT_EQ(run("find ZEBRA " + dic).out, "ZEBRA\tzEbr@\t4\n");
    EXPECT_EQ(run("delete " + dic + " APPLE").status, 0);
    r = run("delete " + dic + " APPLE");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "kavrel: 'APPLE': the word is not in the dictionary (-103)\n");
    EXPECT_EQ(run("list " + dic).out, "ZEBRA\tzEbr@\t4\n");

    r = run("list " + reg.Dir() + "/missing.dic");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("the file could not be opened (-109)"), std::string::npos) << r.out;
    EXPECT_EQ(run("insert " + dic + " W p 65536").status, 2);
    EXPECT_EQ(run("remove " + dic).status, 2);
}

}  // namespace
