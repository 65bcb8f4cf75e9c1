// Shared set-up of the engine interface tests: the library started, message
// boxes recorded instead of printed, a font registry in a temporary folder.
#pragma once

#include "api/library_startup.h"
#include "fonts/test_fonts.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kav::apitest {

inline std::vector<std::string> g_boxes;
inline void RecordBox(const char *caption, const char *text, UINT) { g_boxes.push_back(std::string(caption) + ": " + text); }

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        kav::LibraryStartup(nullptr);
        g_boxes.clear();
        KavSetMessageBoxHook(RecordBox);
        live_ = kav::fault::LiveBlocks();
    }
    void TearDown() override {
        kav::fault::FailAllocationAfter(0);
        KavSetMessageBoxHook(nullptr);
        EXPECT_EQ(kav::fault::LiveBlocks(), live_) << "memory blocks leaked";
    }
    // Opens the named font without message boxes.
    LPSCB Open(const char *name) { return OpenSpeech(reinterpret_cast<HWND>(7), SE_FLAG_NOMSGBOX, name); }
    // Opens and closes the font; its status, after checking that a font
    // that did not load left no module behind.
    LONG StatusOf(const char *name) {
        LPSCB scb = Open(name);
        const LONG status = SpeechStatus(scb);
        EXPECT_EQ(scb->hFontModule != nullptr, status == 0) << name;
        CloseSpeech(scb);
        return status;
    }

    kav::testfonts::FontRegistry reg_;
    long live_ = 0;
};

}  // namespace kav::apitest
