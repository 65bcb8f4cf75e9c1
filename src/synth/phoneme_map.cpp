#include "synth/phoneme_map.h"

#include <cstring>

namespace kav {

void BuildPhonemeMap(const char *symbols, DWORD size, DWORD phonemes, BYTE map[256]) {
    std::memset(map, kNoPhoneme, 256);
    if (symbols == nullptr) return;
    DWORD line = 0;
    for (DWORD i = 0; i < size && symbols[i] != '\0'; ++i) {
        const BYTE b = static_cast<BYTE>(symbols[i]);
        if (b == 10) {
            ++line;
        } else if (line < phonemes && line < kNoPhoneme) {
            map[b] = static_cast<BYTE>(line);
        }
    }
}

}  // namespace kav
