#pragma once
// Deterministic interleaved stereo test signals.

#include <cmath>
#include <cstdint>
#include <vector>

namespace lumisett::test {

using Samples = std::vector<std::int16_t>;

inline Samples Silence(std::size_t pairs) {
    return Samples(2 * pairs, 0);
}

// Full scale, both extremes, switching every `halfPeriod` pairs; right is the inverse of left.
inline Samples FullScaleSquare(std::size_t pairs, std::size_t halfPeriod) {
    Samples out;
    for (std::size_t i = 0; i < pairs; ++i) {
        const bool high = (i / halfPeriod) % 2 == 0;
        out.push_back(high ? INT16_MAX : INT16_MIN);
        out.push_back(high ? INT16_MIN : INT16_MAX);
    }
    return out;
}

// Uniform full-scale noise from a fixed linear congruential generator.
inline Samples Noise(std::size_t pairs, std::uint32_t seed = 1) {
    Samples out;
    for (std::size_t i = 0; i < 2 * pairs; ++i) {
        seed = seed * 1664525u + 1013904223u;
        out.push_back(static_cast<std::int16_t>(static_cast<std::uint16_t>(seed >> 16)));
    }
    return out;
}

// Sines of different frequencies on the two channels.
inline Samples Sine(std::size_t pairs, double amplitude = 30000.0) {
    Samples out;
    for (std::size_t i = 0; i < pairs; ++i) {
        const double t = static_cast<double>(i);
        out.push_back(static_cast<std::int16_t>(std::lround(amplitude * std::sin(t * 0.0627))));
        out.push_back(static_cast<std::int16_t>(std::lround(amplitude * std::sin(t * 0.0211 + 1.0))));
    }
    return out;
}

} // namespace lumisett::test
