#pragma once
// The arithmetic of the editor's response graph, free of any toolkit so it can be checked
// without pixels: where the plot and the handle ranges lie for a control of a given size,
// where the handles stand for given parameters, what a drag makes of the pointer, the two
// frequency scales, and the points of the response sketch.
//
// All coordinates are the control's own: origin at its top left, y growing downwards.

#include "plugins/hilofilt/core/filter_parameters.h"

#include <array>
#include <string>

namespace lumisett::hilofilt {

struct GraphPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const GraphPoint&, const GraphPoint&) = default;
};

struct SketchPoint {
    double x = 0;
    double y = 0;
};

// The layout of a graph control of width Wc and height Hc.
class GraphGeometry {
public:
    // The smallest control the layout makes sense for.
    static constexpr int kMinWidth = 120;
    static constexpr int kMinHeight = 100;

    // Sizes below the minimum are raised to it.
    GraphGeometry(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }

    // The plot rectangle, from (4, 4) to (Wc − 40, Hc − 35).
    int plotLeft() const { return 4; }
    int plotTop() const { return 4; }
    int plotRight() const { return width_ - 40; }
    int plotBottom() const { return height_ - 35; }
    int plotMiddle() const { return plotLeft() + half(); }

    // (Wc − 44) / 2: the width of each half, and the high-pass handle's decade in pixels.
    int half() const { return (width_ - 44) / 2; }
    // x ranges of the handles: one decade each, 20 .. 200 Hz and 2 .. 20 kHz.
    int highPassStart() const { return 6; }
    int highPassEnd() const { return half(); }
    int lowPassStart() const { return half() + 9; }
    int lowPassEnd() const { return width_ - 44; }
    int lowPassDecade() const { return width_ - 44 - half() - 5; }
    // y range of both handles: slope 0 at the top; 24 dB/oct over Hc − 63 pixels.
    int slopeTop() const { return 24; }
    int slopeBottom() const { return height_ - 39; }
    int slopeScale() const { return height_ - 63; }

    // The sketch's 0 dB line, 22 pixels below the plot top; −50 dB lies on the plot bottom.
    int zeroDecibelY() const { return plotTop() + 22; }
    double DepthY(double decibelsDown) const;

    // The frequency scales along the bottom: the left one from the plot's left edge to 2 pixels
    // right of the middle, from 10^1.28 Hz at one decade per 0.98 of its width; the right one
    // from 6 pixels right of the middle to the right edge, from 10^3.3 Hz at one decade over
    // its whole width.
    int leftScaleStart() const { return plotLeft(); }
    int leftScaleEnd() const { return plotMiddle() + 2; }
    int rightScaleStart() const { return plotMiddle() + 6; }
    int rightScaleEnd() const { return plotRight(); }
    double LeftScaleX(double hz) const;
    double RightScaleX(double hz) const;

private:
    int width_;
    int height_;
};

// Where the handles stand for the parameters (when the editor opens and after "Flat"). Values
// from a file outside the editor's ranges may put a handle outside its range.
GraphPoint HighPassHandle(const GraphGeometry& g, const FilterParameters& p);
GraphPoint LowPassHandle(const GraphGeometry& g, const FilterParameters& p);

// A button press within 2 pixels of a handle (|dx| < 3 and |dy| < 3) grabs it.
bool GrabsHandle(GraphPoint handle, int x, int y);

// One step of a drag: the handle follows the pointer, kept strictly inside its x range and
// strictly between the slope scale's ends; the corner and the slope come from the pointer
// itself and are limited to the editor's ranges.
struct DragStep {
    GraphPoint handle;
    float hz = 0;
    float slope = 0;
};
DragStep DragHighPass(const GraphGeometry& g, int x, int y);
DragStep DragLowPass(const GraphGeometry& g, int x, int y);

// The red sketch of the response, six points: the bottom under the high-pass start point, that
// point, the high-pass handle's x on the 0 dB line, the low-pass handle's x on it, the
// low-pass end point, the bottom under it.
std::array<SketchPoint, 6> ResponseSketch(const GraphGeometry& g, const FilterParameters& p,
                                          GraphPoint highPass, GraphPoint lowPass);

// The four figures below the plot: " 30.0 Hz ", "12.0 dB/oct ", "13.0 kHz ", "12.0 dB/oct ".
std::array<std::string, 4> FigureTexts(const FilterParameters& p);

} // namespace lumisett::hilofilt
