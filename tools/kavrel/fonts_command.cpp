// kavrel fonts: the registered speech fonts, with description, version and
// whether each one loads.
#include "cli.h"

#include "kavsyn.h"

#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace kavrel {
namespace {

const char kUsage[] =
    "Usage: kavrel fonts\n"
    "\n"
    "Lists the registered speech fonts: name, format version, whether the\n"
    "engine can load the font (ok, or the engine's error code), and the\n"
    "font's description.  Codes that occur are explained below the list.\n"
    "\n"
    "Fonts are registered in kavrel.reg: $KAVREL_REGISTRY when set, else\n"
    "/etc/kavrel/kavrel.reg, else share/kavrel/kavrel.reg beside the library.\n"
    "\n"
    "Options:\n"
    "  -h, --help   show this help\n";

BOOL Collect(const KAVFONTINFO *lpInfo, LPARAM lParam) {
    reinterpret_cast<std::vector<KAVFONTINFO> *>(lParam)->push_back(*lpInfo);
    return TRUE;
}

std::string Version(const KAVFONTINFO &f) {
    if (f.nVersionMajor == -1 && f.nVersionMinor == -1) return "-";
    return std::to_string(f.nVersionMajor) + "." + std::to_string(f.nVersionMinor);
}

int Run(int argc, char **argv);

}  // namespace

extern const Command kFontsCommand = {"fonts", "list the registered speech fonts", kUsage, Run};

namespace {

int Run(int argc, char **argv) {
    if (WantsHelp(kFontsCommand, argc, argv)) return kExitOk;
    if (argc > 1) return UsageError(kFontsCommand, std::string("unexpected argument '") + argv[1] + "'");

    std::vector<KAVFONTINFO> fonts;
    const LONG n = KavEnumSpeechFonts(Collect, reinterpret_cast<LPARAM>(&fonts));
    if (n == SE_ERR_REGOPEN || n == 0) {
        std::puts("No speech fonts are registered.");
        return kExitOk;
    }
    if (n < 0) return Fail(KavErrorText(n));

    std::printf("%-16s %-8s %-7s %s\n", "NAME", "VERSION", "STATUS", "DESCRIPTION");
    std::set<LONG> codes;
    for (const KAVFONTINFO &f : fonts) {
        const std::string status = f.nStatus == 0 ? "ok" : std::to_string(f.nStatus);
        if (f.nStatus != 0) codes.insert(f.nStatus);
        std::printf("%-16s %-8s %-7s %s\n", f.szName, Version(f).c_str(), status.c_str(), f.szDescription);
    }
    for (LONG code : codes) {
        // Codes without a message box text are explained here.
        const char *text = code == SE_ERR_FONTCOUNTS ? "The speech font lacks a count resource" : KavErrorText(code);
        std::printf("\n%ld: %s", static_cast<long>(code), text);
    }
    if (!codes.empty()) std::putchar('\n');
    return kExitOk;
}

}  // namespace
}  // namespace kavrel
