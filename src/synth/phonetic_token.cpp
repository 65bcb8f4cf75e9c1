#include "synth/phonetic_token.h"

#include "phonetics/phonetic_grammar.h"
#include "phonetics/speech_header.h"

namespace kav {

namespace {
LONG ClampNumber(LONG v) {
    if (v > kEscapeNumberLimit) return kEscapeNumberLimit;
    if (v < -kEscapeNumberLimit) return -kEscapeNumberLimit;
    return v;
}

const char *Number(const char *p, LONG *value) {
    p = phon::ReadNumber(p, value);
    *value = ClampNumber(*value);
    return p;
}

bool Consume(const char *&p, char c) {
    if (*p != c) return false;
    ++p;
    return true;
}

// \[ and \]: a number with M asks for milliseconds (number + 200), without M
// for a percentage (-200 - number); alone they shorten or lengthen by the
// font's secondary stress speed increment.
PhoneticToken Duration(const char *&p, const TokenContext &ctx, bool longer) {
    if (!phon::StartsNumber(*p)) return {TokenType::kDuration, longer ? ctx.secondarySpeedIncr : -ctx.secondarySpeedIncr};
    LONG n;
    p = Number(p, &n);
    if (Consume(p, phon::kSuffixMilliseconds)) return {TokenType::kDuration, n + 200};
    return {TokenType::kDuration, -200 - n};
}

PhoneticToken Bookmark(const char *&p) {
    DWORD value = 0;  // packed in unsigned arithmetic: bytes count as signed
    for (int i = 0; i < phon::kBookmarkMaxBytes && *p != '\0' && *p != phon::kBlank; ++i, ++p) {
        value = value * 256 + static_cast<DWORD>(static_cast<LONG>(static_cast<signed char>(*p)));
    }
    return {TokenType::kBookmark, static_cast<LONG>(value)};
}

PhoneticToken Escape(const char *&p, const TokenContext &ctx) {
    const char e = *p;
    if (e == '\0') return {TokenType::kUnrecognised, 0};  // a lone backslash at the end
    // The marker character is tested first: it wins over any letter below.
    if (static_cast<BYTE>(e) == static_cast<BYTE>(ctx.markerChar)) {
        ++p;
        return Bookmark(p);
    }
    ++p;
    LONG n;
    switch (e) {
        case phon::kEscSecondaryStress: return {TokenType::kSecondaryStress, 0};
        case phon::kEscPrimaryStress: return {TokenType::kPrimaryStress, 0};
        case phon::kEscPitchUp: return {TokenType::kPitchUp, 0};
        case phon::kEscPitchDown: return {TokenType::kPitchDown, 0};
        case phon::kEscSync: return {TokenType::kSync, 0};
        case phon::kEscBar: return {TokenType::kBookmark, 0};
        case phon::kEscShorter: return Duration(p, ctx, false);
        case phon::kEscLonger: return Duration(p, ctx, true);
        case phon::kEscPause:
            if (!phon::StartsNumber(*p)) break;
            p = Number(p, &n);
            if (!Consume(p, phon::kSuffixMilliseconds)) n *= phon::kPauseUnitMs;
            return {TokenType::kPause, n > kMaxPauseMs ? kMaxPauseMs : n};
        case phon::kEscPitchLevel:
        case phon::kEscSpeedLevel:
        case phon::kEscVolume:
            if (!phon::StartsNumber(*p)) break;
            p = Number(p, &n);
            return {e == phon::kEscPitchLevel   ? TokenType::kPitchLevel
                    : e == phon::kEscSpeedLevel ? TokenType::kSpeedLevel
                                                : TokenType::kVolume,
                    n};
        default:
            if (e == phon::kEscDestress && !phon::IsDigit(*p)) return {TokenType::kDestress, 0};
            if (!phon::StartsNumber(e)) break;
            p = Number(p - 1, &n);
            if (Consume(p, phon::kSuffixHertz)) {
                return {TokenType::kPitchTarget, n > phon::kMaxPitchTargetHz ? phon::kMaxPitchTargetHz : n};
            }
            return {TokenType::kPitchTarget, LevelToPitch(n, ctx.basePitch)};
    }
    return {TokenType::kUnrecognised, 0};
}
}  // namespace

PhoneticToken ReadPhoneticToken(const char *&pos, const TokenContext &ctx) {
    if (pos == nullptr || *pos == '\0') return {TokenType::kEnd, 0};
    const BYTE b = static_cast<BYTE>(*pos++);
    if (b == static_cast<BYTE>(phon::kEscape)) return Escape(pos, ctx);
    const BYTE phoneme = ctx.phonemeMap != nullptr ? ctx.phonemeMap[b] : 255;
    if (phoneme == 255) return {TokenType::kUnrecognised, 0};
    return {TokenType::kPhoneme, phoneme};
}

}  // namespace kav
