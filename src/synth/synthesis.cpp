#include "synth/synthesis.h"

#include "api/engine_state.h"
#include "synth/frame_shaper.h"
#include "synth/phoneme_map.h"
#include "synth/prosody.h"
#include "synth/speech_events.h"
#include "synth/unit_sequencer.h"

#include <atomic>
#include <cstring>

namespace kav {

namespace {
constexpr DWORD kPauseBlockSamples = 128;
constexpr DWORD kEndEventDelayMs = 100;

struct Driver {
    BYTE frame[kMaxFrameBytes];  // the current output frame, or a block of silence
    DWORD frameLen = 0;
    DWORD readOffset = 0;        // bytes of a split frame already delivered
    LONG repeats = 0;            // deliveries of the current frame still due, this one included
    SynthFrame cur{};
    SynthFrame prev{};
    ShaperState shaper;
    DWORD delivered = 0;         // bytes since BeginSynthesis
    DWORD msFactor = 0;          // (bytes * msFactor) >> 12 is milliseconds
    DWORD eventMask = 0;
};
Driver d;
std::atomic<bool> g_finished{true};

void Push(DWORD type, DWORD timeMs, const BYTE *payload, size_t n) {
    SpeechEvent e{timeMs, type, {0, 0, 0, 0}};
    if (payload != nullptr) std::memcpy(e.payload, payload, n);
    if (PushSpeechEvent(e) != 0) {
        // The event is lost; speech goes on.
        LPSCB lpSCB = g_lpSynthSCB.load();
        if (lpSCB != nullptr) std::atomic_ref<LONG>(lpSCB->nStatus).store(SE_ERR_NOMEMORY);
    }
}

DWORD NowMs() { return (d.delivered * d.msFactor) >> 12; }

void StartPause(LONG ms) {
    const SynthesisFont &font = g_phrase.font;
    d.prev = d.cur;
    d.frameLen = kPauseBlockSamples * font.bytesPerSample;
    std::memset(d.frame, font.Silence(), d.frameLen);
    d.repeats = static_cast<LONG>(static_cast<int64_t>(ms) * font.hdr.sampleRate / (kPauseBlockSamples * 1000));
    d.readOffset = 0;
    d.cur.rec.flags = 0;
    d.cur.rec.length = 0;
    d.shaper.lastSample = font.Silence();
}

void Dispatch(const SynthRecord &r) {
    switch (r.type) {
        case SynthRecordType::kFrame:
            d.prev = d.cur;
            d.cur = r.frame;
            PlanFrame(g_phrase.font, &d.shaper, &d.cur);
            d.repeats = d.cur.count;
            break;
        case SynthRecordType::kPause: StartPause(r.value); break;
        case SynthRecordType::kMouth:
            if (d.eventMask & SE_FLAG_MOUTH) Push(kEventMouth, NowMs(), r.mouth, 3);
            break;
        case SynthRecordType::kSync:
            if (d.eventMask & SE_FLAG_SYNC) Push(kEventSync, NowMs(), nullptr, 0);
            break;
        case SynthRecordType::kBookmark:
            if (d.eventMask & SE_FLAG_BOOKMARK) {
                const DWORD v = static_cast<DWORD>(r.value);
                const BYTE le[4] = {static_cast<BYTE>(v), static_cast<BYTE>(v >> 8), static_cast<BYTE>(v >> 16),
                                    static_cast<BYTE>(v >> 24)};
                Push(kEventBookmark, NowMs(), le, 4);
            }
            break;
        case SynthRecordType::kVolume: {
            const BYTE volume = static_cast<BYTE>(r.value);
            Push(kEventVolume, NowMs(), &volume, 1);
            break;
        }
    }
}

// Decodes and shapes the repetition about to be delivered.
void ShapeRepetition() {
    const SynthesisFont &font = g_phrase.font;
    const LONG change = PeriodChange(d.cur, d.prev, d.repeats);
    DecodeFrame(font, d.cur.rec, d.frame);
    const DWORD len = ChangeLength(font, d.frame, d.cur.rec, change);
    d.shaper.outputPos += static_cast<int64_t>(len) - d.cur.period;
    SmoothJoin(font, &d.shaper, d.frame, len, d.cur, d.prev, d.repeats);
    d.frameLen = len;
}
}  // namespace

LONG BeginSynthesis(const char *phonetics, LONG pitchLevel, LONG speedLevel) {
    g_finished.store(true);
    EndProsody(nullptr, nullptr);  // nothing of an unfinished phrase is written back later
    LPSCB lpSCB = g_lpSynthSCB.load();
    SynthesisPhrase &ph = g_phrase;
    if (OpenSynthesisFont(lpSCB, &ph.font) != 0) return SE_ERR_NOFONT;
    BuildPhonemeMap(ph.font.hdr.symbols, ph.font.symbolBytes, ph.font.hdr.phonemes, ph.phonemeMap);
    ph.tokens = TokenContext{ph.phonemeMap, lpSCB->nMarkerChar, g_lStressIncr[kSecSpeed],
                             static_cast<LONG>(ph.font.hdr.BasePitch())};
    const LONG rc = StartProsody(phonetics, pitchLevel, speedLevel);
    if (rc != 0) return rc;

    d.msFactor = 4096000u / (ph.font.bytesPerSample * ph.font.hdr.sampleRate);
    d.frameLen = d.readOffset = 0;
    d.repeats = 0;
    StartShaper(ph.font, &d.shaper);
    d.cur = SynthFrame{};
    d.prev = SynthFrame{};
    d.delivered = 0;
    if (!CreateEventQueue()) {
        EndProsody(nullptr, nullptr);
        return SE_ERR_NOMEMORY;
    }
    g_finished.store(false);
    return 0;
}

LONG SynthesizeBlock(DWORD eventMask, BYTE *buffer, WORD size) {
    if (g_finished.load()) return 0;
    d.eventMask = eventMask;
    DWORD remaining = size;
    BYTE *out = buffer;
    if (d.readOffset != 0) {
        const DWORD available = d.frameLen - d.readOffset;
        if (remaining < available) {
            std::memcpy(out, d.frame + d.readOffset, remaining);
            d.readOffset += remaining;
            d.delivered += remaining;
            return size;
        }
        std::memcpy(out, d.frame + d.readOffset, available);
        d.delivered += available;
        d.readOffset = 0;
        --d.repeats;
        remaining -= available;
        out += available;
    }
    for (;;) {
        SynthRecord r;
        while (d.repeats <= 0) {
            if (!NextSynthRecord(&r)) {
                std::memset(out, g_phrase.font.Silence(), remaining);
                g_finished.store(true);
                Push(kEventEnd, NowMs() + kEndEventDelayMs, nullptr, 0);
                return static_cast<LONG>(size - remaining);
            }
            Dispatch(r);
        }
        // A full block leaves the next repetition to the next call, which
        // shapes it once: shaping it here too would count its length change
        // twice in the planner and fade it against itself.
        if (remaining == 0) return size;
        if (d.cur.rec.length > 0) ShapeRepetition();
        if (d.frameLen > remaining) {
            std::memcpy(out, d.frame, remaining);
            d.delivered += remaining;
            d.readOffset = remaining;
            return size;
        }
        std::memcpy(out, d.frame, d.frameLen);
        --d.repeats;
        d.delivered += d.frameLen;
        remaining -= d.frameLen;
        out += d.frameLen;
    }
}

void EndSynthesis(LONG *pitchLevel, LONG *speedLevel) {
    g_finished.store(true);
    EndProsody(pitchLevel, speedLevel);
    DestroyEventQueue();
}

bool SynthesisFinished() { return g_finished.load(); }

}  // namespace kav
