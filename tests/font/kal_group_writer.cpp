#include "kal_group_writer.h"

#include <cstring>

namespace kavtest {
namespace {

void Append(std::vector<uint8_t> &out, const std::string &text) { out.insert(out.end(), text.begin(), text.end()); }

void AppendFloat(std::vector<uint8_t> &out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    for (int s = 0; s < 32; s += 8) out.push_back(static_cast<uint8_t>(bits >> s));
}

void AppendBe32(std::vector<uint8_t> &out, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

}  // namespace

uint8_t LinearToMuLaw(int16_t sample) {
    int s = sample;
    const int sign = s < 0 ? 0x80 : 0;
    if (s < 0) s = -s;
    if (s > 32635) s = 32635;
    s += 0x84;
    int exponent = 7;
    for (int mask = 0x4000; (s & mask) == 0 && exponent > 0; mask >>= 1) --exponent;
    const int mantissa = (s >> (exponent + 3)) & 0x0F;
    return static_cast<uint8_t>(~(sign | (exponent << 4) | mantissa));
}

std::vector<uint8_t> WriteGroupFile(const std::vector<SyntheticDiphone> &diphones, int order, uint32_t rate) {
    std::vector<std::vector<uint8_t>> blocks;
    std::vector<std::pair<size_t, size_t>> offsets;  // track, wave
    size_t at = 0;
    for (const SyntheticDiphone &d : diphones) {
        std::vector<uint8_t> b;
        Append(b, "EST_File Track\nDataType binary\nNumFrames " + std::to_string(d.times.size()) +
                      "\nByteOrder 01\nNumChannels " + std::to_string(order + 1) +
                      "\nBreaksPresent true\nCommentChar ;\n\n");
        for (int c = 0; c <= order; ++c) Append(b, "Channel_" + std::to_string(c) + " lpc_" + std::to_string(c) + "\n");
        Append(b, "EST_Header_End\n");
        for (size_t f = 0; f < d.times.size(); ++f) {
            AppendFloat(b, d.times[f]);
            AppendFloat(b, 1.0f);
            AppendFloat(b, 0.0f);  // error energy, unused
            for (int k = 0; k < order; ++k)
                AppendFloat(b, f < d.lpc.size() && static_cast<size_t>(k) < d.lpc[f].size() ? d.lpc[f][k] : 0.0f);
        }
        const size_t wave = at + b.size();
        Append(b, ".snd");
        for (uint32_t v : {24u, static_cast<uint32_t>(d.residual.size()), 1u, rate, 1u}) AppendBe32(b, v);
        for (int16_t s : d.residual) b.push_back(LinearToMuLaw(s));
        offsets.emplace_back(at, wave);
        at += b.size();
        blocks.push_back(std::move(b));
    }
    std::vector<uint8_t> out;
    Append(out, "EST_File index\nDataType ascii\nNumEntries " + std::to_string(diphones.size()) +
                    "\nIndexName test\nDataFormat grouped\nVersion 2\ntrack_file_format est_binary\n"
                    "sig_file_format snd\nEST_Header_End\n");
    for (size_t i = 0; i < diphones.size(); ++i)
        Append(out, diphones[i].name + " " + std::to_string(offsets[i].first) + " " + std::to_string(offsets[i].second) +
                        " " + std::to_string(diphones[i].middle) + "\n");
    for (const auto &b : blocks) out.insert(out.end(), b.begin(), b.end());
    return out;
}

SyntheticDiphone PulseDiphone(const std::string &name, int length, int first, int period, uint32_t middle,
                              int16_t amplitude) {
    SyntheticDiphone d{name, {}, {}, middle, std::vector<int16_t>(static_cast<size_t>(length), 0)};
    for (int p = first; p < length; p += period) {
        d.residual[static_cast<size_t>(p)] = amplitude;
        d.times.push_back(static_cast<float>(p) / 16000.0f);
    }
    return d;
}

SyntheticDiphone NoiseDiphone(const std::string &name, int length, uint32_t middle, int16_t amplitude) {
    SyntheticDiphone d{name, {}, {}, middle, std::vector<int16_t>(static_cast<size_t>(length), 0)};
    uint32_t seed = 12345;
    for (auto &s : d.residual) {
        seed = seed * 1664525u + 1013904223u;
        s = static_cast<int16_t>(static_cast<int>(seed >> 16) % (2 * amplitude + 1) - amplitude);
    }
    for (int p = 160; p < length; p += 160) d.times.push_back(static_cast<float>(p) / 16000.0f);
    return d;
}

}  // namespace kavtest
