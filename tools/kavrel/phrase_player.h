// Playing a phonetic string through the sound device and waiting for its
// end, for kavrel say without -o.
#pragma once

#include "kavsyn.h"

#include <cstdio>

namespace kavrel {

struct PlayOptions {
    const char *font = nullptr;
    int volume = -1;          // 0..9, or -1 to leave the device volume alone
    FILE *events = nullptr;   // where to print each notification, or NULL
};

// Speaks the string and returns when its end-of-phrase message has come:
// 0, or the engine's error code.
LONG PlayPhonetics(const char *phonetics, const PlayOptions &options);

}  // namespace kavrel
