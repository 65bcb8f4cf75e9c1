#include "phrase_player.h"

#include "voice_session.h"

#include <chrono>
#include <string>

namespace kavrel {
namespace {

using Clock = std::chrono::steady_clock;

// Prints a notification with its arrival time, in ms since the phrase was
// handed to the engine.
void PrintEvent(FILE *out, Clock::time_point start, const char *what, LPARAM value) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    std::fprintf(out, "%7lld ms  %-8s %ld\n", static_cast<long long>(ms), what, static_cast<long>(value));
    std::fflush(out);
}

LRESULT IgnoreWindowMessage(HWND, UINT, WPARAM, LPARAM, void *) { return 0; }

// Opens a voice on a window of this thread with the options' settings and
// runs speak with it; 0 or the engine's code.
template <typename Speak>
LONG WithVoice(const PlayOptions &options, Speak speak) {
    HWND hwnd = KavCreateWindow(IgnoreWindowMessage, nullptr);
    if (hwnd == nullptr) return SE_ERR_NOMEMORY;
    LONG rc;
    {
        VoiceSession voice(options.font, hwnd);
        rc = voice.Status();
        LPSCB scb = voice.scb();
        if (rc == 0) {
            SetSpeechParameter(scb, 1, options.volume);
            SetSpeechParameter(scb, 2, options.pitch);
            SetSpeechParameter(scb, 3, options.speed);
            rc = speak(scb, hwnd);
        }
    }
    KavDestroyWindow(hwnd);
    return rc;
}

}  // namespace

LONG PlayPhonetics(const char *phonetics, const PlayOptions &options) {
    return WithVoice(options, [&](LPSCB scb, HWND hwnd) {
        if (options.events != nullptr)
            ChangeSpeech(scb, SE_FLAG_NOMSGBOX | SE_FLAG_MOUTH | SE_FLAG_SYNC | SE_FLAG_BOOKMARK, nullptr);
        std::string text(phonetics);  // must outlive the phrase
        const Clock::time_point start = Clock::now();
        LONG rc = SpeakPhonetics(scb, text.data());
        MSG msg;
        while (rc == 0 && KavGetMessage(&msg, hwnd, 0, 0) > 0) {
            if (msg.message != scb->msgDone) continue;  // all four share the engine's message
            const char *what = msg.wParam == scb->wParamDone       ? "end"
                               : msg.wParam == scb->wParamMouth    ? "mouth"
                               : msg.wParam == scb->wParamSync     ? "sync"
                               : msg.wParam == scb->wParamBookmark ? "bookmark"
                                                                   : nullptr;
            if (what == nullptr) continue;
            if (options.events != nullptr) PrintEvent(options.events, start, what, msg.lParam);
            if (msg.wParam == scb->wParamMouth) MouthRedrawComplete(scb);  // drawn at once
            if (msg.wParam != scb->wParamDone) continue;
            // Errors met while the phrase was under way are left here.
            rc = SpeechStatus(scb);
            break;
        }
        return rc;
    });
}

LONG PlayText(const char *text, const PlayOptions &options) {
    return WithVoice(options, [&](LPSCB scb, HWND) { return Say(scb, text); });
}

}  // namespace kavrel
