#pragma once
// The editor's response graph: the plot with the red sketch of the filter's response, the two
// handles that set the corners (across) and slopes (down), the frequency and amplitude scales
// and the four figures below. The geometry and the drag arithmetic live in the core
// (graph_geometry.h); this control draws them and turns mouse events into parameter changes.
//
// Thread: window thread only.

#include "plugins/hilofilt/core/filter_parameters.h"
#include "plugins/hilofilt/core/graph_geometry.h"

#include <QFont>
#include <QWidget>

#include <functional>

namespace lumisett::hilofilt {

class ResponseGraph : public QWidget {
public:
    // The graph's client size, fixed: the handle ranges are taken from it.
    static constexpr int kWidth = 324;
    static constexpr int kHeight = 200;

    using ChangeHandler = std::function<void(const FilterParameters&)>;

    // Shows `parameters` with the handles placed from them; `changed` runs at every drag step
    // and after Flat, with the new parameters.
    ResponseGraph(QWidget* parent, const FilterParameters& parameters, ChangeHandler changed);

    // "Flat": both slopes 0, the corners at the ends of their ranges, the handles at the top
    // of their ranges' outer ends; drags end.
    void Flatten();

    const FilterParameters& parameters() const { return parameters_; }
    const GraphGeometry& geometry() const { return geometry_; }
    GraphPoint highPassHandle() const { return highPass_; }
    GraphPoint lowPassHandle() const { return lowPass_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PlaceHandles();

    GraphGeometry geometry_;
    QFont axisFont_;
    FilterParameters parameters_;
    ChangeHandler changed_;
    GraphPoint highPass_;
    GraphPoint lowPass_;
    bool draggingHighPass_ = false;
    bool draggingLowPass_ = false;
};

} // namespace lumisett::hilofilt
