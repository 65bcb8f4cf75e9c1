// kavrel phonetics: the phonetic string of a text.
#include "cli.h"
#include "voice_session.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace kavrel {
namespace {

const char kUsage[] =
    "Usage: kavrel phonetics [--plain] [-v FONT] TEXT...\n"
    "\n"
    "Prints the phonetic string of TEXT (the words joined by blanks) as the\n"
    "font's rules and the phonetic encoder make it: phoneme symbols, stress\n"
    "marks, pitch marks and pauses.  The text must be shorter than 8192 bytes.\n"
    "\n"
    "Options:\n"
    "  --plain           a bare transcription, without pitch marks and pauses\n"
    "  -v, --font FONT   use the registered font FONT (default: the first)\n"
    "  -h, --help        show this help\n";

int Run(int argc, char **argv);

}  // namespace

extern const Command kPhoneticsCommand = {"phonetics", "print the phonetic string of a text", kUsage, Run};

namespace {

int Run(int argc, char **argv) {
    if (WantsHelp(kPhoneticsCommand, argc, argv)) return kExitOk;
    bool plain = false;
    const char *font = nullptr;
    std::string text;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && std::strcmp(a, "--plain") == 0) {
            plain = true;
        } else if (options && (std::strcmp(a, "-v") == 0 || std::strcmp(a, "--font") == 0)) {
            if (++i == argc) return UsageError(kPhoneticsCommand, std::string(a) + " needs a font name");
            font = argv[i];
        } else if (options && a[0] == '-' && a[1] != '\0') {
            return UsageError(kPhoneticsCommand, std::string("unknown option '") + a + "'");
        } else {
            if (!text.empty()) text += ' ';
            text += a;
        }
    }
    if (text.empty()) return UsageError(kPhoneticsCommand, "no text given");
    if (text.size() >= 8192) return Fail("the text is 8192 bytes or longer; the limit is 8191");

    VoiceSession voice(font);
    if (const LONG status = voice.Status(); status != 0) return Fail(EngineMessage(status));
    char *phonetics = TextToPhonetics(voice.scb(), text.c_str(), plain ? 1 : 0);
    if (phonetics == nullptr) return Fail("the text could not be converted");
    std::puts(phonetics);
    FreePhoneticsBuffer(phonetics);
    return kExitOk;
}

}  // namespace
}  // namespace kavrel
