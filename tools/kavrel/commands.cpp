// The table of kavrel commands.  Each command lives in its own file and is
// listed here once, in the order --help shows them.
#include "cli.h"

namespace kavrel {

extern const Command kFontsCommand;

const std::vector<Command> kCommands = {
    kFontsCommand,
};

}  // namespace kavrel
