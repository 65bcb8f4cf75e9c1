#include "commands.h"
#include "font_resource_pe.h"
#include "kal_group.h"
#include "voice_resources.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace kav::font {
namespace {

constexpr const char *kVoiceUsage =
    "Usage: kavfont voice --db GROUPFILE --variant kal16|kal8 (--out DIR | --dll FILE)\n"
    "\n"
    "Builds a voice from a festvox diphone group file (Debian festvox-kallpc16k:\n"
    "/usr/share/festival/voices/english/kal_diphone/group/kallpc16k.group) and\n"
    "writes each of its resources to DIR as TYPE.NAME (for example DEMI.258,\n"
    "10.NUMINSTRESOURCES), ready for the font linker, or all of them into one\n"
    "resource-only DLL (a voice, not yet a whole font: the rules are missing).\n"
    "\n"
    "  --db GROUPFILE   the diphone database\n"
    "  --variant V      kal16: 16 kHz, 16-bit samples; kal8: 11,025 Hz, 8-bit, delta-coded\n"
    "  --out DIR        where to write the resources (created if missing)\n"
    "  --dll FILE       write them into a resource-only DLL instead\n"
    "  --quiet          do not print the summary\n"
    "  -h, --help       show this help\n";

bool WriteFile(const std::filesystem::path &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

int RunVoiceCommand(int argc, char **argv) {
    std::string db, variant, out, dll;
    bool quiet = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kVoiceUsage, stdout);
            return kExitOk;
        }
        if (arg == "--quiet") {
            quiet = true;
            continue;
        }
        std::string *target = arg == "--db"        ? &db
                              : arg == "--variant" ? &variant
                              : arg == "--out"     ? &out
                              : arg == "--dll"     ? &dll
                                                   : nullptr;
        if (target == nullptr) return UsageError("voice", "unknown argument '" + arg + "'");
        if (i + 1 >= argc) return UsageError("voice", arg + " needs a value");
        *target = argv[++i];
    }
    if (db.empty() || variant.empty()) return UsageError("voice", "--db and --variant are required");
    if (out.empty() == dll.empty()) return UsageError("voice", "give one of --out and --dll");
    VoiceFormat format;
    if (variant == "kal16") format = FormatOf(VoiceVariant::Kal16);
    else if (variant == "kal8") format = FormatOf(VoiceVariant::Kal8);
    else return UsageError("voice", "unknown variant '" + variant + "' (kal16 or kal8)");

    try {
        const auto start = std::chrono::steady_clock::now();
        const KalDatabase database = ReadKalGroupFile(db);
        const BuiltVoice voice = BuildVoice(database, format);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        uint64_t total = 0;
        for (const FontResource &r : voice.resources) total += r.bytes.size();
        if (!dll.empty()) {
            PeWriter writer;
            std::string refused;
            if (!AddFontResources(writer, voice.resources, &refused)) return Fail("the DLL cannot hold " + refused);
            if (!writer.WriteFile(dll)) return Fail("cannot write " + dll);
        } else {
            std::error_code ec;
            std::filesystem::create_directories(out, ec);
            if (ec) return Fail("cannot create " + out + ": " + ec.message());
            for (const FontResource &r : voice.resources) {
                const auto path = std::filesystem::path(out) / (r.type.Spelling() + "." + r.name.Spelling());
                if (!WriteFile(path, r.bytes)) return Fail("cannot write " + path.string());
            }
        }
        if (!quiet) {
            const VoiceStats &s = voice.stats;
            std::printf("%s: %u phonemes, %u recorded pairs, %u substituted; %u frames (%u voiced), "
                        "%u frame records; sample data %llu bytes; base period %u samples (%u Hz); "
                        "%llu samples clipped; %llu bytes in %zu resources; %.2f s\n",
                        format.name.c_str(), s.phonemes, s.diphones, s.substitutedPairs, s.storedFrames,
                        s.voicedFrames, s.frameRecords, static_cast<unsigned long long>(s.pcmdBytes), s.basePeriod,
                        s.basePeriod ? format.sampleRate / s.basePeriod : 0,
                        static_cast<unsigned long long>(s.clippedSamples), static_cast<unsigned long long>(total),
                        voice.resources.size(), seconds);
        }
        return kExitOk;
    } catch (const VoiceError &e) {
        return Fail(e.what());
    } catch (const std::bad_alloc &) {
        return Fail("out of memory");
    }
}

}  // namespace kav::font
