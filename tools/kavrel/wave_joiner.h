// One RIFF WAVE stream made of the samples of several WAVE files, written
// one after the other (a text spoken sentence by sentence, one file each).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace kavrel {

class WaveJoiner {
public:
    // `seekable` false is for pipes: the header is written once, with the
    // sizes 0xFFFFFFFF that streaming readers take as "to the end".
    WaveJoiner(FILE *out, bool seekable) : out_(out), seekable_(seekable) {}

    // Appends the sample data of a WAVE file's bytes (only its format when
    // `samples` is false).  The first file fixes the format; a later file
    // in another format, a file that is not mono PCM WAVE, and a write
    // error give false and a message.
    bool Append(const std::vector<uint8_t> &file, bool samples, std::string *error);
    // Puts the real sizes into the header (seekable output) and flushes.
    bool Finish(std::string *error);

    uint64_t DataBytes() const { return data_; }
    // Bytes of sound per second of the format; 0 before the first file.
    uint32_t ByteRate() const;

private:
    bool WriteHeader(uint32_t riffSize, uint32_t dataSize, std::string *error);

    FILE *out_;
    bool seekable_;
    std::vector<uint8_t> format_;  // the "fmt " chunk's body
    uint64_t data_ = 0;
};

}  // namespace kavrel
