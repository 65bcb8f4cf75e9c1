// Dictionary files from anywhere: the loader must refuse what it cannot use
// and never read outside the mapping; what it accepts must list, search,
// change and save back to a file that loads with the same entries.
#include "api/engine_state.h"
#include "dict/font_dictionaries.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string TempPath(const char *name) {
    static const std::string dir = [] {
        auto d = std::filesystem::temp_directory_path() /
                 ("kavdict_fuzz_" + std::to_string(reinterpret_cast<uintptr_t>(&TempPath) & 0xFFFFFF));
        std::filesystem::create_directories(d);
        return d.string();
    }();
    return dir + "/" + name;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

std::vector<std::pair<std::string, std::string>> Entries(LPSCB s) {
    std::vector<std::pair<std::string, std::string>> out;
    for (WORD i = 0; i < DictNumEntries(s); ++i) {
        const LPDICTENTRY e = DictGetEntry(s, i);
        Check(e != nullptr);
        out.emplace_back(e->lpszKey, e->lpszPronunciation);
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string in = TempPath("in.dic");
    const std::string out = TempPath("out.dic");
    std::ofstream(in, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char *>(data), size);

    SCB scb{};
    scb.wFlags = SE_FLAG_NOMSGBOX;
    scb.fDictActive = 1;
    scb.nDictCase = 0;  // keys as stored
    if (DictAdd(&scb, in.c_str()) == 0) {
        const auto entries = Entries(&scb);
        for (size_t i = 0; i < entries.size(); ++i) {
            const LPDICTENTRY e = DictFind(&scb, entries[i].first.c_str());
            Check(e != nullptr && e->lpszKey == DictGetEntry(&scb, static_cast<WORD>(i))->lpszKey);
        }
        Check(DictSave(&scb, out.c_str()) == 0);
        SCB copy{};
        copy.wFlags = SE_FLAG_NOMSGBOX;
        Check(DictAdd(&copy, out.c_str()) == 0 && Entries(&copy) == entries);
        kav::CloseFontDictionaries(&copy);

        // An edit, then the memory form's compacted save.
        const std::string key = entries.empty() ? std::string("K") : entries.front().first + "~";
        if (DictInsert(&scb, key.c_str(), "p", 1) == 0) {
            Check(DictFind(&scb, key.c_str()) != nullptr);
            if (!entries.empty()) Check(DictDelete(&scb, entries.back().first.c_str()) == 0);
            const auto edited = Entries(&scb);
            Check(DictSave(&scb, out.c_str()) == 0);
            SCB again{};
            again.wFlags = SE_FLAG_NOMSGBOX;
            Check(DictAdd(&again, out.c_str()) == 0 && Entries(&again) == edited);
            kav::CloseFontDictionaries(&again);
        }
    }
    kav::CloseFontDictionaries(&scb);
    kav::SetCurrentSCB(nullptr);
    return 0;
}
