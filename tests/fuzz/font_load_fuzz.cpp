// Arbitrary bytes as a registered speech font, loaded the way OpenSpeech
// loads it.  Whatever the file holds, loading must not crash, hang, read
// outside the file or leak, and must end in 0, -111 or -112.
#include "api/font_loading.h"
#include "platform/fault.h"
#include "platform/platform.h"
#include "platform/testing.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

void Quiet(const char *, const char *, UINT) {}

// A font directory with a registry naming one font, FUZZ, set up once.
const std::string &FontFile() {
    static const std::string file = [] {
        const std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("kavrel-fuzz-" + std::to_string(GetCurrentProcessId()));
        std::filesystem::create_directories(dir);
        std::ofstream(dir / "kavrel.reg") << "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Tessmar\\Kavrel\\SpeechFonts]\n"
                                          << "\"Path\"=\"" << dir.string() << "\"\n\n"
                                          << "[HKEY_LOCAL_MACHINE\\Software\\Tessmar\\Kavrel\\SpeechFonts\\FUZZ]\n";
        kav::testing::ReloadRegistry((dir / "kavrel.reg").c_str());
        KavSetMessageBoxHook(Quiet);
        return (dir / "FUZZ.DLL").string();
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string &file = FontFile();
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    const long live = kav::fault::LiveBlocks();
    SCB scb{};
    scb.wFlags = SE_FLAG_NOMSGBOX;
    const LONG rc = kav::LoadSpeechFont(&scb, "FUZZ");
    if (rc != 0 && rc != SE_ERR_FONTCOUNTS && rc != SE_ERR_FONTLOAD) std::abort();
    if (rc != 0 && scb.hFontModule != nullptr) std::abort();
    kav::ReleaseSpeechFont(&scb);
    if (kav::fault::LiveBlocks() != live) std::abort();
    return 0;
}
