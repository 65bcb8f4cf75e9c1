// The pre-pass: walks the whole string once when a phrase starts and turns
// its pitch targets into ramps measured in frames.  The frame counts follow
// exactly the units the sequencer will play, so a target is reached at the
// end of the phoneme written before it and the ramp to it starts where the
// previous target was reached.
#include "api/engine_state.h"
#include "synth/prosody.h"
#include "synth/record_queue.h"
#include "synth/unit_sequencer.h"

#include <atomic>

namespace kav {

namespace {
// Frame counts saturate here: a ramp this long outlasts any real phrase.
constexpr LONG kMaxRampFrames = 1 << 30;

void AddFrames(LONG *frames, bool incoming, DWORD p, DWORD c) {
    *frames += g_phrase.font.UnitFrames(g_phrase.font.Unit(incoming, p, c), nullptr);
    if (*frames > kMaxRampFrames) *frames = kMaxRampFrames;
}

int Push(RecordQueue *q, LONG start, LONG count, LONG step) {
    const PitchTarget t{start, count, step, 0};
    return PushRecord(q, &t);
}
}  // namespace

DWORD NextPhonemeAhead(const char *&pos) {
    for (;;) {
        const PhoneticToken t = ReadPhoneticToken(pos, g_phrase.tokens);
        if (t.type == TokenType::kPhoneme) return static_cast<DWORD>(t.value);
        if (t.type == TokenType::kPause || t.type == TokenType::kEnd) return 0;
    }
}

void BuildPitchTargets(const char *phonetics, RecordQueue *targets) {
    const LONG base = static_cast<LONG>(g_phrase.font.hdr.BasePitch());
    LONG level = base;  // Hz; targets are capped or scaled, so level * 64 fits
    DWORD c = 0;
    LONG frames = 0;
    bool afterPause = false, targetSet = false;
    const char *pos = phonetics;
    for (;;) {
        const PhoneticToken t = ReadPhoneticToken(pos, g_phrase.tokens);
        if (t.type == TokenType::kEnd) {
            if (frames > 0) Push(targets, level * 64, frames, 0);
            break;
        }
        switch (t.type) {
            case TokenType::kPhoneme: {
                const DWORD prev = c;
                c = static_cast<DWORD>(t.value);
                if (afterPause) {
                    afterPause = false;
                } else if (!targetSet) {
                    AddFrames(&frames, false, prev, c);
                }
                targetSet = false;
                AddFrames(&frames, true, prev, c);
                break;
            }
            case TokenType::kPitchTarget:
                if (!targetSet) {
                    const char *ahead = pos;
                    AddFrames(&frames, false, c, NextPhonemeAhead(ahead));
                    const LONG rise = (t.value - level) * 64;
                    Push(targets, level * 64, frames, frames > 0 ? (frames / 2 + rise) / frames : rise);
                    frames = 0;
                    targetSet = true;
                }
                level = t.value;
                break;
            case TokenType::kPause:
                afterPause = true;
                if (!targetSet) AddFrames(&frames, false, c, 0);
                c = 0;
                break;
            default:
                break;
        }
    }
    if (Push(targets, level * 64, 1000, 0) != 0) {
        LPSCB lpSCB = g_lpSynthSCB.load();
        if (lpSCB != nullptr) std::atomic_ref<LONG>(lpSCB->nStatus).store(SE_ERR_NOMEMORY);
    }
}

}  // namespace kav
