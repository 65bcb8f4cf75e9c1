// kavrel say: speech from a phonetic string, played or written to a WAVE file.
#include "cli.h"
#include "phrase_player.h"
#include "voice_session.h"

#include <cstdio>

#include <cstring>
#include <string>

namespace kavrel {
namespace {

const char kUsage[] =
    "Usage: kavrel say --phonetic STRING [-o FILE.wav] [-v FONT] [-a VOLUME] [--events]\n"
    "\n"
    "Synthesises a phonetic string (the engine's notation: phoneme symbols\n"
    "and escapes, as 'kavrel phonetics' prints them) with the font's voice\n"
    "and plays it on the sound device, or writes it to a WAVE file in the\n"
    "font's sample format.  KAVREL_WAVEOUT=alsa|virtual|none chooses the device.\n"
    "\n"
    "Options:\n"
    "  --phonetic STRING     the phonetic string to speak\n"
    "  -o, -w, --output FILE write a WAVE file instead of playing\n"
    "  -v, --font FONT       use the registered font FONT (default: the first)\n"
    "  -a, --volume N        play at volume N, 0..9 (5 as recorded; default:\n"
    "                        leave the device's volume as it is)\n"
    "  --events              print each notification (mouth shapes, sync marks,\n"
    "                        bookmarks, the end) with its time in ms as it comes\n"
    "  -h, --help            show this help\n";

int Run(int argc, char **argv);

}  // namespace

extern const Command kSayCommand = {"say", "speak a phonetic string, or write it to a WAVE file", kUsage, Run};

namespace {

bool Is(const char *a, std::initializer_list<const char *> names) {
    for (const char *n : names)
        if (std::strcmp(a, n) == 0) return true;
    return false;
}

int Run(int argc, char **argv) {
    if (WantsHelp(kSayCommand, argc, argv)) return kExitOk;
    const char *phonetic = nullptr;
    const char *output = nullptr;
    const char *font = nullptr;
    const char *volume = nullptr;
    bool events = false;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (Is(a, {"--events"})) {
            events = true;
            continue;
        }
        const char **target = Is(a, {"--phonetic"})               ? &phonetic
                              : Is(a, {"-o", "-w", "--output"})    ? &output
                              : Is(a, {"-v", "--font"})            ? &font
                              : Is(a, {"-a", "--volume"})          ? &volume
                                                                   : nullptr;
        if (target == nullptr) return UsageError(kSayCommand, std::string("unexpected argument '") + a + "'");
        if (++i == argc) return UsageError(kSayCommand, std::string(a) + " needs a value");
        *target = argv[i];
    }
    if (phonetic == nullptr) return UsageError(kSayCommand, "--phonetic STRING is required");
    PlayOptions play;
    play.font = font;
    if (volume != nullptr) {
        if (volume[0] < '0' || volume[0] > '9' || volume[1] != '\0')
            return UsageError(kSayCommand, std::string("volume '") + volume + "' is not 0..9");
        play.volume = volume[0] - '0';
    }
    if (output == nullptr) {
        if (events) play.events = stdout;
        const LONG rc = PlayPhonetics(phonetic, play);
        return rc == 0 ? kExitOk : Fail(EngineMessage(rc));
    }
    if (events || volume != nullptr) return UsageError(kSayCommand, "--events and -a apply to playing, not to -o");

    VoiceSession voice(font);
    if (const LONG status = voice.Status(); status != 0) return Fail(EngineMessage(status));
    std::string phonetics(phonetic);
    std::string file(output);
    // A refusal comes back as the result; a failure met while writing is
    // left in the SCB's status.
    LONG rc = WritePhonetics(voice.scb(), phonetics.data(), file.data());
    if (rc == 0) rc = SpeechStatus(voice.scb());
    if (rc != 0) return Fail(std::string(output) + ": " + EngineMessage(rc));
    return kExitOk;
}

}  // namespace
}  // namespace kavrel
