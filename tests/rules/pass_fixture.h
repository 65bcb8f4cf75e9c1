// Shared set-up of the rule pass tests: a current SCB, recorded message
// boxes, a leak check, and a pass runner that returns the output text or
// "error <status>".
#pragma once

#include "rules/rule_asm.h"

#include "api/engine_state.h"
#include "api/services.h"
#include "dict/dictionary.h"
#include "platform/fault.h"
#include "rules/rule_pass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ruletest {

inline std::vector<std::string> g_boxes;
inline void RecordBox(const char *caption, const char *text, UINT) {
    g_boxes.push_back(std::string(caption) + ": " + text);
}

class PassTest : public ::testing::Test {
public:
    void SetUp() override {
        g_boxes.clear();
        KavSetMessageBoxHook(RecordBox);
        kav::SetCurrentSCB(&scb_);
        live_ = kav::fault::LiveBlocks();
    }
    void TearDown() override {
        kav::fault::FailAllocationAfter(0);
        kav::SetCurrentSCB(nullptr);
        KavSetMessageBoxHook(nullptr);
        EXPECT_EQ(kav::fault::LiveBlocks(), live_) << "a pass left blocks allocated";
    }
    static std::string Run(const Bytes &program, const std::string &text) {
        char *out = reinterpret_cast<char *>(1);
        const LONG status = kav::RunRulePassOver(text.c_str(), program.data(), DWORD(program.size()), &out);
        if (status != 0) {
            EXPECT_EQ(out, nullptr);
            return "error " + std::to_string(status);
        }
        std::string result(out);
        kav::FreeBlock(out);
        return result;
    }

    SCB scb_{};
    long live_ = 0;
};

// A dictionary in memory form, built by hand: records sorted by key.
struct HandDict {
    struct Word {
        std::string key, pronunciation;
        WORD tag;
    };
    HandDict(const HandDict &) = delete;  // the descriptor points into it
    explicit HandDict(std::vector<Word> words) {
        std::sort(words.begin(), words.end(), [](const Word &a, const Word &b) { return a.key < b.key; });
        for (const Word &w : words) {
            const auto key = DWORD(pool.size());
            pool += w.key + '\0';
            const auto pron = DWORD(pool.size());
            pool += w.pronunciation + '\0';
            const uint8_t record[10] = {uint8_t(w.tag), uint8_t(w.tag >> 8),
                                        uint8_t(key), uint8_t(key >> 8), uint8_t(key >> 16), uint8_t(key >> 24),
                                        uint8_t(pron), uint8_t(pron >> 8), uint8_t(pron >> 16), uint8_t(pron >> 24)};
            table.insert(table.end(), record, record + 10);
        }
        desc.lpDictTable = table.empty() ? nullptr : table.data();
        desc.lpDictPool = pool.data();
        desc.nDictEntries = DWORD(words.size());
        desc.nDictPoolSize = DWORD(pool.size());
        desc.fDictInMemory = 1;
    }
    Bytes table;
    std::string pool;
    kav::DictDescriptor desc{};
};

inline void *NoLookup(const char *, int) { return nullptr; }

}  // namespace ruletest
