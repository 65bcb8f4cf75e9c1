// The table of kavrel commands.  Each command lives in its own file and is
// listed here once, in the order --help shows them.
#include "cli.h"

namespace kavrel {

extern const Command kFontsCommand;
extern const Command kDictCommand;
extern const Command kPhoneticsCommand;
extern const Command kSayCommand;
extern const Command kSentencesCommand;

const std::vector<Command> kCommands = {
    kSayCommand,
    kSentencesCommand,
    kPhoneticsCommand,
    kFontsCommand,
    kDictCommand,
};

}  // namespace kavrel
