#include "kal_group.h"

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string_view>

namespace kav::font {
namespace {

// Bounds for values that size allocations, far above anything real (kal has
// 1,619 diphones of at most 48 frames and a few thousand samples).
constexpr uint64_t kMaxEntries = 100000;
constexpr uint64_t kMaxFrames = 100000;
constexpr uint64_t kMaxSamples = 16u << 20;

[[noreturn]] void Fail(const std::string &what) { throw VoiceError("group file: " + what); }

// A cursor over ASCII header lines within [pos, end).
struct LineReader {
    const uint8_t *data;
    size_t pos, end;

    bool Next(std::string_view *line) {
        if (pos >= end) return false;
        const void *nl = std::memchr(data + pos, '\n', end - pos);
        if (nl == nullptr) return false;
        size_t stop = static_cast<size_t>(static_cast<const uint8_t *>(nl) - data);
        *line = std::string_view(reinterpret_cast<const char *>(data + pos), stop - pos);
        pos = stop + 1;
        return true;
    }
};

// Splits "Key value" into its two words.
bool KeyValue(std::string_view line, std::string_view *key, std::string_view *value) {
    size_t sp = line.find(' ');
    if (sp == std::string_view::npos) {
        *key = line;
        *value = {};
        return true;
    }
    *key = line.substr(0, sp);
    *value = line.substr(sp + 1);
    while (!value->empty() && value->front() == ' ') value->remove_prefix(1);
    while (!value->empty() && (value->back() == ' ' || value->back() == '\r')) value->remove_suffix(1);
    return true;
}

bool ParseU64(std::string_view text, uint64_t *out) {
    if (text.empty() || text.size() > 18) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    *out = v;
    return true;
}

uint32_t ReadBe32(const uint8_t *p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

float ReadFloat(const uint8_t *p, bool bigEndian) {
    uint32_t bits = bigEndian ? ReadBe32(p)
                              : (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

struct IndexEntry {
    std::string name;
    uint64_t trackOffset, waveOffset, middle;
};

// Reads an EST binary track in [begin, end) into the diphone.
void ReadTrack(const uint8_t *data, size_t begin, size_t end, int *order, KalDiphone *d) {
    LineReader lines{data, begin, end};
    std::string_view line, key, value;
    uint64_t frames = 0, channels = 0;
    bool bigEndian = false, breaks = false, sawHeader = false, sawEnd = false, binary = false;
    while (lines.Next(&line)) {
        if (!sawHeader) {
            if (line != "EST_File Track") Fail(d->name + ": track block does not start with 'EST_File Track'");
            sawHeader = true;
            continue;
        }
        if (line == "EST_Header_End") {
            sawEnd = true;
            break;
        }
        KeyValue(line, &key, &value);
        if (key == "NumFrames" && !ParseU64(value, &frames)) Fail(d->name + ": bad NumFrames");
        if (key == "NumChannels" && !ParseU64(value, &channels)) Fail(d->name + ": bad NumChannels");
        if (key == "ByteOrder") bigEndian = value == "10";
        if (key == "BreaksPresent") breaks = value == "true";
        if (key == "DataType") binary = value == "binary";
    }
    if (!sawEnd) Fail(d->name + ": track header has no end");
    if (!binary) Fail(d->name + ": track is not binary");
    // Channel 0 is the analysis error energy; the rest are the coefficients.
    if (channels < 2 || channels > kMaxLpcOrder + 1) Fail(d->name + ": unsupported channel count");
    if (frames == 0 || frames > kMaxFrames) Fail(d->name + ": bad frame count");
    const int lpcOrder = static_cast<int>(channels) - 1;
    if (*order == 0) *order = lpcOrder;
    if (*order != lpcOrder) Fail(d->name + ": LPC order differs from the other diphones");

    const uint64_t perFrame = (1 + (breaks ? 1 : 0) + channels) * 4;
    if (frames * perFrame > end - lines.pos) Fail(d->name + ": track data runs past its block");
    const uint8_t *p = data + lines.pos;
    d->times.resize(frames);
    d->lpc.assign(frames, {});
    float last = 0.0f;
    for (uint64_t f = 0; f < frames; ++f, p += perFrame) {
        float t = ReadFloat(p, bigEndian);
        if (!std::isfinite(t) || t < 0.0f || (f > 0 && t <= last))
            Fail(d->name + ": pitch mark times are not increasing");
        last = t;
        d->times[f] = t;
        const uint8_t *coef = p + (breaks ? 8 : 4) + 4;  // past time, break flag, channel 0
        for (int k = 0; k < lpcOrder; ++k) {
            float a = ReadFloat(coef + 4 * k, bigEndian);
            if (!std::isfinite(a) || std::fabs(a) > 1e4f) Fail(d->name + ": LPC coefficient out of range");
            d->lpc[f][k] = a;
        }
    }
}

// Reads a Sun .snd block at `begin` (inside [begin, end)) into the residual.
uint32_t ReadSound(const uint8_t *data, size_t begin, size_t end, KalDiphone *d) {
    if (end - begin < 24) Fail(d->name + ": sound header truncated");
    const uint8_t *h = data + begin;
    if (std::memcmp(h, ".snd", 4) != 0) Fail(d->name + ": sound block lacks '.snd'");
    const uint32_t headerSize = ReadBe32(h + 4), bytes = ReadBe32(h + 8), encoding = ReadBe32(h + 12),
                   rate = ReadBe32(h + 16), channels = ReadBe32(h + 20);
    if (headerSize < 24 || headerSize > end - begin) Fail(d->name + ": bad sound header size");
    if (channels != 1) Fail(d->name + ": sound is not mono");
    if (rate < 8000 || rate > 96000) Fail(d->name + ": unsupported sample rate");
    if (bytes > end - begin - headerSize) Fail(d->name + ": sound data runs past the file");
    const uint8_t *s = h + headerSize;
    if (encoding == 1) {  // 8-bit mu-law
        if (bytes > kMaxSamples) Fail(d->name + ": sound too long");
        d->residual.resize(bytes);
        for (uint32_t i = 0; i < bytes; ++i) d->residual[i] = MuLawToLinear(s[i]);
    } else if (encoding == 3) {  // 16-bit linear, big-endian
        if (bytes / 2 > kMaxSamples) Fail(d->name + ": sound too long");
        d->residual.resize(bytes / 2);
        for (uint32_t i = 0; i < bytes / 2; ++i)
            d->residual[i] = static_cast<int16_t>((s[2 * i] << 8) | s[2 * i + 1]);
    } else {
        Fail(d->name + ": unsupported sound encoding " + std::to_string(encoding));
    }
    if (d->residual.empty()) Fail(d->name + ": empty sound");
    return rate;
}

}  // namespace

int16_t MuLawToLinear(uint8_t code) {
    const int u = ~code & 0xFF;
    const int exponent = (u >> 4) & 7, mantissa = u & 0x0F;
    const int magnitude = (((mantissa << 3) + 0x84) << exponent) - 0x84;
    return static_cast<int16_t>((u & 0x80) ? -magnitude : magnitude);
}

KalDatabase ReadKalGroup(const uint8_t *data, size_t size) {
    LineReader lines{data, 0, size};
    std::string_view line, key, value;
    uint64_t entries = 0;
    bool sawEnd = false, grouped = false;
    if (!lines.Next(&line) || line != "EST_File index") Fail("not an EST index file");
    while (lines.Next(&line)) {
        if (line == "EST_Header_End") {
            sawEnd = true;
            break;
        }
        KeyValue(line, &key, &value);
        if (key == "NumEntries" && !ParseU64(value, &entries)) Fail("bad NumEntries");
        if (key == "DataFormat") grouped = value == "grouped";
    }
    if (!sawEnd) Fail("index header has no end");
    if (!grouped) Fail("index is not of a grouped file");
    if (entries == 0 || entries > kMaxEntries) Fail("bad NumEntries");

    std::vector<IndexEntry> index;
    index.reserve(entries);
    for (uint64_t i = 0; i < entries; ++i) {
        if (!lines.Next(&line)) Fail("index ends after " + std::to_string(i) + " entries");
        IndexEntry e;
        std::string_view fields[4];
        for (auto &f : fields) {
            while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
            size_t sp = line.find(' ');
            f = line.substr(0, sp);
            line = sp == std::string_view::npos ? std::string_view{} : line.substr(sp);
        }
        e.name = std::string(fields[0]);
        if (e.name.empty() || !ParseU64(fields[1], &e.trackOffset) || !ParseU64(fields[2], &e.waveOffset) ||
            !ParseU64(fields[3], &e.middle))
            Fail("bad index line " + std::to_string(i + 1));
        index.push_back(std::move(e));
    }
    const size_t base = lines.pos;

    KalDatabase db;
    db.diphones.reserve(index.size());
    for (size_t i = 0; i < index.size(); ++i) {
        const IndexEntry &e = index[i];
        KalDiphone d;
        d.name = e.name;
        const size_t dash = d.name.find('-');
        if (dash == std::string::npos || dash == 0 || dash + 1 == d.name.size())
            Fail(d.name + ": diphone name is not LEFT-RIGHT");
        d.left = d.name.substr(0, dash);
        d.right = d.name.substr(dash + 1);
        const uint64_t avail = size - base;
        if (e.trackOffset >= e.waveOffset || e.waveOffset >= avail) Fail(d.name + ": offsets outside the file");
        ReadTrack(data, base + e.trackOffset, base + e.waveOffset, &db.lpcOrder, &d);
        const uint32_t rate = ReadSound(data, base + e.waveOffset, size, &d);
        if (db.sampleRate == 0) db.sampleRate = rate;
        if (rate != db.sampleRate) Fail(d.name + ": sample rate differs from the other diphones");
        if (e.middle >= d.times.size()) Fail(d.name + ": middle frame beyond the track");
        d.middleFrame = static_cast<uint32_t>(e.middle);
        // The residual ends at the mark after the last frame.
        if (static_cast<double>(d.times.back()) * rate >= static_cast<double>(d.residual.size()))
            Fail(d.name + ": pitch marks run past the residual");
        db.diphones.push_back(std::move(d));
    }
    return db;
}

KalDatabase ReadKalGroupFile(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw VoiceError("cannot open " + path);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw VoiceError("cannot read " + path);
    return ReadKalGroup(bytes.data(), bytes.size());
}

}  // namespace kav::font
