#include "voice_resources.h"

#include "kal_phones.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace kav::font {
namespace {

uint8_t To8Bit(int16_t s) {
    return static_cast<uint8_t>(std::clamp(128 + static_cast<int>(std::lround(s / 256.0)), 0, 255));
}

std::vector<uint8_t> SpeechHeader(const VoiceFormat &format, uint32_t phonemes, uint32_t basePeriod) {
    std::vector<uint8_t> out;
    PutU32(out, format.headerFlags | (format.deltaCoded ? kVoiceDeltaCoded : 0));
    PutU32(out, phonemes);
    PutU32(out, format.sampleRate);
    PutU32(out, format.bitsPerSample);
    PutU32(out, basePeriod);
    out.resize(out.size() + 8, 0);  // not read by the engine
    for (char c : PhonemeSymbolText()) out.push_back(static_cast<uint8_t>(c));
    out.push_back(0);
    return out;
}

std::vector<uint8_t> MouthShapes() {
    std::vector<uint8_t> out;
    for (const KalPhone &p : KalPhones()) out.insert(out.end(), {p.viseme, p.jaw, p.rounding});
    return out;
}

struct StoredFrame {
    uint32_t offset, length;
};

}  // namespace

VoiceFormat FormatOf(VoiceVariant variant) {
    if (variant == VoiceVariant::Kal8) return {"KAL8", 11025, 8, true, kVoiceKeepUnvoiced};
    return {"KAL16", 16000, 16, false, kVoiceKeepUnvoiced};
}

std::string PhonemeSymbolText() {
    std::string text;
    for (const KalPhone &p : KalPhones()) {
        if (!text.empty()) text += '\n';
        text += p.symbol;
    }
    return text;
}

const FontResource *FindResource(const std::vector<FontResource> &list, const ResourceKey &type,
                                 const ResourceKey &name) {
    for (const FontResource &r : list)
        if (r.type == type && r.name == name) return &r;
    return nullptr;
}

