// Small synthetic voices for synthesis tests, fuzz targets and benchmarks:
// the voice header, unit tables, frame records, samples (plain or
// delta-coded), delta table and mouth shapes built in memory and handed to
// a hand-built SCB as resource handles, without a font module.
#pragma once

#include "platform/platform.h"
#include "platform/testing.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace kav::testing {

struct VoiceFrame {
    DWORD flags = 0;
    std::vector<int> samples;  // sample values (8-bit: 0..255, 16-bit: signed)
    DWORD nominal = 0;         // 0: the frame's length in bytes
};

class SyntheticVoice {
public:
    static constexpr DWORD kVoiced = 1u << 7, kEnd = 1u << 8, kFade = 1u << 13;

    DWORD flags = 0, rate = 11025, bits = 8, basePeriod = 100;
    std::string symbols = "_\na\nb";  // phoneme 0 is silence
    std::vector<uint32_t> demi;       // filled by Fill/SetUnit; 0xFFFF = none
    std::vector<BYTE> inst, pcmd, delta, mouth;
    bool withMouth = true;

    DWORD Phonemes() const {
        DWORD n = 1;
        for (char c : symbols) n += c == '\n';
        return n;
    }
    DWORD BytesPerSample() const { return bits == 16 ? 2 : 1; }
    bool Delta() const { return (flags & 4) != 0; }

    // The default delta tables: 8-bit codes 0..15 step by -8..7, 16-bit
    // codes by (i - 128) * 32.
    void DefaultDeltaTable() {
        delta.clear();
        if (bits == 8) {
            for (int i = 0; i < 16; ++i) delta.push_back(static_cast<BYTE>(i < 8 ? i : i - 16));
        } else {
            for (int i = 0; i < 256; ++i) {
                const uint16_t v = static_cast<uint16_t>((i - 128) * 32);
                delta.push_back(static_cast<BYTE>(v));
                delta.push_back(static_cast<BYTE>(v >> 8));
            }
        }
    }

    // Appends a unit; returns the index of its first frame.  The last frame
    // gets the end flag.  Samples are stored in the voice's coding (delta
    // coding approximates greedily; the decoded values are what plays).
    DWORD AddUnit(std::vector<VoiceFrame> frames) {
        const DWORD first = static_cast<DWORD>(inst.size() / 16);
        for (size_t i = 0; i < frames.size(); ++i) {
            VoiceFrame &f = frames[i];
            if (i + 1 == frames.size()) f.flags |= kEnd;
            const DWORD length = static_cast<DWORD>(f.samples.size()) * BytesPerSample();
            AddRecord(f.flags, length, static_cast<DWORD>(pcmd.size()), f.nominal ? f.nominal : length);
            Store(f.samples);
        }
        return first;
    }
    void AddRecord(DWORD fl, DWORD length, DWORD offset, DWORD nominal) {
        for (DWORD w : {fl, length, offset, nominal}) Put32(inst, w);
    }

    void SetUnit(bool incoming, DWORD p, DWORD c, DWORD first) {
        const DWORD n = Phonemes();
        if (demi.size() != 2 * n * n) demi.assign(2 * n * n, 0xFFFF);
        demi[(incoming ? n * n : 0) + p * n + c] = first;
    }

    // Every pair gets an outgoing and an incoming unit of `frames` voiced
    // frames of one base period each (a saw tooth whose height tells the
    // pair apart); silence units (pairs with phoneme 0 on both sides) are
    // unvoiced.
    void Fill(int frames) {
        const DWORD n = Phonemes();
        demi.assign(2 * n * n, 0xFFFF);
        if (Delta() && delta.empty()) DefaultDeltaTable();
        for (DWORD side = 0; side < 2; ++side) {
            for (DWORD p = 0; p < n; ++p) {
                for (DWORD c = 0; c < n; ++c) {
                    std::vector<VoiceFrame> unit;
                    for (int k = 0; k < frames; ++k) unit.push_back(Period(p == 0 && c == 0 ? 0 : kVoiced, 4 + p * 3 + c));
                    SetUnit(side == 1, p, c, AddUnit(unit));
                }
            }
        }
        if (withMouth) {
            mouth.clear();
            for (DWORD i = 0; i < n; ++i) mouth.insert(mouth.end(), {BYTE(i), BYTE(i + 10), BYTE(i + 20)});
        }
    }

    // One base period of a saw tooth of the given height (small, so delta
    // coding follows it exactly).
    VoiceFrame Period(DWORD fl, DWORD height) const {
        VoiceFrame f;
        f.flags = fl;
        const int silence = bits == 8 ? 128 : 0;
        const int scale = bits == 8 ? 1 : 16;
        for (DWORD i = 0; i < basePeriod; ++i) f.samples.push_back(silence + static_cast<int>((i % 8) * height) / 4 * scale);
        return f;
    }

