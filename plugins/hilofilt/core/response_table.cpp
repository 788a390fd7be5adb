#include "plugins/hilofilt/core/response_table.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace lumisett::hilofilt {
namespace {

// trunc(hz / d), held inside 0 .. bins. A corner from a file far outside the editor's range
// must not index past the table (nor overflow the conversion).
std::int32_t CornerIndex(float hz, float d, std::int32_t bins) {
    const double index = std::trunc(static_cast<double>(hz / d));
    return static_cast<std::int32_t>(std::clamp(index, 0.0, static_cast<double>(bins)));
}

float Gain(float a, float exponentFactor) {
    return static_cast<float>(std::pow(10.0, static_cast<double>(a * exponentFactor)));
}

} // namespace

void BuildResponse(const FilterParameters& p, std::int32_t rate, std::int32_t bins, float* h) {
    const float d = static_cast<float>(rate) / static_cast<float>(2 * bins);
    const float aHigh = p.highPassSlope / 24.0f;
    const float aLow = p.lowPassSlope / 24.0f;
    const std::int32_t iHigh = CornerIndex(p.highPassHz, d, bins);
    const std::int32_t iLow = CornerIndex(p.lowPassHz, d, bins);
    std::fill(h, h + bins, 1.0f);
    // Element 0 is the lowest bin of the frame (at d Hz), not DC: it takes the high-pass gain
    // of its own frequency. Left at 1 it would pass whatever lies there, and with the usual
    // transform sizes that is just the rumble below the corner (21.5 Hz at 44.1 kHz and 1024
    // bins, where a 30 Hz high-pass would otherwise change nothing at all).
    if (d < p.highPassHz) {
        h[0] = Gain(aHigh, 1.0f - p.highPassHz / d);
    }
    for (std::int32_t j = 1; j < iHigh; ++j) {
        const float f = static_cast<float>(j) * d;
        h[j] = Gain(aHigh, 1.0f - p.highPassHz / f);
    }
    for (std::int32_t j = std::max(iLow, 1); j < bins; ++j) {
        const float f = static_cast<float>(j) * d;
        h[j] = Gain(aLow, 1.0f - f / p.lowPassHz);
    }
}

float NoiseValue(float h) {
    const double noise = 1.0 / (static_cast<double>(h) * kNoiseScale);
    return static_cast<float>(std::min(noise, static_cast<double>(FLT_MAX)));
}

void ApplyResponse(const float* h, std::int32_t bins, float* frame) noexcept {
    const auto k = static_cast<std::size_t>(bins);
    float* leftMagnitudes = frame;
    float* leftGains = frame + k;
    float* rightMagnitudes = frame + 2 * k;
    float* rightGains = frame + 3 * k;
    for (std::size_t j = 0; j < k; ++j) {
        const float g = h[j];
        leftMagnitudes[j] *= g;
        leftGains[j] *= g;
        rightMagnitudes[j] *= g;
        rightGains[j] *= g;
    }
}

} // namespace lumisett::hilofilt
