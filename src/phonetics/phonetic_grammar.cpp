#include "phonetics/phonetic_grammar.h"

#include <cstdint>
#include <cstdio>

namespace kav::phon {

const char *ReadNumber(const char *p, LONG *value) {
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    int64_t magnitude = 0;
    for (; IsDigit(*p); ++p) {
        if (magnitude < INT32_MAX) magnitude = magnitude * 10 + (*p - '0');
    }
    if (magnitude > INT32_MAX) magnitude = INT32_MAX;
    *value = static_cast<LONG>(negative ? -magnitude : magnitude);
    return p;
}

namespace {
size_t Format(char *buf, const char *format, LONG value) {
    const int n = std::snprintf(buf, kMaxMarkLength + 1, format, static_cast<int>(value));
    return n < 0 ? 0 : static_cast<size_t>(n);
}
}  // namespace

size_t FormatPitchMark(char *buf, LONG hz) { return Format(buf, kPitchMarkFormat, hz); }
size_t FormatPauseMark(char *buf, LONG ms) { return Format(buf, kPauseMarkFormat, ms); }

}  // namespace kav::phon
