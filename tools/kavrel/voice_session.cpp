#include "voice_session.h"

namespace kavrel {

VoiceSession::VoiceSession(const char *fontName, HWND hwnd) : scb_(OpenSpeech(hwnd, SE_FLAG_NOMSGBOX, fontName)) {}

VoiceSession::~VoiceSession() {
    if (scb_ != nullptr) CloseSpeech(scb_);
}

LONG VoiceSession::Status() const {
    if (scb_ == nullptr) return SE_ERR_NOMEMORY;
    const LONG status = SpeechStatus(scb_);
    if (status != 0) return status;
    return scb_->hFontModule == nullptr ? SE_ERR_NOFONT : 0;
}

std::string EngineMessage(LONG code) {
    const char *text = KavErrorText(code);
    switch (code) {
        case SE_ERR_NORULES: text = "the word is not in the dictionary"; break;
        case SE_ERR_RULEABORT: text = "the file could not be written whole"; break;
        case SE_ERR_BADDICT: text = "not a dictionary file"; break;
        case SE_ERR_DICTMAP: text = "the file could not be mapped"; break;
        case SE_ERR_DICTCREATE: text = "the file could not be created"; break;
        case SE_ERR_DICTOPEN: text = "the file could not be opened"; break;
        case SE_ERR_NOUSERDICT: text = "there is no user dictionary"; break;
        case SE_ERR_NOFONT: text = "no speech font is loaded"; break;
        case SE_ERR_FONTCOUNTS: text = "the speech font lacks a count resource"; break;
        case SE_ERR_NOPHONETICS: text = "no phonetic string"; break;
        case SE_ERR_WAVEFILEOPEN: text = "the WAVE file could not be opened"; break;
        case SE_ERR_WAVEFILEWRITE: text = "the WAVE file could not be written"; break;
        case SE_ERR_SYNTHBUSY: text = "synthesis is busy"; break;
        // The sound device's codes, in the speech threads' words.
        case SE_ERR_NOWAVEDEVICE: text = "No waveOut devices available."; break;
        case SE_ERR_WAVEBADDEVICE: text = "Invalid waveOut Device."; break;
        case SE_ERR_WAVEBUSY: text = "waveOut device is busy."; break;
        case SE_ERR_WAVEOPEN: text = "waveOutOpen error."; break;
        case SE_ERR_WAVEWRITE: text = "waveOutWrite error."; break;
        default: break;
    }
    return std::string(text) + " (" + std::to_string(code) + ")";
}

}  // namespace kavrel
