// The engine's error texts.  Codes without a text show the default one; the
// audio threads' default ends with a full stop, the other does not.
#include "api/services.h"

namespace kav {

namespace {
struct ErrorTextRow {
    LONG code;
    const char *report;  // shown by ReportError
    const char *audio;   // shown by ReportAudioError
};

constexpr ErrorTextRow kErrorTexts[] = {
    {-101, "Problem allocating memory", "Out of memory."},
    {-102, "Problem disposing memory", nullptr},
    {-108, "Cannot unmap a dictionary", nullptr},
    {-112, "Cannot load the speech font", nullptr},
    {-116, "Speech Is In Progress. Unable to Change Speech Font.Abort Speech to Change Font", nullptr},
    {-117, nullptr, "Cannot support %d Hz, %d-bit audio."},
    {-118, nullptr, "No waveOut devices available."},
    {-121, nullptr, "Invalid waveOut Device."},
    {-122, nullptr, "waveOut device is busy."},
    {-123, nullptr, "waveOutOpen error."},
    {-124, nullptr, "waveOutWrite error."},
    {-125, "Speech Font Error: Error Opening Registry Key", nullptr},
    {-126, "Speech Font Error: Error Querying Registry Key", nullptr},
    {-127, "Speech Font Error: Error Enumerating Registry Key", nullptr},
    {-128, "String Exceeded 8K Max. Unable to Convert String to Phonetics", nullptr},
    {-129, nullptr, "timeGetDevCaps fails"},
    {-132, "Unable to create a thread", nullptr},
    {5, nullptr, "waveOutwrite error: invalid handle"},
};
}  // namespace

const char *ErrorText(LONG code, bool audio) {
    for (const ErrorTextRow &row : kErrorTexts) {
        if (row.code != code) continue;
        const char *text = audio ? row.audio : row.report;
        if (text != nullptr) return text;
        break;
    }
    return audio ? "Unexpected error." : "Unexpected error";
}

}  // namespace kav
