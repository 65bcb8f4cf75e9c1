// kavrel say: speech from a phonetic string, written to a WAVE file.
#include "cli.h"
#include "voice_session.h"

#include <cstring>
#include <string>

namespace kavrel {
namespace {

const char kUsage[] =
    "Usage: kavrel say --phonetic STRING -o FILE.wav [-v FONT]\n"
    "\n"
    "Synthesises a phonetic string (the engine's notation: phoneme symbols\n"
    "and escapes, as 'kavrel phonetics' prints them) with the font's voice\n"
    "and writes it to a WAVE file in the font's sample format.\n"
    "\n"
    "Options:\n"
    "  --phonetic STRING     the phonetic string to speak\n"
    "  -o, -w, --output FILE the WAVE file to write\n"
    "  -v, --font FONT       use the registered font FONT (default: the first)\n"
    "  -h, --help            show this help\n";

int Run(int argc, char **argv);

}  // namespace

extern const Command kSayCommand = {"say", "speak a phonetic string into a WAVE file", kUsage, Run};

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
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const char **target = Is(a, {"--phonetic"})               ? &phonetic
                              : Is(a, {"-o", "-w", "--output"})    ? &output
                              : Is(a, {"-v", "--font"})            ? &font
                                                                   : nullptr;
        if (target == nullptr) return UsageError(kSayCommand, std::string("unexpected argument '") + a + "'");
        if (++i == argc) return UsageError(kSayCommand, std::string(a) + " needs a value");
        *target = argv[i];
    }
    if (phonetic == nullptr) return UsageError(kSayCommand, "--phonetic STRING is required");
    if (output == nullptr) return UsageError(kSayCommand, "-o FILE is required");

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
