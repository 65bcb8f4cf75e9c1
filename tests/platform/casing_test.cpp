#include "platform/platform.h"

#include <gtest/gtest.h>

namespace {

TEST(Casing, Windows1252PairsAndTheLettersWithoutAPair) {
    // Every byte against the code page's case pairs.
    for (int c = 1; c < 256; ++c) {
        int upper = c, lower = c;
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) upper = c - 0x20;
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) lower = c + 0x20;
        if (c == 0x9A || c == 0x9C || c == 0x9E) upper = c - 0x10;
        if (c == 0x8A || c == 0x8C || c == 0x8E) lower = c + 0x10;
        if (c == 0xFF) upper = 0x9F;
        if (c == 0x9F) lower = 0xFF;
        char buffer[2] = {static_cast<char>(c), 0};
        CharUpperBuffA(buffer, 1);
        EXPECT_EQ(static_cast<unsigned char>(buffer[0]), upper) << c;
        buffer[0] = static_cast<char>(c);
        CharLowerA(buffer);
        EXPECT_EQ(static_cast<unsigned char>(buffer[0]), lower) << c;
    }
}

TEST(Casing, StringAndBufferFormsStopWhereTheyShould) {
    char text[] = "Stra\xDF" "e \xE9t\xE9\0tail";
    EXPECT_EQ(CharUpperA(text), text);
    EXPECT_STREQ(text, "STRA\xDF" "E \xC9T\xC9");
    EXPECT_STREQ(text + 11, "tail");  // stops at the terminator
    char buffer[] = {'a', 0, 'b', 'c'};
    EXPECT_EQ(CharUpperBuffA(buffer, 3), 3u);  // counts bytes, zeros included
    EXPECT_EQ(buffer[2], 'B');
    EXPECT_EQ(buffer[3], 'c');
    EXPECT_EQ(reinterpret_cast<uintptr_t>(CharUpperA(reinterpret_cast<LPSTR>(static_cast<uintptr_t>(0xE9)))), 0xC9u);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(CharLowerA(reinterpret_cast<LPSTR>(static_cast<uintptr_t>('Q')))),
              static_cast<uintptr_t>('q'));
}

}  // namespace
