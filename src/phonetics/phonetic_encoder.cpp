#include "phonetics/phonetic_encoder.h"

#include "api/engine_state.h"
#include "api/services.h"
#include "phonetics/phonetic_grammar.h"
#include "phonetics/speech_header.h"
#include "phonetics/speech_header_check.h"

#include <atomic>
#include <cstdint>

namespace kav {

namespace {

constexpr size_t kInitialOutput = 2048;
constexpr size_t kOutputGrowth = 512;
constexpr LONG kPhrasePauseMs = 250;  // a \d pause inside a sentence
constexpr LONG kFinalPauseMs = 500;   // after the last phrase

// Thrown by AppendOutput when the block cannot grow; caught only at
// EncodePhonetics' entry, which frees the partial block.
struct OutputExhausted {};

enum class TokenKind { kEnd, kSymbol, kPhrase, kTone, kPause, kSync, kBar, kPassThrough };
struct Token {
    TokenKind kind;
    char c;  // the symbol, the phrase/tone/pause type, '^', '|', or the escape letter
};

// One conversion's state.  Process-wide like the rest of the conversion
// pipeline; g_busy admits one conversion at a time.
struct EncoderState {
    char *out = nullptr;
    size_t length = 0;
    size_t capacity = 0;
    const char *in = nullptr;
    LONG base = 0;
    LONG offset = 0;   // pitch level offset, Hz
    LONG contour = 0;  // 1/256 Hz
    LONG last = -1;    // last pitch written before the offset, -1 when none
    LONG p70 = 0, p30 = 0, p20 = 0, p90 = 0;
    LONG slope = 0;    // 1/256 Hz per symbol
    LONG n = 0;        // symbols in the current phrase
    LONG counter = 0;  // symbols read in the current phrase
    LONG k = -1;       // rise point of a fall-rise phrase, -1 when none
    LONG toneOffset = 0;
};

EncoderState g_enc;
std::atomic<bool> g_busy{false};

// The contour moves by the slope once per symbol, and on hostile input the
// symbols of a phrase can far outnumber what its count foresaw.  Contour
// sums therefore wrap as 32-bit machine arithmetic does instead of
// overflowing; for every real sentence they stay far from the limits.
LONG Add32(LONG a, LONG b) { return static_cast<LONG>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
LONG Sub32(LONG a, LONG b) { return static_cast<LONG>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
LONG ToQ8(LONG hz) { return static_cast<LONG>(static_cast<uint32_t>(hz) << 8); }

void AppendOutput(char byte) {
    g_enc.out[g_enc.length++] = byte;
    if (g_enc.length == g_enc.capacity) {
        void *grown = ReallocBlock(g_enc.out, g_enc.capacity + kOutputGrowth);
        if (grown == nullptr) throw OutputExhausted{};
        g_enc.out = static_cast<char *>(grown);
        g_enc.capacity += kOutputGrowth;
        g_enc.out[g_enc.length] = '\0';
    }
}

void AppendText(const char *text, size_t length) {
    for (size_t i = 0; i < length; ++i) AppendOutput(text[i]);
}

void AppendPause(LONG ms) {
    char mark[phon::kMaxMarkLength + 1];
    AppendText(mark, phon::FormatPauseMark(mark, ms));
}

// A mark for the contour (to the nearest whole Hz) plus delta, unless the
// same value was the last one written.
void EmitPitch(LONG delta) {
    const LONG p = Add32(delta, Add32(g_enc.contour, 128) >> 8);
    if (p == g_enc.last) return;
    g_enc.last = p;
    LONG hz = Add32(p, g_enc.offset);
    if (hz < 0) hz = 0;
    char mark[phon::kMaxMarkLength + 1];
    AppendText(mark, phon::FormatPitchMark(mark, hz));
}

void SetPitchLevel(LONG level) { g_enc.offset = PitchLevelOffset(level, g_enc.base); }

void SkipBlanks(const char *&p) {
    while (*p == phon::kBlank) ++p;
}

Token NextInputToken() {
    const char *&p = g_enc.in;
    if (*p == phon::kBlank) {
        AppendOutput(phon::kBlank);
        SkipBlanks(p);
    }
    if (*p == '\0') return {TokenKind::kEnd, '\0'};
    if (*p != phon::kEscape) {
        const char c = *p++;
        AppendOutput(c);
        return {TokenKind::kSymbol, c};
    }
    const char e = p[1];
    if (e == phon::kEscPhrase || e == phon::kEscTone || e == phon::kEscPhrasePause) {
        p += 2;
        const char c = *p;
        if (c != '\0') ++p;
        const TokenKind kind = e == phon::kEscPhrase ? TokenKind::kPhrase
                               : e == phon::kEscTone ? TokenKind::kTone
                                                     : TokenKind::kPause;
        return {kind, c};
    }
    if (e == phon::kEscSync || e == phon::kEscBar) {
        p += 2;
        return {e == phon::kEscSync ? TokenKind::kSync : TokenKind::kBar, e};
    }
    // Pass-through: the escape up to and including its terminator.  A \P
    // re-bases the marks that follow on its level digit.
    if (e == phon::kEscPitchLevel) SetPitchLevel(static_cast<LONG>(static_cast<BYTE>(p[2])) - '0');
    AppendOutput(*p++);
    while (*p != '\0') {
        const char c = *p++;
        AppendOutput(c);
        if (phon::IsPassThroughTerminator(c)) break;
    }
    return {TokenKind::kPassThrough, e};
}

void StartOutput() {
    g_enc.out = static_cast<char *>(AllocBlock(kInitialOutput));
    if (g_enc.out == nullptr) throw OutputExhausted{};
    g_enc.capacity = kInitialOutput;
}

void StartPhrase(char contour) {
    EmitPitch(0);
    g_enc.n = CountPhraseSymbols(g_enc.in);
    // The rise point of a fall-rise phrase is measured within its phrase:
    // the symbol count restarts here, and a rise point that an earlier
    // phrase did not reach is dropped, so a fall-rise phrase anywhere in a
    // text rises at 80 % of its own symbols.
    g_enc.counter = 0;
    g_enc.k = -1;
    const LONG n = g_enc.n;
    if (n == 0) return;
    switch (contour) {
    case phon::kContourHighFall:
        g_enc.slope = ToQ8(g_enc.p70 - g_enc.p20) / n;
        g_enc.contour = ToQ8(g_enc.p70);
        EmitPitch(0);
        break;
    case phon::kContourMidFall:
        g_enc.slope = ToQ8(g_enc.base - g_enc.p20) / n;
        g_enc.contour = ToQ8(g_enc.base);
        EmitPitch(0);
        break;
    case phon::kContourFallRise: {
        g_enc.k = static_cast<LONG>(static_cast<int64_t>(n) * 80 / 100) - 1;
        const LONG fall = g_enc.k + 1 < 1 ? 1 : g_enc.k + 1;
        g_enc.slope = ToQ8(g_enc.p70 - g_enc.p30) / fall;
        g_enc.contour = ToQ8(g_enc.p70);
        EmitPitch(0);
        break;
    }
    default:
        break;
    }
}

void ReadSymbol() {
    if (++g_enc.counter == g_enc.k) {
        EmitPitch(0);
        LONG r = g_enc.n - g_enc.k;
        if (r < 1) r = 1;
        g_enc.k = -1;
        g_enc.slope = Sub32(g_enc.contour, ToQ8(g_enc.p90)) / r;  // negative: rises to P90
    }
    g_enc.contour = Sub32(g_enc.contour, g_enc.slope);
}

void ReadTone(char tone) {
    switch (tone) {
    case phon::kToneLow:
        g_enc.toneOffset = g_enc.p20 - g_enc.base;
        EmitPitch(g_enc.toneOffset);
        break;
    case phon::kToneMid:
        g_enc.toneOffset = g_enc.p30 - g_enc.base;
        EmitPitch(g_enc.toneOffset);
        break;
    case phon::kToneEnd:
        EmitPitch(g_enc.toneOffset);
        EmitPitch(0);
        break;
    default:
        break;
    }
}

char *EncodeWithProsody(const char *text) {
    SkipBlanks(text);
    if (*text == '\0') return nullptr;
    const LPSCB lpSCB = CurrentSCB();
    SpeechHeader hdr;
    if (!ReadSpeechHeader(lpSCB, &hdr)) return nullptr;
    // Font loading refuses such headers; one placed in an SCB some other way
    // must not reach the contour arithmetic either.
    if (hdr.BasePitch() == 0 || hdr.BasePitch() > kMaxSampleRate) return nullptr;

    EncoderState &s = g_enc;
    s.base = static_cast<LONG>(hdr.BasePitch());
    s.offset = PitchLevelOffset(lpSCB->nPitch, s.base);
    s.p70 = LevelToPitch(70, s.base);
    s.p30 = LevelToPitch(30, s.base);
    s.p20 = LevelToPitch(20, s.base);
    s.p90 = LevelToPitch(90, s.base);
    StartOutput();
    s.in = text;

    // Until the first phrase escape the text is one high-fall phrase.
    s.n = CountPhraseSymbols(text);
    s.slope = s.n != 0 ? ToQ8(s.p70 - s.p20) / s.n : ToQ8(s.p70 - s.p20);
    s.contour = ToQ8(s.p70);
    EmitPitch(0);
    s.counter = 0;
    s.k = -1;

    for (;;) {
        const Token t = NextInputToken();
        if (t.kind == TokenKind::kEnd) break;
        switch (t.kind) {
        case TokenKind::kSymbol: ReadSymbol(); break;
        case TokenKind::kPhrase: StartPhrase(t.c); break;
        case TokenKind::kTone: ReadTone(t.c); break;
        case TokenKind::kPause:
            EmitPitch(s.p30 - s.base);
            AppendPause(kPhrasePauseMs);
            EmitPitch(s.base - s.p30);
            break;
        case TokenKind::kSync: {
            const char sync[] = {phon::kEscape, phon::kEscSync, phon::kBlank};
            AppendText(sync, sizeof sync);
            break;
        }
        case TokenKind::kBar: {
            const char bar[] = {phon::kEscape, phon::kEscBar};
            AppendText(bar, sizeof bar);
            break;
        }
        default:
            break;
        }
    }
    if (s.n > 0) {
        EmitPitch(0);
        AppendPause(kFinalPauseMs);
    }
    return s.out;
}

// A bare transcription: only symbols and pass-through escapes remain, and
// the blanks between words are dropped.
char *EncodePlain(const char *text) {
    SkipBlanks(text);
    if (*text == '\0') return nullptr;
    StartOutput();
    g_enc.in = text;
    for (;;) {
        const Token t = NextInputToken();
        SkipBlanks(g_enc.in);
        if (t.kind == TokenKind::kEnd) break;
    }
    if (g_enc.length == 0) {
        FreeBlock(g_enc.out);
        g_enc.out = nullptr;
        return nullptr;
    }
    while (g_enc.length > 1 && static_cast<BYTE>(g_enc.out[g_enc.length - 1]) <= 32) g_enc.out[--g_enc.length] = '\0';
    return g_enc.out;
}

}  // namespace

LONG PitchLevelOffset(LONG level, LONG basePitch) {
    // Any nPitch a client stores must work: form the level in 64 bits and
    // clamp it where LevelToPitch would clamp it anyway.
    const int64_t x = static_cast<int64_t>(level) - phon::kNormalPitchLevel;
    int64_t v = (x > 0 ? x * 20 : x * 40) + 50;
    if (v < -100) v = -100;
    if (v > 200) v = 200;
    return LevelToPitch(static_cast<LONG>(v), basePitch) - basePitch;
}

LONG CountPhraseSymbols(const char *text) {
    LONG count = 0;
    bool inEscape = false;
    for (const char *p = text; *p != '\0'; ++p) {
        const char c = *p;
        if (!inEscape) {
            if (c == phon::kEscape)
                inEscape = true;
            else if (static_cast<BYTE>(c) > 32)
                ++count;
        } else if (phon::IsPassThroughTerminator(c)) {
            inEscape = false;
        } else if (c == phon::kEscPhrase) {
            break;
        }
    }
    return count;
}

char *EncodePhonetics(const char *lpszText, WORD wPlain) {
    if (lpszText == nullptr) return nullptr;
    // A second conversion entering while one runs (another thread, or a
    // message-box hook re-entering) would share this state: refuse it.
    bool idle = false;
    if (!g_busy.compare_exchange_strong(idle, true, std::memory_order_acquire)) return nullptr;
    g_enc = EncoderState{};
    char *result = nullptr;
    try {
        result = wPlain != 0 ? EncodePlain(lpszText) : EncodeWithProsody(lpszText);
    } catch (const OutputExhausted &) {
        // AllocBlock or ReallocBlock has reported -101; drop what was built.
        if (g_enc.out != nullptr) FreeBlock(g_enc.out);
        result = nullptr;
    }
    g_enc.out = nullptr;
    g_busy.store(false, std::memory_order_release);
    return result;
}

}  // namespace kav
