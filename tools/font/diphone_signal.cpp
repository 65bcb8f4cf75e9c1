#include "diphone_signal.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace kav::font {

int64_t FrameSwitchSample(const KalDiphone &d, size_t frame, uint32_t rate, size_t length) {
    if (frame + 1 >= d.times.size()) return static_cast<int64_t>(length);
    const double sum = (static_cast<double>(d.times[frame]) + d.times[frame + 1]) * rate;
    return std::min<int64_t>(static_cast<int64_t>(std::floor(sum)) / 2, static_cast<int64_t>(length));
}

std::vector<float> RebuildSpeech(const KalDiphone &d, int order, uint32_t rate, bool warmUp) {
    const size_t n = d.residual.size();
    std::vector<float> out(n);
    // History ring of the last `order` outputs; hist[k] = s[n-1-k].
    double hist[kMaxLpcOrder] = {};
    auto step = [&](const std::array<float, kMaxLpcOrder> &a, double e) {
        double s = e;
        for (int k = 0; k < order; ++k) s += a[k] * hist[k];
        if (!std::isfinite(s) || std::fabs(s) > 1e9) s = 0.0;  // a hostile filter must not run away
        for (int k = order - 1; k > 0; --k) hist[k] = hist[k - 1];
        hist[0] = s;
        return s;
    };
    if (warmUp) {
        const size_t first = std::min(n, static_cast<size_t>(std::lround(d.times[0] * rate)));
        for (size_t i = 0; i < first; ++i) step(d.lpc[0], d.residual[i]);
    }
    size_t i = 0;
    for (size_t f = 0; f < d.times.size() && i < n; ++f) {
        const size_t stop = static_cast<size_t>(std::max<int64_t>(0, FrameSwitchSample(d, f, rate, n)));
        for (; i < stop; ++i) out[i] = static_cast<float>(step(d.lpc[f], d.residual[i]));
    }
    for (; i < n; ++i) out[i] = static_cast<float>(step(d.lpc.back(), d.residual[i]));
    return out;
}

namespace {

double BlackmanSinc(double t, double cutoff, double halfWidth) {
    const double x = t / halfWidth;
    if (std::fabs(x) >= 1.0) return 0.0;
    const double w = 0.42 + 0.5 * std::cos(std::numbers::pi * x) + 0.08 * std::cos(2 * std::numbers::pi * x);
    const double arg = 2.0 * cutoff * t;
    const double sinc = arg == 0.0 ? 1.0 : std::sin(std::numbers::pi * arg) / (std::numbers::pi * arg);
    return 2.0 * cutoff * sinc * w;
}

}  // namespace

Resampler::Resampler(uint32_t from, uint32_t to) {
    const uint32_t g = std::gcd(from, to);
    up_ = to / g;
    down_ = from / g;
    // Cut-off in cycles per input sample; 48 input samples each side keep
    // the Blackman transition band (about 900 Hz at 16 kHz) below Nyquist.
    const double cutoff = 0.4535 * std::min(from, to) / from;
    halfWidth_ = 48;
    const size_t width = 2 * static_cast<size_t>(halfWidth_);
    taps_.resize(static_cast<size_t>(up_) * width);
    for (int64_t p = 0; p < up_; ++p) {
        const double frac = static_cast<double>(p) / static_cast<double>(up_);
        float *row = &taps_[static_cast<size_t>(p) * width];
        double sum = 0.0;
        for (int j = -halfWidth_ + 1; j <= halfWidth_; ++j) {
            const double h = BlackmanSinc(frac - j, cutoff, halfWidth_);
            row[j + halfWidth_ - 1] = static_cast<float>(h);
            sum += h;
        }
        // Every phase passes a constant unchanged.
        for (size_t k = 0; k < width; ++k) row[k] = static_cast<float>(row[k] / sum);
    }
}

size_t Resampler::OutputLength(size_t inLength) const {
    return static_cast<size_t>((static_cast<int64_t>(inLength) * up_ + down_ - 1) / down_);
}

int64_t Resampler::MapPosition(int64_t position) const {
    return (position * up_ * 2 + down_) / (2 * down_);
}

std::vector<float> Resampler::Run(const std::vector<float> &in) const {
    const size_t outLength = OutputLength(in.size());
    std::vector<float> out(outLength);
    const int64_t inLength = static_cast<int64_t>(in.size());
    const size_t width = 2 * static_cast<size_t>(halfWidth_);
    for (size_t n = 0; n < outLength; ++n) {
        // Output n sits at input time n * down / up = i + p / up.
        const int64_t num = static_cast<int64_t>(n) * down_;
        const int64_t i = num / up_, p = num % up_;
        const float *row = &taps_[static_cast<size_t>(p) * width];
        double acc = 0.0;
        for (int j = -halfWidth_ + 1; j <= halfWidth_; ++j) {
            const int64_t k = i + j;
            if (k >= 0 && k < inLength) acc += row[j + halfWidth_ - 1] * in[static_cast<size_t>(k)];
        }
        out[n] = static_cast<float>(acc);
    }
    return out;
}

}  // namespace kav::font
