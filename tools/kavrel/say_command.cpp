// kavrel say: speech from a text or a phonetic string, played on the sound
// device, written to a WAVE file or streamed as one to standard output.
#include "cli.h"
#include "phrase_player.h"
#include "speech_writer.h"
#include "text_input.h"
#include "voice_session.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace kavrel {
namespace {

const char kUsage[] =
    "Usage: kavrel say [OPTIONS] [TEXT... | -f FILE | -]\n"
    "       kavrel say [OPTIONS] --phonetic STRING\n"
    "\n"
    "Speaks a text with the font's voice: the text (TEXT, the words joined by\n"
    "blanks; the contents of FILE; or standard input for - and -f -) is\n"
    "split into sentences as 'kavrel sentences' shows, and each sentence is\n"
    "converted and synthesised in turn.  --phonetic speaks a phonetic string\n"
    "(the engine's notation, as 'kavrel phonetics' prints it) instead.\n"
    "\n"
    "Without -o or --stdout the speech plays on the sound device\n"
    "(KAVREL_WAVEOUT=alsa|virtual|none chooses it).\n"
    "With -o the whole text goes into one WAVE file in the font's sample\n"
    "format; with --stdout the WAVE stream goes to standard output as it is\n"
    "made (its header gives the sizes as 0xFFFFFFFF, for pipes: | aplay).\n"
    "\n"
    "Options:\n"
    "  -o, -w, --output FILE  write the speech to the WAVE file FILE\n"
    "      --stdout           stream the speech as WAVE to standard output\n"
    "  -f, --file FILE        read the text from FILE (- for standard input)\n"
    "      --phonetic STRING  speak a phonetic string\n"
    "  -v, --font FONT        use the registered font FONT (default: the first)\n"
    "  -p, --pitch N          pitch level, -5 to 15 (default 5)\n"
    "  -s, --speed N          speed level, -5 to 15 (default 5)\n"
    "  -a, --volume N         playback volume, 0 to 9 (when playing only;\n"
    "                         5 as recorded; default: the device's volume)\n"
    "      --events           print each notification (mouth shapes, sync\n"
    "                         marks, bookmarks, the end) with its time in ms\n"
    "                         as it comes (playing --phonetic only)\n"
    "  -h, --help             show this help\n";

int Run(int argc, char **argv);

}  // namespace

extern const Command kSayCommand = {"say", "speak a text or a phonetic string, or write it to a WAVE file", kUsage, Run};

namespace {

bool Is(const char *a, std::initializer_list<const char *> names) {
    for (const char *n : names)
        if (std::strcmp(a, n) == 0) return true;
    return false;
}

// A level option's value in [low, high]; false when it is not a number there.
bool ParseLevel(const char *s, long low, long high, LONG *out) {
    char *end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (*s == '\0' || *end != '\0' || errno != 0 || v < low || v > high) return false;
    *out = static_cast<LONG>(v);
    return true;
}

struct Options {
    const char *phonetic = nullptr;
    const char *output = nullptr;
    const char *font = nullptr;
    bool toStdout = false;
    bool events = false;
    LONG pitch = 0, speed = 0, volume = 0;
    bool hasPitch = false, hasSpeed = false, hasVolume = false;
    TextInput text;
};

// Parses the command line into `o`; a usage error's message, or "".
std::string Parse(int argc, char **argv, Options *o) {
    bool options = true;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        if (!options || a[0] != '-' || a[1] == '\0') {
            o->text.AddWord(a);
            continue;
        }
        if (Is(a, {"--"})) {
            options = false;
            continue;
        }
        if (Is(a, {"--stdout"})) {
            o->toStdout = true;
            continue;
        }
        if (Is(a, {"--events"})) {
            o->events = true;
            continue;
        }
        struct Level {
            const char *shortName, *longName;
            long low, high;
            LONG *value;
            bool *given;
        } levels[] = {
            {"-p", "--pitch", -5, 15, &o->pitch, &o->hasPitch},
            {"-s", "--speed", -5, 15, &o->speed, &o->hasSpeed},
            {"-a", "--volume", 0, 9, &o->volume, &o->hasVolume},
        };
        const char **target = Is(a, {"--phonetic"})            ? &o->phonetic
                              : Is(a, {"-o", "-w", "--output"}) ? &o->output
                              : Is(a, {"-v", "--font"})         ? &o->font
                                                                : nullptr;
        const Level *level = nullptr;
        for (const Level &l : levels)
            if (Is(a, {l.shortName, l.longName})) level = &l;
        const bool isFile = Is(a, {"-f", "--file"});
        if (target == nullptr && level == nullptr && !isFile) return std::string("unknown option '") + a + "'";
        if (++i == argc) return std::string(a) + " needs a value";
        if (target != nullptr) *target = argv[i];
        if (isFile) o->text.SetFile(argv[i]);
        if (level != nullptr) {
            if (!ParseLevel(argv[i], level->low, level->high, level->value))
                return std::string(a) + " takes a number from " + std::to_string(level->low) + " to " +
                       std::to_string(level->high) + ", not '" + argv[i] + "'";
            *level->given = true;
        }
    }
    if (o->output != nullptr && o->toStdout) return "-o and --stdout exclude each other";
    if (o->phonetic != nullptr) {
        if (o->text.Given()) return "--phonetic takes no other text";
    } else if (const std::string bad = o->text.Check(); !bad.empty()) {
        return bad;
    }
    const bool playing = o->output == nullptr && !o->toStdout;
    if (o->events && !(playing && o->phonetic != nullptr)) return "--events applies to playing a --phonetic string";
    return "";
}

int Run(int argc, char **argv) {
    if (WantsHelp(kSayCommand, argc, argv)) return kExitOk;
    Options o;
    if (const std::string bad = Parse(argc, argv, &o); !bad.empty()) return UsageError(kSayCommand, bad);
    const bool playing = o.output == nullptr && !o.toStdout;
    if (o.hasVolume && !playing) std::fputs("kavrel: warning: the volume applies only when playing, not with -o or --stdout\n", stderr);
    std::string text, error;
    if (o.phonetic == nullptr && !o.text.Read(&text, &error)) return Fail(error);

    if (playing) {
        PlayOptions play;
        play.font = o.font;
        if (o.hasPitch) play.pitch = o.pitch;
        if (o.hasSpeed) play.speed = o.speed;
        if (o.hasVolume) play.volume = static_cast<int>(o.volume);
        if (o.events) play.events = stdout;
        const LONG rc = o.phonetic != nullptr ? PlayPhonetics(o.phonetic, play) : PlayText(text.c_str(), play);
        return rc == 0 ? kExitOk : Fail(EngineMessage(rc));
    }

    VoiceSession voice(o.font);
    if (const LONG status = voice.Status(); status != 0) return Fail(EngineMessage(status));
    if (o.hasPitch) SetSpeechParameter(voice.scb(), 2, o.pitch);
    if (o.hasSpeed) SetSpeechParameter(voice.scb(), 3, o.speed);
    if (o.hasVolume) SetSpeechParameter(voice.scb(), 1, o.volume);

    SpeechWriter writer(voice.scb());
    if (!(o.toStdout ? writer.OpenStdout(&error) : writer.OpenFile(o.output, &error))) return Fail(error);
    const bool ok = o.phonetic != nullptr ? writer.WritePhrase(o.phonetic, &error) : writer.WriteText(text, &error);
    if (!ok || !writer.Finish(&error)) return Fail(error);
    return kExitOk;
}

}  // namespace
}  // namespace kavrel
