// Dictionary speed: exact lookups in a full mapped dictionary, and a run of
// insertions in random order into a memory-form one.
#include "api/engine_state.h"
#include "dict/dictionary.h"
#include "dict/font_dictionaries.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Keys(size_t n) {
    std::vector<std::string> keys;
    char buf[16];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "W%07zu", i * 7919 % 9999991);
        keys.emplace_back(buf);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

std::string WriteDictionary(const std::vector<std::string> &keys) {
    std::string table, pool;
    for (const std::string &k : keys) {
        const uint32_t key = static_cast<uint32_t>(pool.size());
        const uint32_t pron = key + static_cast<uint32_t>(k.size()) + 1;
        const unsigned char rec[10] = {0, 0, static_cast<unsigned char>(key), static_cast<unsigned char>(key >> 8),
                                       static_cast<unsigned char>(key >> 16), static_cast<unsigned char>(key >> 24),
                                       static_cast<unsigned char>(pron), static_cast<unsigned char>(pron >> 8),
                                       static_cast<unsigned char>(pron >> 16), static_cast<unsigned char>(pron >> 24)};
        table.append(reinterpret_cast<const char *>(rec), 10);
        pool += k + '\0' + "pronunciation" + '\0';
    }
    const std::string path = (std::filesystem::temp_directory_path() / "kavdict_bench.dic").string();
    const char header[4] = {static_cast<char>(keys.size()), static_cast<char>(keys.size() >> 8), 0,
                            static_cast<char>(0x80)};
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(header, 4) << table << pool;
    return path;
}

SCB NewSCB() {
    SCB s{};
    s.wFlags = SE_FLAG_NOMSGBOX;
    s.fDictActive = 1;
    s.nDictCase = 1;
    return s;
}

void BM_ExactLookupInFullMappedDictionary(benchmark::State &state) {
    std::vector<std::string> keys = Keys(0xFFFF);
    const std::string path = WriteDictionary(keys);
    SCB scb = NewSCB();
    if (DictAdd(&scb, path.c_str()) != 0) {
        state.SkipWithError("dictionary did not open");
        return;
    }
    std::shuffle(keys.begin(), keys.end(), std::mt19937(1));
    size_t i = 0;
    for (auto _ : state) {
        const std::string &k = keys[i++ % keys.size()];
        benchmark::DoNotOptimize(kav::LookupCurrentDictionary(k.data(), static_cast<int>(k.size())));
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
    kav::CloseFontDictionaries(&scb);
    std::filesystem::remove(path);
}
BENCHMARK(BM_ExactLookupInFullMappedDictionary);

void BM_InsertKeysInRandomOrder(benchmark::State &state) {
    std::vector<std::string> keys = Keys(static_cast<size_t>(state.range(0)));
    std::shuffle(keys.begin(), keys.end(), std::mt19937(2));
    for (auto _ : state) {
        SCB scb = NewSCB();
        for (const std::string &k : keys) DictInsert(&scb, k.c_str(), "pronunciation", 0);
        if (DictNumEntries(&scb) != keys.size()) state.SkipWithError("insertions went missing");
        kav::CloseFontDictionaries(&scb);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_InsertKeysInRandomOrder)->Arg(10000)->Arg(65535)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
