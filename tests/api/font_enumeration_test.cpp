#include "api/engine_state.h"
#include "api/engine_test.h"

#include <cstring>

namespace kav::apitest {
namespace {

using testfonts::TestFont;

class FontEnumeration : public EngineTest {};

BOOL Collect(const KAVFONTINFO *info, LPARAM lParam) {
    reinterpret_cast<std::vector<KAVFONTINFO> *>(lParam)->push_back(*info);
    return TRUE;
}
BOOL StopAtOnce(const KAVFONTINFO *, LPARAM) { return FALSE; }

TEST_F(FontEnumeration, ReportsEachFontAsLoadingFindsIt) {
    reg_.AddFont("GOOD", TestFont::Minimal().SetInteger("PRIMSTRESSPITCHINCR", 1), "Good voice");
    reg_.AddFont("NEWER", TestFont::Minimal().SetVersion(2, 12));
    reg_.AddFontFile("NOISE", testfonts::Bytes(64, 1));
    reg_.Register("ABSENT");
    reg_.Apply();
    const LONG saved[kStressIncrements] = {7, 7, 7, 7, 7, 7};
    std::memcpy(g_lStressIncr, saved, sizeof saved);

    std::vector<KAVFONTINFO> fonts;
    ASSERT_EQ(KavEnumSpeechFonts(Collect, reinterpret_cast<LPARAM>(&fonts)), 4);
    ASSERT_EQ(fonts.size(), 4u);
    EXPECT_STREQ(fonts[0].szName, "GOOD");
    EXPECT_STREQ(fonts[0].szDescription, "Good voice");
    EXPECT_EQ((std::array<LONG, 3>{fonts[0].nStatus, fonts[0].nVersionMajor, fonts[0].nVersionMinor}),
              (std::array<LONG, 3>{0, 2, 11}));
    EXPECT_EQ((std::array<LONG, 3>{fonts[1].nStatus, fonts[1].nVersionMajor, fonts[1].nVersionMinor}),
              (std::array<LONG, 3>{-112, 2, 12}));
    for (int i : {2, 3}) EXPECT_EQ(fonts[i].nStatus * 100 + fonts[i].nVersionMajor, -11201);
    EXPECT_EQ(0, std::memcmp(g_lStressIncr, saved, sizeof saved));  // the client's fonts still rule
    EXPECT_EQ(KavEnumSpeechFonts(StopAtOnce, 0), 1);
    EXPECT_TRUE(g_boxes.empty());
    testfonts::FontRegistry noKey;
    noKey.OmitKey();
    noKey.Apply();
    EXPECT_EQ(KavEnumSpeechFonts(Collect, 0), SE_ERR_REGOPEN);
}

}  // namespace
}  // namespace kav::apitest
