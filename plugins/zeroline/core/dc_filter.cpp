#include "plugins/zeroline/core/dc_filter.h"

#include <cmath>

namespace lumisett::zeroline {
namespace {

constexpr double kInputGain = 0.9999;
constexpr double kFeedback = 0.9998;

// Below this the carry can no longer change any output: added to a nonzero input it is lost
// in rounding, and on silence the output rounds to 0 either way. Clearing it keeps long
// silences from decaying into slow denormal arithmetic.
constexpr double kNegligibleCarry = 1e-20;

std::int16_t ClipToSample(double rounded) {
    if (rounded > 32767.0) {
        return 32767;
    }
    if (rounded < -32768.0) {
        return -32768;
    }
    return static_cast<std::int16_t>(rounded);
}

std::int16_t FilterSample(std::int16_t x, double& carry) {
    const double a = kInputGain * x;
    const double y = a + carry;
    // The carry keeps y as it was, before rounding and clipping.
    carry = kFeedback * y - a;
    return ClipToSample(std::nearbyint(y));
}

void FlushNegligible(double& carry) {
    if (std::fabs(carry) < kNegligibleCarry) {
        carry = 0.0;
    }
}

} // namespace

void FilterBlock(std::int16_t* block, std::int32_t pairs, ChannelState& left,
                 ChannelState& right) noexcept {
    double leftCarry = left.carry;
    double rightCarry = right.carry;
    for (std::int32_t i = 0; i < pairs; ++i) {
        block[2 * i] = FilterSample(block[2 * i], leftCarry);
        block[2 * i + 1] = FilterSample(block[2 * i + 1], rightCarry);
    }
    FlushNegligible(leftCarry);
    FlushNegligible(rightCarry);
    left.carry = leftCarry;
    right.carry = rightCarry;
}

} // namespace lumisett::zeroline
