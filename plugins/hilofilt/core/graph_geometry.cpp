#include "plugins/hilofilt/core/graph_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace lumisett::hilofilt {
namespace {

// The logarithms of 20 and 2000 as the editor has always used them.
constexpr double kLog20 = 1.301;
constexpr double kLog2000 = 3.301;
constexpr double kLeftScaleFrom = 1.28;
constexpr double kLeftScaleDecadeShare = 0.98;
constexpr double kRightScaleFrom = 3.3;
constexpr double kMaxDepth = 50.0;

// Parameters from a file may be far outside every range: positions are held to a span that
// still converts to int and still paints, wherever it lands.
int Position(double value) {
    constexpr double kLimit = 1.0e6;
    return static_cast<int>(std::clamp(value, -kLimit, kLimit));
}

int SlopeY(const GraphGeometry& g, float slope) {
    return Position(g.slopeTop() + static_cast<double>(g.slopeScale()) * slope / 24.0);
}

float SlopeFromPointer(const GraphGeometry& g, int y) {
    return kSlopeRange.Limit(static_cast<double>(y - g.slopeTop()) * 24.0 / g.slopeScale());
}

// Strictly inside (low, high), when there is room.
int Inside(int value, int low, int high) {
    return high - low >= 2 ? std::clamp(value, low + 1, high - 1) : low;
}

GraphPoint Follow(const GraphGeometry& g, int x, int y, int start, int end) {
    return {Inside(x, start, end), Inside(y, g.slopeTop(), g.slopeBottom())};
}

} // namespace

GraphGeometry::GraphGeometry(int width, int height)
    : width_(std::max(width, kMinWidth)), height_(std::max(height, kMinHeight)) {}

double GraphGeometry::DepthY(double decibelsDown) const {
    const double span = plotBottom() - zeroDecibelY();
    return zeroDecibelY() + span * std::clamp(decibelsDown, 0.0, kMaxDepth) / kMaxDepth;
}

double GraphGeometry::LeftScaleX(double hz) const {
    const double decade = kLeftScaleDecadeShare * (leftScaleEnd() - leftScaleStart());
    return leftScaleStart() + (std::log10(hz) - kLeftScaleFrom) * decade;
}

double GraphGeometry::RightScaleX(double hz) const {
    const double decade = rightScaleEnd() - rightScaleStart();
    return rightScaleStart() + (std::log10(hz) - kRightScaleFrom) * decade;
}

GraphPoint HighPassHandle(const GraphGeometry& g, const FilterParameters& p) {
    const double x = (std::log10(static_cast<double>(p.highPassHz)) - kLog20) * g.half() + g.highPassStart();
    return {Position(x), SlopeY(g, p.highPassSlope)};
}

GraphPoint LowPassHandle(const GraphGeometry& g, const FilterParameters& p) {
    const double x = g.lowPassStart() + (std::log10(static_cast<double>(p.lowPassHz)) - kLog2000) * g.lowPassDecade();
    return {std::min(Position(x), g.lowPassEnd()), SlopeY(g, p.lowPassSlope)};
}

bool GrabsHandle(GraphPoint handle, int x, int y) {
    return std::abs(x - handle.x) < 3 && std::abs(y - handle.y) < 3;
}

DragStep DragHighPass(const GraphGeometry& g, int x, int y) {
    const double decades = static_cast<double>(x - g.highPassStart()) / g.half();
    return {Follow(g, x, y, g.highPassStart(), g.highPassEnd()),
            kHighPassRange.Limit(std::pow(10.0, decades + kLog20)), SlopeFromPointer(g, y)};
}

DragStep DragLowPass(const GraphGeometry& g, int x, int y) {
    const double decades = static_cast<double>(x - g.lowPassStart()) / g.lowPassDecade();
    return {Follow(g, x, y, g.lowPassStart(), g.lowPassEnd()),
            kLowPassRange.Limit(std::pow(10.0, decades + kLog2000)), SlopeFromPointer(g, y)};
}

std::array<SketchPoint, 6> ResponseSketch(const GraphGeometry& g, const FilterParameters& p,
                                          GraphPoint highPass, GraphPoint lowPass) {
    const double bottom = g.plotBottom();
    const double zero = g.zeroDecibelY();
    // The depth reached at the graph's ends, or where the slope meets the bottom (−50 dB).
    SketchPoint start;
    const double startDepth = (static_cast<double>(p.highPassHz) / 20.0 - 1.0) * p.highPassSlope;
    if (startDepth < kMaxDepth) {
        start = {static_cast<double>(g.plotLeft()), g.DepthY(startDepth)};
    } else {
        start = {g.LeftScaleX(p.highPassHz / (1.0 + kMaxDepth / p.highPassSlope)), bottom};
    }
    SketchPoint end;
    const double endDepth = (20000.0 / p.lowPassHz - 1.0) * p.lowPassSlope;
    if (endDepth < kMaxDepth) {
        end = {static_cast<double>(g.plotRight()), g.DepthY(endDepth)};
    } else {
        end = {g.RightScaleX(p.lowPassHz * (1.0 + kMaxDepth / p.lowPassSlope)), bottom};
    }
    const auto inside = [&](double x) { return std::clamp(x, double(g.plotLeft()), double(g.plotRight())); };
    start.x = inside(start.x);
    end.x = inside(end.x);
    return {SketchPoint{start.x, bottom}, start,
            SketchPoint{inside(highPass.x), zero}, SketchPoint{inside(lowPass.x), zero},
            end, SketchPoint{end.x, bottom}};
}

std::array<std::string, 4> FigureTexts(const FilterParameters& p) {
    const auto format = [](const char* pattern, double value) {
        char text[48];
        std::snprintf(text, sizeof text, pattern, value);
        return std::string(text);
    };
    return {format("%5.1f Hz ", p.highPassHz), format("%4.1f dB/oct ", p.highPassSlope),
            format("%4.1f kHz ", p.lowPassHz / 1000.0), format("%4.1f dB/oct ", p.lowPassSlope)};
}

} // namespace lumisett::hilofilt
