#include "plugins/denoise/core/spectral_rules.h"

#include <algorithm>
#include <cmath>

namespace lumisett::denoise {
namespace {

constexpr float kSmoothing = 0.33333334f;

} // namespace

void BuildBandEdges(std::int32_t rate, std::int32_t bins, std::span<std::int32_t, kBandCount> edges) {
    // Single precision on purpose: the bands the displays show depend on its rounding.
    const float h = static_cast<float>(kBandCount) /
                    (static_cast<float>(std::log10(static_cast<double>(rate) / 2.0)) - 2.0f);
    const float k = 2.0f * static_cast<float>(bins) / static_cast<float>(rate);
    std::int32_t highest = 0;
    for (int i = 0; i < kBandCount; ++i) {
        const double edge = std::pow(10.0, 2.0 + static_cast<double>(i) / static_cast<double>(h)) *
                            static_cast<double>(k);
        // Far beyond any bin (or not a number, for a rate no host delivers): the last bin.
        std::int32_t m = edge < 1.0e9 ? static_cast<std::int32_t>(edge) + 1 : bins - 1;
        m = std::min(m, bins - 1);
        highest = std::max(highest, m);
        edges[static_cast<std::size_t>(i)] = highest;
    }
}

void LoadWhiteProfile(std::span<float> profile) {
    std::fill(profile.begin(), profile.end(), kWhiteLevel);
}

void LoadPinkProfile(std::span<float> profile) {
    const std::size_t n = profile.size() / 2;
    if (n == 0) {
        return;
    }
    profile[0] = kPinkLevel;
    profile[n] = kPinkLevel;
    for (std::size_t i = 1; i < n; ++i) {
        const auto value = static_cast<float>(static_cast<long double>(kPinkLevel) /
                                              std::sqrt(static_cast<long double>(i)));
        profile[n + i] = value;
        profile[i] = value;
    }
}

void BuildNoiseTable(std::span<const float> profile, std::int32_t bins, std::span<float> table) {
    const std::size_t n = profile.size() / 2;
    const auto count = static_cast<std::size_t>(bins);
    const std::size_t r = n / count;
    for (std::size_t c = 0; c < 2; ++c) {
        for (std::size_t i = 0; i < count; ++i) {
            float sum = 0.0f;
            for (std::size_t k = 0; k < r; ++k) {
                sum += profile[c * n + i * r + k];
            }
            table[c * count + i] = static_cast<float>(r) / sum;
        }
    }
}

long double Attenuation(long double v, float reduction) {
    const long double weight = reduction;
    return (1.0L - weight) * std::sqrt(v) + weight * v * v;
}

void ApplyGainRule(std::int32_t bins, const float* table, float* magnitudes, float* gains,
                   float threshold, float reduction) noexcept {
    for (std::int32_t i = 0; i < bins; ++i) {
        const long double v = static_cast<long double>(magnitudes[i]) *
                              (static_cast<long double>(threshold) * table[i]);
        if (!(v < 1.0L)) {
            continue;
        }
        const long double a = Attenuation(v, reduction);
        magnitudes[i] = static_cast<float>(magnitudes[i] * a);
        gains[i] = static_cast<float>(gains[i] * a);
    }
}

LevelUpdate UpdateBandLevels(std::int32_t bins, const float* magnitudes, const float* gains,
                             std::span<const std::int32_t, kBandCount> edges,
                             std::span<std::atomic<float>, kBandCount> input,
                             std::span<std::atomic<float>, kBandCount> removed) noexcept {
    LevelUpdate update;
    if (gains[0] == 0.0f) {
        return update;
    }
    update.updated = true;
    constexpr auto relaxed = std::memory_order_relaxed;
    input[0].store(0.0f, relaxed);
    std::int32_t j = edges[1];
    for (std::size_t i = 1; i < kBandCount; ++i) {
        if (j > edges[i] || j >= bins || gains[j] == 0.0f) {
            input[i].store(input[i - 1].load(relaxed), relaxed);
            removed[i].store(removed[i - 1].load(relaxed), relaxed);
        } else {
            const float c = magnitudes[j] / (gains[j] * static_cast<float>(bins));
            const float d = std::min(0.01f * c, kLevelCap);
            const float e = 0.1f * (c - magnitudes[j]);
            const float in = input[i].load(relaxed);
            input[i].store(in + (d - in) * kSmoothing, relaxed);
            const float out = removed[i].load(relaxed);
            removed[i].store(out + (std::min(e, kLevelCap) - out) * kSmoothing, relaxed);
            update.removed += 5.0f * e;
        }
        ++update.bands;
        j = edges[i] + 1;
    }
    return update;
}

void ResampleProfile(std::span<const float> from, std::span<float> to) {
    const std::size_t m = from.size() / 2;
    const std::size_t n = to.size() / 2;
    for (std::size_t c = 0; c < 2; ++c) {
        const float* source = from.data() + c * m;
        float* target = to.data() + c * n;
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t first = i * m / n;
            const std::size_t last = std::max(first + 1, (i + 1) * m / n);
            double sum = 0.0;
            for (std::size_t k = first; k < last; ++k) {
                sum += source[k];
            }
            target[i] = static_cast<float>(sum / static_cast<double>(last - first));
        }
    }
}

} // namespace lumisett::denoise
