// The subcommands of kavfont.  Each takes the arguments after its name and
// returns the exit status: 0 done, 1 failed, 2 wrong usage.  Errors go to
// standard error as "kavfont: message".
#pragma once

#include <string>

namespace kav::font {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Command {
    const char *name;
    const char *summary;
    int (*run)(int argc, char **argv);
};

int Fail(const std::string &message);
int UsageError(const char *command, const std::string &message);

// kavfont voice --db GROUPFILE --variant kal16|kal8 --out DIR
int RunVoiceCommand(int argc, char **argv);

// kavfont dict compile LEXICON -o FILE [--case upper|lower|none]
int RunDictCommand(int argc, char **argv);

// kavfont lexicon cmu|evaluate --cmudict FILE --poslex FILE --tags FILE [--rules SRC] ...
int RunLexiconCommand(int argc, char **argv);

// kavfont rules compile|disasm|trace|masks ...
int RunRulesCommand(int argc, char **argv);

// kavfont link --db GROUPFILE --variant kal16|kal8 --sentence FILE [--kernel NAME] -o DLL PASS...
int RunLinkCommand(int argc, char **argv);

// kavfont register --dir FONTDIR -o FILE FONT[=DESCRIPTION]...
int RunRegisterCommand(int argc, char **argv);

}  // namespace kav::font
