#include "unit_cutter.h"

#include "kal_phones.h"

#include <algorithm>
#include <cmath>

namespace kav::font {
namespace {

int32_t Samples(double ms, uint32_t rate) { return static_cast<int32_t>(std::lround(ms * rate / 1000.0)); }

double Rms(const std::vector<float> &x, int32_t begin, int32_t end) {
    if (end <= begin) return 0.0;
    double e = 0.0;
    for (int32_t i = begin; i < end; ++i) e += static_cast<double>(x[i]) * x[i];
    return std::sqrt(e / (end - begin));
}

// Normalised correlation of [begin, end) with the same span `lag` earlier
// (or later, when there is no room before it).
double Correlation(const std::vector<float> &x, int32_t begin, int32_t end, int32_t lag) {
    const int32_t n = static_cast<int32_t>(x.size());
    int32_t shift = begin >= lag ? -lag : (end + lag <= n ? lag : 0);
    if (shift == 0) return -1.0;
    double xy = 0.0, xx = 0.0, yy = 0.0;
    for (int32_t i = begin; i < end; ++i) {
        const double a = x[i], b = x[i + shift];
        xy += a * b;
        xx += a * a;
        yy += b * b;
    }
    return xx > 0.0 && yy > 0.0 ? xy / std::sqrt(xx * yy) : 0.0;
}

// Cuts between start and stop: start, each candidate that leaves at least
// minGap on both sides and after the previous cut, then stop.
std::vector<int32_t> CutsBetween(const std::vector<int32_t> &candidates, int32_t start, int32_t stop,
                                 int32_t minGap) {
    std::vector<int32_t> cuts{start};
    for (int32_t c : candidates)
        if (c >= cuts.back() + minGap && c <= stop - minGap) cuts.push_back(c);
    cuts.push_back(stop);
    return cuts;
}

HalfUnit MakeHalf(const std::vector<float> &speech, const std::vector<int32_t> &cuts, uint8_t phone,
                  const CutOptions &o) {
    const KalPhone &info = KalPhones()[phone];
    const bool sonorant = IsSonorant(info.cls);
    const int32_t piece = std::max(1, Samples(o.unvoicedFrameMs, o.sampleRate));
    HalfUnit half;
    half.phone = phone;
    for (size_t i = 0; i + 1 < cuts.size(); ++i) {
        const int32_t b = cuts[i], e = cuts[i + 1];
        if (info.cls != PhoneClass::Silence && IsVoicedPeriod(speech, b, e, sonorant, o)) {
            half.frames.push_back({b, e, true, false});
            continue;
        }
        // Unvoiced: equal pieces no longer than the fixed frame length.
        const int32_t count = (e - b + piece - 1) / piece;
        for (int32_t k = 0; k < count; ++k)
            half.frames.push_back({b + (e - b) * k / count, b + (e - b) * (k + 1) / count, false, false});
    }
    return half;
}

// A stop's release: the unvoiced frame that is loudest against the frame
// before it, if it stands out clearly.
void MarkBurst(const std::vector<float> &speech, HalfUnit *half, const CutOptions &o) {
    if (!IsStop(KalPhones()[half->phone].cls)) return;
    double best = 3.0;
    size_t at = 0;
    for (size_t i = 1; i < half->frames.size(); ++i) {
        const CutFrame &f = half->frames[i];
        if (f.voiced) continue;
        const double rms = Rms(speech, f.begin, f.end);
        if (rms < o.silenceRms) continue;
        const CutFrame &p = half->frames[i - 1];
        const double ratio = rms / std::max<double>(Rms(speech, p.begin, p.end), o.silenceRms / 2);
        if (ratio > best) {
            best = ratio;
            at = i;
        }
    }
    if (at > 0) half->frames[at].burst = true;
}

// Drops frames evenly until the unit is no longer than its phone's stored
// length, keeping the first and last frames, a burst and the frame after it.
void Trim(HalfUnit *half, const CutOptions &o) {
    auto &f = half->frames;
    const int64_t target = Samples(KalPhones()[half->phone].halfMs, o.sampleRate);
    std::vector<bool> keep(f.size(), false);
    int64_t total = 0, kept = 0, optional = 0;
    for (size_t i = 0; i < f.size(); ++i) {
        total += f[i].end - f[i].begin;
        keep[i] = i == 0 || i + 1 == f.size() || f[i].burst || (i > 0 && f[i - 1].burst);
        (keep[i] ? kept : optional) += f[i].end - f[i].begin;
    }
    if (total <= target || optional == 0) return;
    const double share = std::clamp(static_cast<double>(target - kept) / static_cast<double>(optional), 0.0, 1.0);
    double credit = 0.5;  // error diffusion spreads the kept frames evenly
    std::vector<CutFrame> out;
    for (size_t i = 0; i < f.size(); ++i) {
        if (!keep[i]) {
            credit += share;
            if (credit < 1.0) continue;
            credit -= 1.0;
        }
        out.push_back(f[i]);
    }
    f = std::move(out);
}

}  // namespace

bool IsVoicedPeriod(const std::vector<float> &speech, int32_t begin, int32_t end, bool sonorant,
                    const CutOptions &o) {
    const int32_t length = end - begin;
    if (length < 2 || length > Samples(o.maxPeriodMs, o.sampleRate)) return false;
    if (Rms(speech, begin, end) < o.silenceRms) return false;
    // Periods drift: search lags within 15 % of the frame's own length.
    double best = -1.0;
    for (int32_t lag = std::max(2, length * 85 / 100); lag <= length * 115 / 100; ++lag)
        best = std::max(best, Correlation(speech, begin, end, lag));
    if (best < -0.5) return sonorant;  // no room to compare: the phone decides
    return best >= 0.55 || (sonorant && best >= 0.3);
}

DiphoneCut CutDiphone(const std::vector<float> &speech, const KalDiphone &d, uint8_t leftPhone,
                      uint8_t rightPhone, const CutOptions &o) {
    const int32_t length = static_cast<int32_t>(speech.size());
    if (length < 2 || d.times.empty() || d.middleFrame >= d.times.size())
        throw VoiceError(d.name + ": too short to cut into two halves");
    const int32_t pre = Samples(o.preMarkMs, o.sampleRate);
    const int32_t minGap = std::max(1, Samples(o.minFrameMs, o.sampleRate));
    std::vector<int32_t> candidates;
    for (float t : d.times) candidates.push_back(static_cast<int32_t>(std::lround(t * o.sampleRate)) - pre);
    // The boundary stays where the database puts it, unless that would leave
    // a half without a frame.
    int32_t boundary = candidates[d.middleFrame];
    if (length >= 2 * minGap) boundary = std::clamp(boundary, minGap, length - minGap);
    else boundary = length / 2;
    DiphoneCut cut;
    cut.out = MakeHalf(speech, CutsBetween(candidates, 0, boundary, minGap), leftPhone, o);
    cut.in = MakeHalf(speech, CutsBetween(candidates, boundary, length, minGap), rightPhone, o);
    for (HalfUnit *half : {&cut.out, &cut.in}) {
        MarkBurst(speech, half, o);
        if (o.trim) Trim(half, o);
    }
    return cut;
}

}  // namespace kav::font
