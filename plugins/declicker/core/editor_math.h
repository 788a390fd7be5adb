#pragma once
// The arithmetic of the de-scratcher's editor, without windows: how slider positions map to
// the detector factors and back, the texts beside the sliders, the scratch level and the
// scratch scope's levels.

#include <cstdint>
#include <string>

namespace lumisett::declicker {

inline constexpr int kSliderSteps = 100;

// Slider position (0 at the top, 100 at the bottom) to factor: D = 10^(0.025 p) + 25 runs
// from 26 (most sensitive) to 341.23; K = 10^(0.02 q) from 1 to 100.
double DeclickOfPosition(double position);
double DecrackleOfPosition(double position);

// A factor as its slider shows it: the position (clamped to the slider's range) and the
// strength text "%4.2f" of 100 - the exact position (not clamped).
struct SliderReading {
    int position = 0;
    std::string text;
};
SliderReading DeclickSlider(double declick);
SliderReading DecrackleSlider(double decrackle);

// "%4.2f", whatever the user's locale.
std::string StrengthText(double strength);

// Where the scratch level bar heads: 5 * repaired samples / (channel passes * block length).
float ScratchLevelTarget(std::int64_t repairedTotal, std::int64_t channelPasses,
                         std::int32_t blockLength);

// The scope's trace height for a count, as the row of its top (height = at rest): a click
// count of 2 raises the red trace by one pixel, a crackle count of 16 the green one.
inline constexpr int kClicksPerPixel = 2;
inline constexpr int kCracklesPerPixel = 16;
int ScopeLevel(int height, std::int32_t count, int perPixel);

// The rows one column of a trace fills, [first, end), clipped to the scope. Rising, the rows
// from just below the new level up to the previous one, [level + 1, previous), and at least
// one; falling or staying, the rows from just below the previous level down to just below the
// new one, [previous + 1, level + 2). So the trace is continuous in both directions and a
// steady level shows as a line; at rest (level = height) nothing is drawn.
struct RowSpan {
    int first = 0;
    int end = 0;
    bool empty() const { return end <= first; }
    friend bool operator==(const RowSpan&, const RowSpan&) = default;
};
RowSpan TraceSpan(int previous, int level, int height);

} // namespace lumisett::declicker
