// Prosody's process-wide state, shared by its start, its frame values and
// the stress contour.
#pragma once

#include "synth/prosody.h"
#include "synth/record_queue.h"

namespace kav {

// A stretch of frames over which the stress offset moves linearly.
struct StressSegment {
    LONG accum;  // 1/64 Hz
    LONG count;  // frames; -1 idle
    LONG step;   // 1/64 Hz per frame
    LONG speed;  // speed increment while it runs
};
constexpr LONG kSegmentIdle = -1;

struct ProsodyState {
    bool started = false;  // a phrase's levels are kept (to be written back)
    LONG pitchLevel = 5;
    LONG baseSpeed = 50;
    LONG basePitch = 0;  // B, Hz
    RecordQueue *targets = nullptr;
    PitchTarget *cursor = nullptr;
    LONG contour = 0;       // 1/64 Hz
    StressSegment seg[3];   // active, next, last
    LONG stressOffset = 0;  // 1/64 Hz
};
extern ProsodyState g_prosody;

inline LONG ClampSpeed(int64_t v) {
    return static_cast<LONG>(v > kSpeedLimit ? kSpeedLimit : v < -kSpeedLimit ? -kSpeedLimit : v);
}

}  // namespace kav
