// Playing through the sound device and waiting for the end, for kavrel say
// without -o: a phonetic string as one phrase, or a text through Say.
#pragma once

#include "kavsyn.h"

#include <cstdio>

namespace kavrel {

struct PlayOptions {
    const char *font = nullptr;
    LONG pitch = 5, speed = 5;  // the engine's defaults
    int volume = -1;            // 0..9, or -1 to leave the device volume alone
    FILE *events = nullptr;     // where to print each notification, or NULL
};

// Speaks the string and returns when its end-of-phrase message has come:
// 0, or the engine's error code.
LONG PlayPhonetics(const char *phonetics, const PlayOptions &options);

// Speaks a whole text sentence by sentence (Say takes the end-of-phrase
// messages itself, so no notification is printed): 0 or the engine's code.
LONG PlayText(const char *text, const PlayOptions &options);

}  // namespace kavrel
