#include "plugins/analyzer/core/stepping.h"

#include <cmath>

namespace lumisett::analyzer {
namespace {

// A limit stored as a float logarithm may fall a hair short of its decade (log10(1000) read
// back as 2.9999998): the decade is taken with that much room.
constexpr double kDecadeRoom = 1e-6;

long DecadeBase(float logarithm) {
    return std::lround(std::pow(10.0, std::trunc(double{logarithm} + kDecadeRoom)));
}

long UpStep(long base) {
    return base == 10000 ? 1000 : base;
}

long DownStep(long frequency, long base) {
    return frequency == base || base == 10000 ? base / 10 : base;
}

float LogOf(long frequency) {
    return static_cast<float>(std::log10(static_cast<double>(frequency)));
}

long TruncatedFrequency(float logarithm) {
    // The same room as for the decade: 10^log10(100) must count as 100, not 99.
    return static_cast<long>(std::trunc(std::pow(10.0, double{logarithm}) + kDecadeRoom));
}

} // namespace

long FrequencyOf(float logarithm) {
    return std::lround(std::pow(10.0, double{logarithm}));
}

int StepDecay(int decay, bool up) {
    if (up) {
        return decay < kMaxDecay ? decay + 1 : decay;
    }
    return decay > kMinDecay ? decay - 1 : decay;
}

int StepScaleTop(int top, int depth, bool up) {
    if (up) {
        return top + kScaleStep < depth ? top + kScaleStep : top;
    }
    return top >= kMinScaleTop + kScaleStep ? top - kScaleStep : top;
}

int StepScaleDepth(int depth, int top, bool up) {
    if (up) {
        return depth < kMaxScaleDepth ? depth + kScaleStep : depth;
    }
    return top < depth - kScaleStep ? depth - kScaleStep : depth;
}

float StepLowFrequency(float low, float high, bool up) {
    const long frequency = FrequencyOf(low);
    const long base = DecadeBase(low);
    if (up) {
        const long result = frequency + UpStep(base);
        return result < TruncatedFrequency(high) ? LogOf(result) : low;
    }
    const long result = frequency - DownStep(frequency, base);
    return result > static_cast<long>(kLowestFrequency) - 1 ? LogOf(result) : low;
}

float StepHighFrequency(float high, float low, bool up) {
    const long frequency = FrequencyOf(high);
    const long base = DecadeBase(high);
    if (up) {
        const long result = frequency + UpStep(base);
        return result < static_cast<long>(kHighestFrequency) ? LogOf(result) : high;
    }
    const long result = frequency - DownStep(frequency, base);
    return result > TruncatedFrequency(low) + 1 ? LogOf(result) : high;
}

} // namespace lumisett::analyzer
