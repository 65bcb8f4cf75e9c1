// kavrel sentences: a text split as the font's sentence program splits it.
#include "cli.h"
#include "text_input.h"
#include "voice_session.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace kavrel {
namespace {

const char kUsage[] =
    "Usage: kavrel sentences [-v FONT] [TEXT... | -f FILE | -]\n"
    "\n"
    "Prints the sentences of a text, one a line, as the font's sentence\n"
    "program splits it (this is how 'kavrel say' walks a text).  Line\n"
    "breaks and tabs inside a sentence are shown as blanks, white space\n"
    "around it is left out, and sentences of white space only are not shown.\n"
    "\n"
    "The text is TEXT (the words joined by blanks), the contents of FILE, or\n"
    "standard input (- or -f -).\n"
    "\n"
    "Options:\n"
    "  -f, --file FILE   read the text from FILE\n"
    "  -v, --font FONT   use the registered font FONT (default: the first)\n"
    "  -h, --help        show this help\n";

int Run(int argc, char **argv);

}  // namespace

extern const Command kSentencesCommand = {"sentences", "print the sentences of a text, one a line", kUsage, Run};

namespace {

// The sentence on one line, without the white space around it.
std::string OneLine(const char *sentence) {
    std::string s = sentence;
    for (char &c : s)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    const size_t first = s.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

int Run(int argc, char **argv) {
    if (WantsHelp(kSentencesCommand, argc, argv)) return kExitOk;
    const char *font = nullptr;
    TextInput input;
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const bool isFont = std::strcmp(a, "-v") == 0 || std::strcmp(a, "--font") == 0;
        const bool isFile = std::strcmp(a, "-f") == 0 || std::strcmp(a, "--file") == 0;
        if (options && std::strcmp(a, "--") == 0) {
            options = false;
        } else if (options && (isFont || isFile)) {
            if (++i == argc) return UsageError(kSentencesCommand, std::string(a) + " needs a value");
            if (isFont) font = argv[i];
            else input.SetFile(argv[i]);
        } else if (options && a[0] == '-' && a[1] != '\0') {
            return UsageError(kSentencesCommand, std::string("unknown option '") + a + "'");
        } else {
            input.AddWord(a);
        }
    }
    if (const std::string bad = input.Check(); !bad.empty()) return UsageError(kSentencesCommand, bad);
    std::string text, error;
    if (!input.Read(&text, &error)) return Fail(error);

    VoiceSession voice(font);
    if (const LONG status = voice.Status(); status != 0) return Fail(EngineMessage(status));
    for (const char *s = NextSentence(voice.scb(), text.c_str()); s != nullptr; s = NextSentence(voice.scb(), nullptr)) {
        const std::string line = OneLine(s);
        if (!line.empty()) std::puts(line.c_str());
    }
    return kExitOk;
}

}  // namespace
}  // namespace kavrel
