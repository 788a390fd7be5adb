#pragma once
// Where the plot's axes put their ticks and labels, in pixels relative to the plot area, so
// that the painting only draws what this computes.

#include "plugins/analyzer/core/spectrum_math.h"

#include <string>
#include <vector>

namespace lumisett::analyzer {

inline constexpr int kMajorTick = 6;
inline constexpr int kMinorTick = 3;
inline constexpr int kEndLabelGap = 41; // the limits are written only this far from a label

struct AxisTick {
    int position = 0;  // x from the area's left edge, or y from its top edge
    int length = 0;
    std::string label; // empty for unlabelled ticks
};

// Major ticks at 10, 100, 1000 and 10000 Hz ("10 ", "100 ", "1k ", "10k "), minor ticks at 2..9
// times 10 and 100 Hz and 1 kHz and at 11..18 kHz; only those strictly inside the area.
std::vector<AxisTick> FrequencyTicks(double low, double high, int width);

// The frequency limits as written at the ends of the axis ("%d", "%dk" from 1000 Hz), empty
// when a decade label sits too near.
struct EndLabels {
    std::string low;
    std::string high;
};
EndLabels FrequencyEndLabels(double low, double high, int width);

// Decibel scale: a tick every 10 dB from -e (6 pixels below the top) to -n, spread over
// height - 8 pixels, labelled "%+-3d". Linear scale: ticks where the 10-dB steps fall on the
// linear scale, labelled "%+3d"; only the top four when the scale spans 40 dB or more.
std::vector<AxisTick> AmplitudeTicks(const LevelScale& scale);

} // namespace lumisett::analyzer
