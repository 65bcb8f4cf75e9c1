#include "wave_joiner.h"

#include <cerrno>
#include <cstring>

namespace kavrel {
namespace {

constexpr uint32_t kStreamSize = 0xFFFFFFFF;
constexpr size_t kHeaderBytes = 44;  // RIFF, WAVE, a 16-byte fmt chunk, data
constexpr uint64_t kMaxData = 0xFFFFFFFFull - (kHeaderBytes - 8) - 1;

uint32_t Le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
void PutLe32(std::vector<uint8_t> &v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
// Byte by byte: GCC 12 at -O2 takes a range insert here for an overflow.
void PutTag(std::vector<uint8_t> &v, const char *tag) {
    for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(tag[i]));
}

struct Chunks {
    const uint8_t *format = nullptr;
    size_t formatSize = 0;
    const uint8_t *data = nullptr;
    size_t dataSize = 0;
};

// Finds the fmt and data chunks of a RIFF WAVE image, every size checked
// against what is there.  A data chunk cut short (a writer that stopped)
// counts up to the end of the file.
bool FindChunks(const std::vector<uint8_t> &file, Chunks *c) {
    if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 || std::memcmp(file.data() + 8, "WAVE", 4) != 0)
        return false;
    size_t at = 12;
    while (file.size() - at >= 8) {
        const uint8_t *head = file.data() + at;
        const size_t size = Le32(head + 4);
        const size_t left = file.size() - at - 8;
        if (std::memcmp(head, "fmt ", 4) == 0 && size <= left) {
            c->format = head + 8;
            c->formatSize = size;
        } else if (std::memcmp(head, "data", 4) == 0) {
            c->data = head + 8;
            c->dataSize = size <= left ? size : left;
        }
        if (size > left) break;
        at += 8 + size + (size & 1);
        if (at > file.size()) break;
    }
    return c->format != nullptr && c->formatSize >= 16 && c->data != nullptr && Le32(c->format) == (1u | 1u << 16);
}

}  // namespace

uint32_t WaveJoiner::ByteRate() const { return format_.size() >= 12 ? Le32(format_.data() + 8) : 0; }

bool WaveJoiner::Append(const std::vector<uint8_t> &file, bool samples, std::string *error) {
    Chunks c;
    if (!FindChunks(file, &c)) {
        *error = "the engine's WAVE output is not mono PCM";
        return false;
    }
    if (format_.empty()) {
        format_.assign(c.format, c.format + 16);
        // A pipe gets its header now; a file gets it again with its sizes.
        if (!WriteHeader(kStreamSize, kStreamSize, error)) return false;
    } else if (std::memcmp(format_.data(), c.format, 16) != 0) {
        *error = "a phrase came in another sample format than the first";
        return false;
    }
    if (!samples) c.dataSize = 0;
    if (data_ + c.dataSize > kMaxData) {
        *error = "the speech is too long for one WAVE file (4 GiB)";
        return false;
    }
    if (c.dataSize != 0 && std::fwrite(c.data, 1, c.dataSize, out_) != c.dataSize) {
        *error = std::string("writing the WAVE data: ") + std::strerror(errno);
        return false;
    }
    data_ += c.dataSize;
    return true;
}

bool WaveJoiner::Finish(std::string *error) {
    if (format_.empty()) {
        *error = "nothing was spoken";
        return false;
    }
    if (seekable_) {
        // RIFF chunks are padded to an even size: 8-bit sound can be odd.
        if ((data_ & 1) != 0 && std::fputc(0, out_) == EOF) {
            *error = std::string("writing the WAVE data: ") + std::strerror(errno);
            return false;
        }
        const auto dataSize = static_cast<uint32_t>(data_);
        const uint32_t riffSize = static_cast<uint32_t>(kHeaderBytes - 8 + data_ + (data_ & 1));
        if (std::fseek(out_, 0, SEEK_SET) != 0) {
            *error = std::string("rewinding the WAVE file: ") + std::strerror(errno);
            return false;
        }
        if (!WriteHeader(riffSize, dataSize, error)) return false;
    }
    if (std::fflush(out_) != 0) {
        *error = std::string("writing the WAVE file: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool WaveJoiner::WriteHeader(uint32_t riffSize, uint32_t dataSize, std::string *error) {
    std::vector<uint8_t> h;
    PutTag(h, "RIFF");
    PutLe32(h, riffSize);
    PutTag(h, "WAVE");
    PutTag(h, "fmt ");
    PutLe32(h, 16);
    h.insert(h.end(), format_.begin(), format_.end());
    PutTag(h, "data");
    PutLe32(h, dataSize);
    if (std::fwrite(h.data(), 1, h.size(), out_) != h.size()) {
        *error = std::string("writing the WAVE header: ") + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace kavrel
