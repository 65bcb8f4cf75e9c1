#include "delta_coder.h"

#include "kal_group.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace kav::font {
namespace {

constexpr DeltaTable8 kStartTable{-100, -64, -40, -25, -15, -8, -4, -1, 0, 1, 4, 8, 15, 25, 40, 64};

// The code whose step takes `from` nearest `want` while staying a byte.
int BestCode(int from, int want, const DeltaTable8 &table) {
    int best = -1, bestError = 1 << 30;
    for (int c = 0; c < 16; ++c) {
        const int to = from + table[c];
        if (to < 0 || to > 255) continue;
        const int error = std::abs(want - to);
        if (error < bestError) {
            bestError = error;
            best = c;
        }
    }
    return best;
}

bool HasZeroStep(const DeltaTable8 &table) {
    return std::find(table.begin(), table.end(), 0) != table.end();
}

}  // namespace

std::vector<uint8_t> EncodeDelta8(const uint8_t *samples, size_t n, const DeltaTable8 &table) {
    if (!HasZeroStep(table)) throw VoiceError("delta table without a 0 step");
    std::vector<uint8_t> out;
    if (n == 0) return out;
    out.assign(1 + n / 2, 0);
    out[0] = samples[0];
    int decoded = samples[0];
    for (size_t i = 1; i < n; ++i) {
        const int code = BestCode(decoded, samples[i], table);
        decoded += table[code];
        // Code for sample i sits in byte 1 + (i - 1) / 2, low nibble first.
        out[1 + (i - 1) / 2] |= static_cast<uint8_t>(code << (((i - 1) & 1) ? 4 : 0));
    }
    return out;
}

DeltaTable8 TrainDeltaTable8(const std::vector<std::vector<uint8_t>> &frames, int iterations) {
    DeltaTable8 table = kStartTable;
    for (int it = 0; it < iterations; ++it) {
        std::array<double, 16> sum{}, squares{};
        std::array<uint64_t, 16> count{};
        for (const auto &f : frames) {
            if (f.empty()) continue;
            int decoded = f[0];
            for (size_t i = 1; i < f.size(); ++i) {
                const int code = BestCode(decoded, f[i], table);
                const double wanted = f[i] - decoded;
                sum[code] += wanted;
                squares[code] += wanted * wanted;
                ++count[code];
                decoded += table[code];
            }
        }
        DeltaTable8 next = table;
        std::array<double, 16> spread{};  // total squared error around each step's mean
        for (int c = 0; c < 16; ++c) {
            if (count[c] == 0) continue;
            const double mean = sum[c] / static_cast<double>(count[c]);
            next[c] = static_cast<int8_t>(std::clamp<long>(std::lround(mean), -128, 127));
            spread[c] = squares[c] - mean * sum[c];
        }
        // A step nobody chose is wasted: split the step with the largest
        // error instead, one standard deviation to the side it leans.
        for (int c = 0; c < 16; ++c) {
            if (count[c] != 0) continue;
            const int worst = static_cast<int>(std::max_element(spread.begin(), spread.end()) - spread.begin());
            if (spread[worst] <= 0.0) break;
            const double mean = sum[worst] / static_cast<double>(count[worst]);
            const double sd = std::sqrt(spread[worst] / static_cast<double>(count[worst]));
            const double side = mean >= 0 ? 1.0 : -1.0;
            next[c] = static_cast<int8_t>(std::clamp<long>(std::lround(mean + side * std::max(1.0, sd)), -128, 127));
            spread[worst] = 0.0;
        }
        // Keep the steps distinct and sorted, and one of them exactly 0, so
        // that silence codes without drift.
        std::sort(next.begin(), next.end());
        for (int c = 1; c < 16; ++c)
            if (next[c] <= next[c - 1]) next[c] = static_cast<int8_t>(std::min(127, next[c - 1] + 1));
        if (!HasZeroStep(next)) {
            int nearest = 0;
            for (int c = 1; c < 16; ++c)
                if (std::abs(next[c]) < std::abs(next[nearest])) nearest = c;
            next[nearest] = 0;
            std::sort(next.begin(), next.end());
        }
        if (std::adjacent_find(next.begin(), next.end()) != next.end()) break;  // degenerate: keep the last good one
        table = next;
    }
    return table;
}

}  // namespace kav::font
