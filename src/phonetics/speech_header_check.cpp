#include "phonetics/speech_header_check.h"

#include "phonetics/speech_header.h"

namespace kav {

LONG CheckSpeechHeader(const void *bytes, DWORD size) {
    SpeechHeader h;
    if (!ReadSpeechHeader(bytes, size, &h)) return SE_ERR_FONTLOAD;
    if (h.sampleRate == 0 || h.sampleRate > kMaxSampleRate) return SE_ERR_FONTLOAD;
    if (h.basePeriod == 0 || h.basePeriod > h.sampleRate) return SE_ERR_FONTLOAD;
    if (h.bitsPerSample != 8 && h.bitsPerSample != 16) return SE_ERR_FONTLOAD;
    if (h.phonemes == 0 || h.phonemes > kMaxPhonemes) return SE_ERR_FONTLOAD;

    // Walk the symbol text within the data only: its NUL must be there.
    // Lines count as in a text file: a byte 10 ends one, and a last line
    // without it counts only when it holds a symbol (an empty line after a
    // final byte 10 names no phoneme).
    DWORD lines = 0;
    bool open = false;
    for (DWORD i = 0; kHdrSymbolsOffset + i < size; ++i) {
        const char c = h.symbols[i];
        if (c == '\0') return lines + (open ? 1 : 0) <= h.phonemes ? 0 : SE_ERR_FONTLOAD;
        if (c == '\n') {
            ++lines;
            open = false;
        } else {
            open = true;
        }
    }
    return SE_ERR_FONTLOAD;
}

}  // namespace kav
