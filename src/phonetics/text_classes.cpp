#include "phonetics/text_classes.h"

namespace kav {

namespace {
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsCode(unsigned char c) { return c == 27 || c == 28; }
}  // namespace

WORD ClassifyText(const char *lpszText, WORD mask) {
    WORD word = kClassAlways;
    auto *p = reinterpret_cast<const unsigned char *>(lpszText);
    while (*p != 0) {
        if (word & mask) return word;
        const unsigned char c = *p++;
        if (IsDigit(c)) {
            while (IsDigit(*p)) ++p;
            word |= kClassDigits;
        } else if (IsLetter(c)) {
            while (IsLetter(*p)) ++p;
            word |= kClassLetters;
        } else if (c == '<' && p[0] == '<' && p[1] == '~') {
            word |= kClassEmbedded;
            p += 2;
            if (IsCode(*p)) word |= kClassCodes;
            while (*p != 0 && *p != '>') ++p;
            if (*p == '>') ++p;
            // The character after the sequence is passed over unclassified.
            if (*p != 0) ++p;
        } else if (IsCode(c)) {
            word |= kClassCodes;
            while (IsDigit(*p) || IsLetter(*p) || *p == '+') ++p;
        }
    }
    return word;
}

}  // namespace kav
