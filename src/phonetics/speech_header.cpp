#include "phonetics/speech_header.h"

#include <cstring>

namespace kav {

namespace {
DWORD Word(const BYTE *p, size_t offset) {
    return static_cast<DWORD>(p[offset]) | static_cast<DWORD>(p[offset + 1]) << 8 |
           static_cast<DWORD>(p[offset + 2]) << 16 | static_cast<DWORD>(p[offset + 3]) << 24;
}
}  // namespace

bool ReadSpeechHeader(const void *bytes, size_t size, SpeechHeader *out) {
    if (bytes == nullptr || size < kHdrSymbolsOffset) return false;
    auto *p = static_cast<const BYTE *>(bytes);
    out->flags = Word(p, 0);
    out->phonemes = Word(p, 4);
    out->sampleRate = Word(p, 8);
    out->bitsPerSample = Word(p, 12);
    out->basePeriod = Word(p, 16);
    out->symbols = reinterpret_cast<const char *>(p + kHdrSymbolsOffset);
    return true;
}

bool ReadSpeechHeader(LPSCB lpSCB, SpeechHeader *out) {
    if (lpSCB == nullptr || lpSCB->lpSpeechHdr == nullptr) return false;
    return ReadSpeechHeader(lpSCB->lpSpeechHdr, kHdrSymbolsOffset, out);
}

LONG LevelToPitch(LONG level, LONG basePitch) {
    if (level < -100) level = -100;
    if (level > 200) level = 200;
    // The product fits 32 bits for any base pitch below 200,000 Hz; it is
    // formed in 64 bits so that no header, checked or not, makes it overflow.
    const int64_t product = static_cast<int64_t>(level - 50) * basePitch * 70;
    return static_cast<LONG>(basePitch + static_cast<LONG>(product / 15000));
}

}  // namespace kav
