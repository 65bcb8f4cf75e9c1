// Cutting one rebuilt diphone into its two half-phoneme units and each unit
// into frames: pitch periods where the speech is voiced, short fixed-length
// stretches where it is not.
#pragma once

#include "kal_group.h"

#include <cstdint>
#include <vector>

namespace kav::font {

struct CutFrame {
    int32_t begin = 0, end = 0;  // samples of the diphone's speech
    bool voiced = false;
    bool burst = false;  // a stop's release: kept whatever the unit's length
};

struct HalfUnit {
    uint8_t phone = 0;  // phoneme number of the phone this half belongs to
    std::vector<CutFrame> frames;
};

struct DiphoneCut {
    HalfUnit out;  // the first phone, going out towards the second
    HalfUnit in;   // the second phone, coming in from the first
};

struct CutOptions {
    uint32_t sampleRate = 16000;
    // Frames begin this long before each pitch mark: the marks sit on the
    // excitation peak, and a period that starts just before its pulse keeps
    // its quiet part at the end, where the engine cuts and pads it.
    double preMarkMs = 2.5;
    double unvoicedFrameMs = 10.0;  // unvoiced stretches are cut into pieces no longer
    double minFrameMs = 1.5;        // cuts closer together than this are merged
    double maxPeriodMs = 20.0;      // a longer "period" (below 50 Hz) is not voicing
    float silenceRms = 150.0f;      // below this a frame is taken as unvoiced
    bool trim = true;               // shorten units to their phone's stored length
};

// Phoneme numbers of the diphone's two phones come from the caller.
DiphoneCut CutDiphone(const std::vector<float> &speech, const KalDiphone &diphone, uint8_t leftPhone,
                      uint8_t rightPhone, const CutOptions &options);

// Whether samples [begin, end) of speech repeat at about their own length
// and are loud enough to be a pitch period.
bool IsVoicedPeriod(const std::vector<float> &speech, int32_t begin, int32_t end, bool sonorant,
                    const CutOptions &options);

}  // namespace kav::font
