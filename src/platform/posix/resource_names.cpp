// Windows-1252 to UTF-16 and the case folding of resource names.
#include "platform/posix/resource_names.h"

namespace kav::posix {

namespace {
// 0x80..0x9F are the only bytes where Windows-1252 differs from Latin-1; the
// five unassigned ones map to the C1 control of the same value, as Windows'
// MultiByteToWideChar does.
constexpr char16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
}  // namespace

char16_t Utf16FromAnsi(unsigned char c) {
    return (c >= 0x80 && c < 0xA0) ? kHighControls[c - 0x80] : static_cast<char16_t>(c);
}

char16_t FoldResourceChar(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 0x20);
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
    switch (c) {
        case 0x00FF: return 0x0178;
        case 0x0161: return 0x0160;
        case 0x0153: return 0x0152;
        case 0x017E: return 0x017D;
        default: return c;
    }
}

std::u16string ResourceNameFromAnsi(const char *name) {
    std::u16string out;
    for (const char *p = name; *p != '\0'; ++p)
        out.push_back(FoldResourceChar(Utf16FromAnsi(static_cast<unsigned char>(*p))));
    return out;
}

}  // namespace kav::posix
