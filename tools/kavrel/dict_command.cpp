// kavrel dict: list, find, insert and delete pronunciation dictionary
// entries.  A process lives for one command, so edits work on files: the
// file is opened as the current dictionary (or a new one when it does not
// exist yet), changed, and saved back with DictSave.
#include "cli.h"
#include "voice_session.h"

#include "kavsyn.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace kavrel {
namespace {

const char kUsage[] =
    "Usage: kavrel dict list [FILE]\n"
    "       kavrel dict find WORD [FILE]\n"
    "       kavrel dict insert FILE WORD PRONUNCIATION [TAG]\n"
    "       kavrel dict delete FILE WORD\n"
    "\n"
    "list    prints every entry of FILE, or of the default font's user\n"
    "        dictionary: word, pronunciation and tag, one entry a line.\n"
    "find    looks WORD up in FILE, or in the default font's dictionaries\n"
    "        from the top of the stack down; the first hit is printed.\n"
    "insert  adds WORD to FILE (created when missing), or gives it a new\n"
    "        pronunciation and TAG (0 to 65535, default 0).\n"
    "delete  takes WORD out of FILE.\n"
    "\n"
    "Words are folded to the case the default font's dictionaries use.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help\n";

int Run(int argc, char **argv);

}  // namespace

extern const Command kDictCommand = {"dict", "list, find and edit pronunciation dictionaries", kUsage, Run};

namespace {

// The engine's text for a code; the dictionary codes that have no message
// box text are explained here.

void PrintEntry(const DictEntry *e) { std::printf("%s\t%s\t%u\n", e->lpszKey, e->lpszPronunciation, e->wTag); }

// The default font's SCB, message boxes off (errors are printed instead),
// with FILE (when given) pushed as the current dictionary.
class Session {
public:
    Session() : scb_(OpenSpeech(nullptr, SE_FLAG_NOMSGBOX, nullptr)) {}
    ~Session() {
        if (scb_ != nullptr) CloseSpeech(scb_);
    }
    LPSCB scb() const { return scb_; }
    // A missing file opens as a new, empty dictionary when `create` is set.
    LONG Open(const char *file, bool create) {
        if (scb_ == nullptr) return SE_ERR_NOMEMORY;
        if (file == nullptr) return 0;
        if (create && !std::filesystem::exists(file)) return DictAdd(scb_, nullptr);
        return DictAdd(scb_, file);
    }

private:
    LPSCB scb_;
};

int List(const char *file) {
    Session s;
    if (const LONG rc = s.Open(file, false); rc != 0) return Fail(std::string(file) + ": " + EngineMessage(rc));
    for (WORD i = 0, n = DictNumEntries(s.scb()); i < n; ++i) PrintEntry(DictGetEntry(s.scb(), i));
    return kExitOk;
}

// Without FILE each dictionary of the stack is searched from the top, as
// the rules do: closing the top one makes the one below current.
int Find(const char *word, const char *file) {
    Session s;
    if (const LONG rc = s.Open(file, false); rc != 0) return Fail(std::string(file) + ": " + EngineMessage(rc));
    for (;;) {
        if (const DictEntry *e = DictFind(s.scb(), word)) {
            PrintEntry(e);
            return kExitOk;
        }
        const LONG depth = s.scb()->nDictStack;
        if (file != nullptr || depth <= 1 || DictNew(s.scb(), nullptr) != 0 || s.scb()->nDictStack == depth) break;
    }
    return Fail(std::string("'") + word + "': " + EngineMessage(SE_ERR_NORULES));
}

int Edit(const char *file, const char *word, const char *pron, WORD tag) {
    Session s;
    if (const LONG rc = s.Open(file, pron != nullptr); rc != 0) return Fail(std::string(file) + ": " + EngineMessage(rc));
    const LONG rc = pron != nullptr ? DictInsert(s.scb(), word, pron, tag) : DictDelete(s.scb(), word);
    if (rc != 0) return Fail(std::string("'") + word + "': " + EngineMessage(rc));
    if (const LONG saved = DictSave(s.scb(), file); saved != 0) return Fail(std::string(file) + ": " + EngineMessage(saved));
    return kExitOk;
}

int Run(int argc, char **argv) {
    if (WantsHelp(kDictCommand, argc, argv)) return kExitOk;
    if (argc < 2) return UsageError(kDictCommand, "missing subcommand");
    const std::string sub = argv[1];
    const int n = argc - 2;  // operands after the subcommand
    char **arg = argv + 2;
    if (sub == "list" && n <= 1) return List(n == 1 ? arg[0] : nullptr);
    if (sub == "find" && (n == 1 || n == 2)) return Find(arg[0], n == 2 ? arg[1] : nullptr);
    if (sub == "delete" && n == 2) return Edit(arg[0], arg[1], nullptr, 0);
    if (sub == "insert" && (n == 3 || n == 4)) {
        char *end = nullptr;
        const unsigned long tag = n == 4 ? std::strtoul(arg[3], &end, 10) : 0;
        if (n == 4 && (*arg[3] == '\0' || *end != '\0' || tag > 0xFFFF))
            return UsageError(kDictCommand, std::string("TAG must be a number from 0 to 65535, not '") + arg[3] + "'");
        return Edit(arg[0], arg[1], arg[2], static_cast<WORD>(tag));
    }
    if (sub != "list" && sub != "find" && sub != "insert" && sub != "delete")
        return UsageError(kDictCommand, "unknown subcommand '" + sub + "'");
    return UsageError(kDictCommand, "wrong number of arguments for 'dict " + sub + "'");
}

}  // namespace
}  // namespace kavrel
