#pragma once
// The numbers behind the segmented level bar: how the shown level follows its target, which
// segments are lit and what colour each one has. Pure functions, so the widget only paints.

#include <cstdint>

namespace lumisett::plugin {

inline constexpr int kSegmentPitch = 3;
inline constexpr int kSegmentWidth = 2;

// The shown level after one repaint: it rises half the way to the target, falls a tenth of
// the way, and never shows more than full.
float NextShownLevel(float shown, float target);

// Pixel boundaries along the bar, each lowered to a whole segment: segments left of `lit` are
// lit; green below `yellow`, yellow below `red`, red from there.
struct LevelBarZones {
    int lit = 0;
    int yellow = 0;
    int red = 0;
};
LevelBarZones ComputeZones(int width, float shown);

// Segments start at x = 0, 3, 6, ... while x < width - 2.
int SegmentCount(int width);
inline int SegmentX(int index) { return index * kSegmentPitch; }

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
Rgb SegmentColour(int x, const LevelBarZones& zones);

} // namespace lumisett::plugin
