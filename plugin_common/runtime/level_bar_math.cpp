#include "plugin_common/runtime/level_bar_math.h"

#include <algorithm>

namespace lumisett::plugin {
namespace {

int LowerToSegment(int x) {
    return x - x % kSegmentPitch;
}

// trunc(width * fraction), kept inside the bar; NaN and negative levels light nothing. The
// product is taken in the fraction's own precision: the shown level is a float, and in float
// 100 * 0.9 is exactly 90, where double would give 89.99... and lose a segment.
template <typename Real>
int PixelsOf(int width, Real fraction) {
    if (!(fraction > Real{0})) {
        return 0;
    }
    return static_cast<int>(static_cast<Real>(width) * std::min(fraction, Real{1}));
}

} // namespace

float NextShownLevel(float shown, float target) {
    const float step = target - shown;
    shown += step >= 0.0f ? 0.5f * step : 0.1f * step;
    return shown > 1.0f ? 1.0f : shown;
}

LevelBarZones ComputeZones(int width, float shown) {
    width = std::max(width, 0);
    return {LowerToSegment(PixelsOf(width, shown)), LowerToSegment(PixelsOf(width, 0.7)),
            LowerToSegment(PixelsOf(width, 0.9))};
}

int SegmentCount(int width) {
    // x < width - 2 for x = 0, 3, ...: the last segment still has its two pixels inside.
    return width > kSegmentWidth ? (width - kSegmentWidth + kSegmentPitch - 1) / kSegmentPitch : 0;
}

Rgb SegmentColour(int x, const LevelBarZones& zones) {
    const bool lit = x < zones.lit;
    const std::uint8_t on = lit ? 255 : 60;
    if (x < zones.yellow) {
        return {0, on, 0};
    }
    if (x < zones.red) {
        return {on, on, 0};
    }
    return {on, 0, 0};
}

} // namespace lumisett::plugin
