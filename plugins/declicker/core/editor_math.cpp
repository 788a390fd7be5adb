#include "plugins/declicker/core/editor_math.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace lumisett::declicker {
namespace {

int ClampedPosition(float exact) {
    if (!(exact > 0.0f)) {
        return 0; // also a factor the logarithm cannot take (from a corrupt file)
    }
    if (exact >= static_cast<float>(kSliderSteps)) {
        return kSliderSteps;
    }
    return static_cast<int>(exact); // toward zero
}

SliderReading ReadingOf(float exact) {
    return {ClampedPosition(exact), StrengthText(static_cast<double>(kSliderSteps) - exact)};
}

} // namespace

double DeclickOfPosition(double position) {
    return std::pow(10.0, 0.025 * position) + 25.0;
}

double DecrackleOfPosition(double position) {
    return std::pow(10.0, 0.02 * position);
}

SliderReading DeclickSlider(double declick) {
    return ReadingOf(40.0f * std::log10(static_cast<float>(declick - 25.0)));
}

SliderReading DecrackleSlider(double decrackle) {
    return ReadingOf(50.0f * std::log10(static_cast<float>(decrackle)));
}

std::string StrengthText(double strength) {
    if (!std::isfinite(strength)) {
        return std::isnan(strength) ? "nan" : (strength < 0 ? "-inf" : "inf");
    }
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, strength,
                                      std::chars_format::fixed, 2);
    std::string text(digits, result.ptr);
    if (text.size() < 4) {
        text.insert(0, 4 - text.size(), ' ');
    }
    return text;
}

float ScratchLevelTarget(std::int64_t repairedTotal, std::int64_t channelPasses,
                         std::int32_t blockLength) {
    if (channelPasses <= 0 || blockLength <= 0) {
        return 0.0f;
    }
    return static_cast<float>(5.0 * static_cast<double>(repairedTotal) /
                              (static_cast<double>(channelPasses) * blockLength));
}

int ScopeLevel(int height, std::int32_t count, int perPixel) {
    const std::int32_t raised = std::max<std::int32_t>(count, 0) / perPixel;
    return height - static_cast<int>(std::min<std::int32_t>(raised, height));
}

RowSpan TraceSpan(int previous, int level, int height) {
    // A level is the row just above the trace's top pixel.
    RowSpan span = level < previous ? RowSpan{level + 1, std::max(previous, level + 2)}
                                    : RowSpan{previous + 1, level + 2};
    span.first = std::clamp(span.first, 0, height);
    span.end = std::clamp(span.end, 0, height);
    return span;
}

} // namespace lumisett::declicker
