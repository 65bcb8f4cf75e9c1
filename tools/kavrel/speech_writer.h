// Speech written to one WAVE file or stream, a phrase at a time: each
// phrase is synthesised by WritePhonetics into a temporary file (held in
// memory where the system allows), whose samples are appended to the
// output.  A whole text goes sentence by
// sentence, so that no phrase outgrows the synthesis's 16-bit queues.
#pragma once

#include "wave_joiner.h"

#include "kavsyn.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace kavrel {

class SpeechWriter {
public:
    explicit SpeechWriter(LPSCB scb) : scb_(scb) {}
    ~SpeechWriter();
    SpeechWriter(const SpeechWriter &) = delete;
    SpeechWriter &operator=(const SpeechWriter &) = delete;

    bool OpenFile(const char *path, std::string *error);
    bool OpenStdout(std::string *error);

    // Synthesises one phonetic string onto the end of the output.
    bool WritePhrase(const char *phonetics, std::string *error, bool samples = true);
    // Splits the text into sentences, converts and writes each.  A line
    // on standard error shows the progress through a long text when it is
    // a terminal.
    bool WriteText(const std::string &text, std::string *error);
    // Completes the WAVE header (a text without a word gives a WAVE file
    // without samples) and closes the output.
    bool Finish(std::string *error);

private:
    bool Open(FILE *out, bool seekable, std::string *error);
    bool ReadTemp(std::string *error);
    void ShowProgress(size_t done, size_t total, bool last) const;

    LPSCB scb_;
    FILE *out_ = nullptr;
    bool ownsOut_ = false;
    std::unique_ptr<WaveJoiner> joiner_;
    int tempFd_ = -1;
    std::string temp_;           // its name, as WritePhonetics opens it
    bool tempOnDisk_ = false;    // to be removed at the end
    std::vector<uint8_t> phrase_;  // the last phrase's file, read back
};

}  // namespace kavrel
