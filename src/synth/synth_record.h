// What the unit sequencer hands the synthesis driver: stored frames with the
// pitch and speed prosody put on them, pauses, and the markers that become
// timed events.
#pragma once

#include "synth/synthesis_font.h"

namespace kav {

// The driver's view of one frame: the stored record, what prosody put on it
// and what the planner made of it.
struct SynthFrame {
    FrameRecord rec;
    LONG pitch;   // Hz
    LONG speed;   // 50 is the natural duration
    LONG period;  // planned period, bytes
    LONG count;   // planned repetitions
};

enum class SynthRecordType { kFrame = 1, kPause = 2, kMouth = 3, kSync = 4, kBookmark = 5, kVolume = 6 };

struct SynthRecord {
    SynthRecordType type;
    SynthFrame frame;  // kFrame: rec, pitch and speed
    LONG value;        // kPause: milliseconds; kBookmark, kVolume: the value
    BYTE mouth[3];     // kMouth
};

}  // namespace kav
