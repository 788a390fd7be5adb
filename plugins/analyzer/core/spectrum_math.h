#pragma once
// The arithmetic of the display: which magnitude element each column of the plot shows, how
// a magnitude becomes a height in pixels on the decibel or linear scale, the smoothing of the
// two traces, the noise curve and the decay figure.
//
// Traces are arrays of std::atomic<float> because the audio thread writes them while the
// window thread paints (and clears) them; relaxed order is all either side needs, a repaint
// may show a trace half-updated. Every function here allocates nothing.

#include <atomic>
#include <cstdint>
#include <span>
#include <string>

namespace lumisett::analyzer {

inline constexpr int kMaxColumns = 1000;

// 96 dB above a magnitude of 1 is the scale's 0 dB.
inline constexpr double kReferenceDecibels = 96.0;

using Trace = std::span<std::atomic<float>>;
using ConstTrace = std::span<const std::atomic<float>>;

// Column i refers to magnitude element map[i]: the element of the column's frequency
// 10^(lo + i·(hi − lo)/W), never above bins − 1 and never below the previous column's.
void BuildColumnMap(std::span<std::int32_t> map, double low, double high, std::int32_t bins,
                    std::int32_t rate);

struct LevelScale {
    bool decibel = false;
    int depth = 50; // n: -n dB at the bottom
    int top = 0;    // e: -e dB at the top
    float height = 0; // Hp: plot height in pixels
};

// The height of magnitude `a` above the bottom of the plot, at most the plot's height; no
// lower limit (what lies below the bottom is simply not visible). On the decibel scale a
// magnitude of zero (or none at all, NaN) sits at the bottom.
double TraceHeight(double a, const LevelScale& scale);

// The same for the noise curve: magnitudes at or below the bottom of the scale give 0.
double NoiseHeight(double a, const LevelScale& scale);

// One trace from a magnitude row (at least map.back() + 1 floats): each column moves 1/decay
// of the way to the mean of its elements. Null `magnitudes` empties the trace.
void UpdateTrace(Trace trace, std::span<const std::int32_t> map, const float* magnitudes,
                 const LevelScale& scale, int decay) noexcept;

// The noise curve from a noise table T (left half, as many floats as the map reaches) and its
// reference L: each column shows the mean of 1/T over its elements, divided by L, at once.
// No table, or a reference that is not a positive number, empties the curve.
void UpdateNoiseCurve(Trace curve, std::span<const std::int32_t> map, const float* table,
                      double reference, const LevelScale& scale) noexcept;

void ClearTrace(Trace trace) noexcept;

// About ln(D) times the frame period K/R, in milliseconds, truncated (0 for D = 1).
int DecayMilliseconds(int decay, std::int32_t bins, std::int32_t rate);
// The same as the window shows it: "%4d".
std::string DecayFigure(int decay, std::int32_t bins, std::int32_t rate);

} // namespace lumisett::analyzer
