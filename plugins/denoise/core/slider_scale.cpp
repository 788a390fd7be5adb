#include "plugins/denoise/core/slider_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace lumisett::denoise {

double ThresholdDivisor(int position) {
    const long double b = std::pow(10.0L, static_cast<long double>(100 - position) * 0.025L) - 0.9L;
    return static_cast<double>(b);
}

double ThresholdFromDecibels(double decibels) {
    return 1.0 / std::pow(10.0, decibels / 20.0);
}

double DecibelsOfThreshold(double t) {
    const float u = static_cast<float>(1.0 / t - 0.1);
    return 20.0 * std::log10(static_cast<double>(u) + 0.1);
}

int ThresholdPosition(double t) {
    const float u = static_cast<float>(1.0 / t - 0.1);
    const double position = 100.0 - std::trunc(40.0 * std::log10(static_cast<double>(u) + 1.0));
    // A T outside the slider's range (an old record) puts the slider at its nearest end.
    if (!(position > 0.0)) {
        return 0;
    }
    return static_cast<int>(std::min(position, 100.0));
}

float ReductionOf(int position) {
    return static_cast<float>(100 - position) * 0.01f;
}

int ReductionPosition(float r) {
    const float w = 100.0f * r;
    const double position = 100.0 - std::trunc(static_cast<double>(w));
    if (!(position > 0.0)) {
        return 0;
    }
    return static_cast<int>(std::min(position, 100.0));
}

std::string ValueText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%4.2f", value);
    return text;
}

} // namespace lumisett::denoise