    std::vector<BYTE> Header() const {
        std::vector<BYTE> h;
        for (DWORD w : {flags, Phonemes(), rate, bits, basePeriod, 0u, 0u}) Put32(h, w);
        h.insert(h.end(), symbols.begin(), symbols.end());
        h.push_back(0);
        return h;
    }

    static void Put32(std::vector<BYTE> &v, DWORD w) {
        for (int i = 0; i < 4; ++i) v.push_back(static_cast<BYTE>(w >> (8 * i)));
    }

private:
    void Store(const std::vector<int> &s) {
        if (s.empty()) return;
        if (!Delta()) {
            for (int v : s) {
                pcmd.push_back(static_cast<BYTE>(v));
                if (bits == 16) pcmd.push_back(static_cast<BYTE>(static_cast<uint16_t>(v) >> 8));
            }
        } else if (bits == 16) {
            int v = s[0];
            pcmd.push_back(static_cast<BYTE>(v));
            pcmd.push_back(static_cast<BYTE>(static_cast<uint16_t>(v) >> 8));
            for (size_t i = 1; i < s.size(); ++i) {
                int best = 0;
                for (int code = 0; code < 256; ++code) {
                    if (std::abs(v + Delta16(code) - s[i]) < std::abs(v + Delta16(best) - s[i])) best = code;
                }
                v += Delta16(best);
                pcmd.push_back(static_cast<BYTE>(best));
            }
        } else {
            int v = s[0];
            pcmd.push_back(static_cast<BYTE>(v));
            BYTE packed = 0;
            for (size_t i = 1; i < s.size(); ++i) {
                int best = 0;
                for (int code = 0; code < 16; ++code) {
                    if (std::abs(v + Delta8(code) - s[i]) < std::abs(v + Delta8(best) - s[i])) best = code;
                }
                v = (v + Delta8(best)) & 0xFF;
                if (i % 2 == 1) {
                    packed = static_cast<BYTE>(best);
                } else {
                    pcmd.push_back(static_cast<BYTE>(packed | best << 4));
                }
            }
            if (s.size() % 2 == 0) pcmd.push_back(packed);
        }
    }
    int Delta16(int code) const { return static_cast<int16_t>(delta[code * 2] | delta[code * 2 + 1] << 8); }
    int Delta8(int code) const { return static_cast<int8_t>(delta[code]); }
};

// A hand-built SCB over a voice's resources; frees them when it goes.
class VoiceScb {
public:
    explicit VoiceScb(const SyntheticVoice &v) {
        hdr_ = v.Header();
        scb.hSPEECH_HDR = Make(hdr_);
        scb.lpSpeechHdr = LockResource(scb.hSPEECH_HDR);
        scb.hDEMI = Make(Bytes(v.demi));
        inst_ = Make(v.inst);
        pcmd_ = Make(v.pcmd);
        scb.lphINST = &inst_;
        scb.nInst = 1;
        scb.lphPCMD = &pcmd_;
        scb.nPcmd = 1;
        if (!v.delta.empty()) scb.hDeltaTable = Make(v.delta);
        if (!v.mouth.empty()) scb.hMouthShapes = Make(v.mouth);
        scb.nMarkerChar = '|';
        scb.nPitch = 5;
        scb.nSpeed = 5;
        // Synthesis never uses the module; WritePhonetics only asks whether
        // a font is loaded.
        scb.hFontModule = reinterpret_cast<HMODULE>(&hdr_);
    }
    ~VoiceScb() {
        for (HGLOBAL h : handles_) FreeResource(h);
    }
    VoiceScb(const VoiceScb &) = delete;
    VoiceScb &operator=(const VoiceScb &) = delete;

    SCB scb{};

private:
    static std::vector<BYTE> Bytes(const std::vector<uint32_t> &words) {
        std::vector<BYTE> b;
        for (uint32_t w : words) SyntheticVoice::Put32(b, w);
        return b;
    }
    HGLOBAL Make(const std::vector<BYTE> &bytes) {
        // A resource is never empty: an empty table is one zero byte long.
        static const BYTE zero = 0;
        HGLOBAL h = bytes.empty() ? MakeResource(&zero, 1) : MakeResource(bytes.data(), bytes.size());
        handles_.push_back(h);
        return h;
    }
    std::vector<BYTE> hdr_;
    HGLOBAL inst_ = nullptr, pcmd_ = nullptr;
    std::vector<HGLOBAL> handles_;
};

}  // namespace kav::testing
