// Upper- and lower-casing by the Windows-1252 code page, as the ANSI
// functions of Windows do it under that code page.
#include "platform/win32_string.h"

#include <array>

namespace {

struct CaseTables {
    std::array<unsigned char, 256> upper;
    std::array<unsigned char, 256> lower;
};

constexpr CaseTables MakeTables() {
    CaseTables t{};
    for (int c = 0; c < 256; ++c) {
        t.upper[c] = static_cast<unsigned char>(c);
        t.lower[c] = static_cast<unsigned char>(c);
    }
    auto pair = [&t](int lower, int upper) {
        t.upper[lower] = static_cast<unsigned char>(upper);
        t.lower[upper] = static_cast<unsigned char>(lower);
    };
    for (int c = 'a'; c <= 'z'; ++c) pair(c, c - 0x20);
    for (int c = 0xE0; c <= 0xFE; ++c)
        if (c != 0xF7) pair(c, c - 0x20);
    pair(0x9A, 0x8A);  // s caron
    pair(0x9C, 0x8C);  // oe
    pair(0x9E, 0x8E);  // z caron
    pair(0xFF, 0x9F);  // y diaeresis
    return t;
}

constexpr CaseTables kTables = MakeTables();

LPSTR MapString(LPSTR lpsz, const std::array<unsigned char, 256> &table) {
    auto value = reinterpret_cast<uintptr_t>(lpsz);
    if ((value >> 16) == 0)  // a single character in the low byte
        return reinterpret_cast<LPSTR>(static_cast<uintptr_t>(table[value & 0xFF]));
    for (char *p = lpsz; *p != 0; ++p) *p = static_cast<char>(table[static_cast<unsigned char>(*p)]);
    return lpsz;
}

DWORD MapBuffer(LPSTR lpsz, DWORD cchLength, const std::array<unsigned char, 256> &table) {
    if (lpsz == nullptr) return 0;
    for (DWORD i = 0; i < cchLength; ++i)
        lpsz[i] = static_cast<char>(table[static_cast<unsigned char>(lpsz[i])]);
    return cchLength;
}

}  // namespace

LPSTR CharUpperA(LPSTR lpsz) { return MapString(lpsz, kTables.upper); }
LPSTR CharLowerA(LPSTR lpsz) { return MapString(lpsz, kTables.lower); }
DWORD CharUpperBuffA(LPSTR lpsz, DWORD cchLength) { return MapBuffer(lpsz, cchLength, kTables.upper); }
DWORD CharLowerBuffA(LPSTR lpsz, DWORD cchLength) { return MapBuffer(lpsz, cchLength, kTables.lower); }
