#include "api/engine_state.h"
#include "synth/prosody_state.h"
#include "synth/unit_sequencer.h"

#include <cstdint>

namespace kav {

ProsodyState g_prosody;

namespace {
constexpr WORD kPitchTargetBytes = 16;
static_assert(sizeof(PitchTarget) == kPitchTargetBytes);

void AdvanceSegments(ProsodyState &ps) {
    StressSegment *seg = ps.seg;
    while (seg[0].count == 0) {
        seg[0] = seg[1];
        seg[1] = seg[2];
        seg[2] = StressSegment{0, kSegmentIdle, seg[2].step, 0};
        if (seg[0].count > 0) {
            ps.stressOffset = seg[0].accum - seg[0].step;
            break;
        }
        if (seg[0].count == kSegmentIdle) break;
    }
    if (seg[0].count > 0) {
        ps.stressOffset += seg[0].step;
        --seg[0].count;
    }
}
}  // namespace

LONG StartProsody(const char *phonetics, LONG pitchLevel, LONG speedLevel) {
    ProsodyState &ps = g_prosody;
    EndProsody(nullptr, nullptr);
    ps = ProsodyState{};
    ps.started = true;
    ps.pitchLevel = pitchLevel;
    ps.baseSpeed = ClampSpeed(static_cast<int64_t>(speedLevel) * 10);
    StartSequencer(phonetics);
    ps.basePitch = static_cast<LONG>(g_phrase.font.hdr.BasePitch());
    ps.targets = CreateRecordQueue(kPitchTargetBytes);
    if (ps.targets == nullptr) return SE_ERR_NOMEMORY;
    BuildPitchTargets(phonetics, ps.targets);
    ps.cursor = static_cast<PitchTarget *>(PeekRecord(ps.targets));
    if (ps.cursor != nullptr) ps.contour = ps.cursor->start - ps.cursor->step;
    for (StressSegment &s : ps.seg) s = StressSegment{0, kSegmentIdle, 0, 0};
    return 0;
}

void ProsodyToken(const PhoneticToken &t) {
    ProsodyState &ps = g_prosody;
    const LONG sec = g_lStressIncr[kSecPitch];
    switch (t.type) {
        case TokenType::kPrimaryStress: StressContour(g_lStressIncr[kPrimPitch], g_lStressIncr[kPrimSpeed]); break;
        case TokenType::kSecondaryStress: StressContour(sec, g_lStressIncr[kSecSpeed]); break;
        case TokenType::kDestress: StressContour(g_lStressIncr[kDePitch], g_lStressIncr[kDeSpeed]); break;
        case TokenType::kPitchUp: StressContour(sec, 0); break;
        case TokenType::kPitchDown: StressContour(sec == INT32_MIN ? INT32_MAX : -sec, 0); break;
        case TokenType::kDuration: StressContour(0, t.value); break;
        case TokenType::kSpeedLevel: ps.baseSpeed = ClampSpeed(static_cast<int64_t>(t.value) * 10); break;
        case TokenType::kPitchLevel: ps.pitchLevel = t.value; break;
        default: break;  // pitch targets were taken by the pre-pass
    }
}

void SetFrameValues(SynthFrame *frame) {
    ProsodyState &ps = g_prosody;
    AdvanceSegments(ps);
    frame->speed = ClampSpeed(static_cast<int64_t>(ps.baseSpeed) + ps.seg[0].speed);
    frame->pitch = ps.basePitch;
    if (ps.cursor == nullptr) return;
    while (ps.cursor->count == 0) {
        ps.cursor = static_cast<PitchTarget *>(PopRecord(ps.targets));
        if (ps.cursor == nullptr) return;  // the contour ran out: B from here on
        ps.contour = ps.cursor->start - ps.cursor->step;
    }
    if (ps.cursor->count > 0) {
        ps.contour += ps.cursor->step;
        --ps.cursor->count;
    }
    frame->pitch = static_cast<LONG>((static_cast<int64_t>(ps.contour) + ps.stressOffset) / 64);
}

void EndProsody(LONG *pitchLevel, LONG *speedLevel) {
    ProsodyState &ps = g_prosody;
    if (ps.started) {
        if (pitchLevel != nullptr) *pitchLevel = ps.pitchLevel;
        if (speedLevel != nullptr) *speedLevel = ps.baseSpeed / 10;
    }
    ps.started = false;
    DestroyRecordQueue(ps.targets);
    ps.targets = nullptr;
    ps.cursor = nullptr;
}

}  // namespace kav
