// A hand-built SCB with a 100 Hz voice (16000 Hz / 160), current for the
// test, and a helper that runs the encoder and hands back its text.
// On this voice P70 = 109, P30 = 91, P20 = 86, P90 = 118.
#pragma once

#include "api/engine_state.h"
#include "api/services.h"
#include "phonetics/phonetic_encoder.h"
#include "phonetics/voice_header_bytes.h"
#include "platform/fault.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace kavtest {

inline std::vector<std::string> g_boxes;
inline void RecordBox(const char *caption, const char *text, UINT) {
    g_boxes.push_back(std::string(caption) + ": " + text);
}

class EncoderTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_boxes.clear();
        KavSetMessageBoxHook(RecordBox);
        hdr_ = VoiceHeaderBytes(4, 16000, 16, 160, "_\na\nb\nc");
        scb_.lpSpeechHdr = hdr_.data();
        scb_.nPitch = 5;
        kav::SetCurrentSCB(&scb_);
    }
    void TearDown() override {
        kav::fault::FailAllocationAfter(0);
        kav::SetCurrentSCB(nullptr);
        KavSetMessageBoxHook(nullptr);
    }
    // The encoder's string, or nullopt for NULL; the block is freed.
    static std::optional<std::string> Encode(const std::string &text, WORD plain = 0) {
        char *out = kav::EncodePhonetics(text.c_str(), plain);
        if (out == nullptr) return std::nullopt;
        std::string s(out);
        kav::FreeBlock(out);
        return s;
    }
    SCB scb_{};
    std::vector<unsigned char> hdr_;
};

}  // namespace kavtest