BuiltVoice EncodeVoice(const VoiceUnits &voice, const VoiceFormat &format) {
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) throw VoiceError("bits per sample must be 8 or 16");
    if (format.deltaCoded && format.bitsPerSample != 8) throw VoiceError("delta coding is made for 8-bit voices only");
    if (voice.sampleRate != format.sampleRate) throw VoiceError("units were cut at another sample rate");
    const uint32_t n = voice.phonemes;
    if (voice.pairs.size() != static_cast<size_t>(n) * n) throw VoiceError("pair table does not match the phonemes");
    BuiltVoice built;
    VoiceStats &st = built.stats;
    st.phonemes = n;
    st.clippedSamples = voice.clippedSamples;
    const uint32_t bytesPerSample = format.bitsPerSample / 8;

    // 8-bit samples of every frame; delta coding fits its table to them.
    std::vector<std::vector<uint8_t>> bytes8;
    if (format.bitsPerSample == 8) {
        for (const VoiceUnit &u : voice.units)
            for (const VoiceFrame &f : u.frames) {
                std::vector<uint8_t> b(f.samples.size());
                std::transform(f.samples.begin(), f.samples.end(), b.begin(), To8Bit);
                bytes8.push_back(std::move(b));
            }
        if (format.deltaCoded) st.deltaTable = TrainDeltaTable8(bytes8);
    }

    // Sample data, one block per frame.
    std::vector<uint8_t> pcmd;
    std::vector<std::vector<StoredFrame>> stored(voice.units.size());
    size_t frameNo = 0;
    for (size_t u = 0; u < voice.units.size(); ++u) {
        for (const VoiceFrame &f : voice.units[u].frames) {
            const uint64_t length = static_cast<uint64_t>(f.samples.size()) * bytesPerSample;
            if (length == 0 || length > kMaxFrameBytes) throw VoiceError("a frame is longer than the engine's frame buffer");
            if (pcmd.size() > 0xFFFFFFFFu - kMaxFrameBytes) throw VoiceError("sample data exceeds 4 GB");
            stored[u].push_back({static_cast<uint32_t>(pcmd.size()), static_cast<uint32_t>(length)});
            if (format.bitsPerSample == 16) {
                for (int16_t s : f.samples) {
                    pcmd.push_back(static_cast<uint8_t>(s));
                    pcmd.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
                }
            } else if (format.deltaCoded) {
                const std::vector<uint8_t> &b = bytes8[frameNo];
                const std::vector<uint8_t> coded = EncodeDelta8(b.data(), b.size(), st.deltaTable);
                pcmd.insert(pcmd.end(), coded.begin(), coded.end());
            } else {
                pcmd.insert(pcmd.end(), bytes8[frameNo].begin(), bytes8[frameNo].end());
            }
            ++frameNo;
            ++st.storedFrames;
            st.voicedFrames += f.voiced;
            st.decodedBytes += length;
        }
    }

    // Frame records: every unit once; an incoming unit that stands in for a
    // missing pair again, as a copy whose first frame fades in, since it
    // follows an outgoing unit from another recording.
    std::vector<uint8_t> inst;
    auto appendUnit = [&](size_t u, bool fadeIn) {
        const uint32_t start = static_cast<uint32_t>(inst.size() / 16);
        const VoiceUnit &unit = voice.units[u];
        for (size_t i = 0; i < unit.frames.size(); ++i) {
            const VoiceFrame &f = unit.frames[i];
            uint32_t flags = f.voiced ? kFrameVoiced : 0;
            if (i + 1 == unit.frames.size()) flags |= kFrameUnitEnd;
            if (f.burst || (i == 0 && fadeIn)) flags |= kFrameFadeJoin;
            PutU32(inst, flags);
            PutU32(inst, stored[u][i].length);
            PutU32(inst, stored[u][i].offset);
            PutU32(inst, stored[u][i].length);  // the whole frame stays intact: periods change at its end
        }
        return start;
    };
    std::vector<uint32_t> unitStart(voice.units.size());
    // An outgoing unit always joins a unit of another recording.
    for (size_t u = 0; u < voice.units.size(); ++u) unitStart[u] = appendUnit(u, voice.units[u].outgoing);
    std::map<uint32_t, uint32_t> copyStart;
    std::vector<uint8_t> demi(8 * static_cast<size_t>(n) * n);
    for (uint32_t i = 0; i < n * n; ++i) {
        const PairUnits &pair = voice.pairs[i];
        uint32_t in = unitStart.at(pair.in);
        if (pair.substituted) {
            ++st.substitutedPairs;
            auto it = copyStart.find(pair.in);
            if (it == copyStart.end()) it = copyStart.emplace(pair.in, appendUnit(pair.in, true)).first;
            in = it->second;
        } else {
            ++st.diphones;
        }
        const uint32_t out = unitStart.at(pair.out);
        for (int k = 0; k < 4; ++k) {
            demi[4 * i + k] = static_cast<uint8_t>(out >> (8 * k));
            demi[4 * (n * n + i) + k] = static_cast<uint8_t>(in >> (8 * k));
        }
    }
    st.frameRecords = static_cast<uint32_t>(inst.size() / 16);
    // Synthesis reads only the first INST and PCMD resources and takes 0xFFFF
    // as "no unit", so everything must fit one of each below that index.
    if (st.frameRecords >= kNoUnit) throw VoiceError("too many frames for one INST resource");
    st.pcmdBytes = pcmd.size();
    st.basePeriod = voice.medianPeriod > 0 ? static_cast<uint32_t>(std::lround(voice.medianPeriod))
                                           : format.sampleRate / 100;

    auto add = [&](ResourceKey type, ResourceKey name, std::vector<uint8_t> bytes) {
        built.resources.push_back({std::move(type), std::move(name), std::move(bytes)});
    };
    auto number = [](uint32_t v) {
        std::vector<uint8_t> b;
        PutU32(b, v);
        return b;
    };
    add(ResourceKey::Named("SPEECH_HDR"), ResourceKey::Id(256), SpeechHeader(format, n, st.basePeriod));
    add(ResourceKey::Named("MOUTH_SHAPES"), ResourceKey::Id(257), MouthShapes());
    add(ResourceKey::Named("DEMI"), ResourceKey::Id(258), std::move(demi));
    if (format.deltaCoded) {
        // 16 steps; the rest of the 16-bit table's 512 bytes is zero so that
        // a reader sized for either kind of table stays inside it.
        std::vector<uint8_t> table(512, 0);
        for (int c = 0; c < 16; ++c) table[c] = static_cast<uint8_t>(st.deltaTable[c]);
        add(ResourceKey::Named("DELTA_TABLE"), ResourceKey::Id(259), std::move(table));
    }
    add(ResourceKey::Named("INST"), ResourceKey::Id(400), std::move(inst));
    add(ResourceKey::Named("PCMD"), ResourceKey::Id(500), std::move(pcmd));
    add(ResourceKey::Id(kRawDataType), ResourceKey::Named("NUMINSTRESOURCES"), number(1));
    add(ResourceKey::Id(kRawDataType), ResourceKey::Named("NUMPCMRESOURCES"), number(1));
    return built;
}

BuiltVoice BuildVoice(const KalDatabase &db, const VoiceFormat &format) {
    VoiceUnitOptions options;
    options.sampleRate = format.sampleRate;
    return EncodeVoice(BuildVoiceUnits(db, options), format);
}

}  // namespace kav::font
