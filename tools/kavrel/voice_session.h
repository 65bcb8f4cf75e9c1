// An open voice for one kavrel command: the engine opened on a registered
// font (the first one unless named), message boxes off so that errors come
// back as codes and are printed as "kavrel: message".
#pragma once

#include "kavsyn.h"

#include <string>

namespace kavrel {

class VoiceSession {
public:
    // hwnd receives the engine's notifications (NULL when none are wanted).
    explicit VoiceSession(const char *fontName, HWND hwnd = nullptr);
    ~VoiceSession();
    VoiceSession(const VoiceSession &) = delete;
    VoiceSession &operator=(const VoiceSession &) = delete;

    // 0 when a font is loaded, else the engine's code.
    LONG Status() const;
    LPSCB scb() const { return scb_; }

private:
    LPSCB scb_;
};

// "message (code)" for an engine code, in words for the codes that have no
// message box text (the dictionary codes read as the dict command meets them).
std::string EngineMessage(LONG code);

}  // namespace kavrel
