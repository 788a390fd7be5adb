#include "plugins/hilofilt/editor/response_graph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPolygonF>

#include <cmath>
#include <cstdio>

namespace lumisett::hilofilt {
namespace {

const QColor kTextGrey(192, 192, 192);
const QColor kMiddleGrey(160, 160, 160);
const QColor kResponseRed(255, 0, 0);
const QColor kPlotFrame(70, 70, 70);
constexpr int kMajorTick = 6;
constexpr int kMinorTick = 3;
// Where the figures start, from the plot's left edge.
constexpr int kFigureColumns[] = {1, 44, 184, 227};
// How far right of the plot the amplitude labels and the axis name begin.
constexpr int kAmplitudeLabelGap = kMajorTick + 3;
constexpr int kAxisNameGap = 26;

QFont TimesFont(int pixels, int weight = 400) {
    QFont font(QStringLiteral("Times"));
    font.setStyleHint(QFont::Serif);
    font.setPixelSize(pixels);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

// The axes' and figures' font: "Times" at 13 pixels, weight 550, unless the face this system
// has for it is too wide for the places the graph gives its texts; then a smaller size of it.
// The figures must stay in their columns and clear of "frequency [Hz]" between them, and the
// amplitude labels clear of the axis name.
QFont AxisFont(const GraphGeometry& g) {
    for (int pixels = 13; pixels > 8; --pixels) {
        const QFont font = TimesFont(pixels, 550);
        const QFontMetrics metrics(font);
        const auto width = [&](const char* text) { return metrics.horizontalAdvance(QString::fromLatin1(text)); };
        const int nameHalf = width("frequency [Hz]") / 2;
        const int nameLeft = g.rightScaleStart() - nameHalf - g.plotLeft();
        const bool fits = width("180.0 Hz") < kFigureColumns[1] - kFigureColumns[0] &&
                          kFigureColumns[1] + width("24.0 dB/oct") < nameLeft &&
                          nameLeft + 2 * nameHalf < kFigureColumns[2] &&
                          width("20.0 kHz") < kFigureColumns[3] - kFigureColumns[2] &&
                          kAmplitudeLabelGap + width("-50") < kAxisNameGap;
        if (fits) {
            return font;
        }
    }
    return TimesFont(8, 550);
}

// A tick is a black line with a white one a pixel beside it (right of a vertical tick, below a
// horizontal one), so it shows on any ground.
void VerticalTick(QPainter& painter, int x, int top, int length) {
    painter.setPen(Qt::black);
    painter.drawLine(x, top, x, top + length - 1);
    painter.setPen(Qt::white);
    painter.drawLine(x + 1, top, x + 1, top + length - 1);
}

void HorizontalTick(QPainter& painter, int left, int y, int length) {
    painter.setPen(Qt::black);
    painter.drawLine(left, y, left + length - 1, y);
    painter.setPen(Qt::white);
    painter.drawLine(left, y + 1, left + length - 1, y + 1);
}

QString DecadeLabel(int hz) {
    return hz >= 1000 ? QStringLiteral("%1k ").arg(hz / 1000) : QStringLiteral("%1 ").arg(hz);
}

// The ticks of one frequency scale: majors at the decades, minors at 2 .. 9 times each,
// wherever they fall strictly inside the scale; the decades labelled below their ticks.
template <typename ScaleX>
void FrequencyScale(QPainter& painter, int bottom, int start, int end, int firstDecade, ScaleX x) {
    const QFontMetrics metrics = painter.fontMetrics();
    for (int decade = firstDecade; decade <= 10000; decade *= 10) {
        for (int m = 1; m <= 9; ++m) {
            const int at = static_cast<int>(std::lround(x(static_cast<double>(m) * decade)));
            if (at <= start || at >= end) {
                continue;
            }
            VerticalTick(painter, at, bottom + 1, m == 1 ? kMajorTick : kMinorTick);
            if (m == 1) {
                painter.setPen(kTextGrey);
                const QString label = DecadeLabel(decade);
                painter.drawText(at - metrics.horizontalAdvance(label.trimmed()) / 2,
                                 bottom + kMajorTick + metrics.ascent() + 1, label);
            }
        }
    }
}

void PaintFrequencyAxes(QPainter& painter, const GraphGeometry& g) {
    const int bottom = g.plotBottom();
    FrequencyScale(painter, bottom, g.leftScaleStart(), g.leftScaleEnd(), 10,
                   [&](double hz) { return g.LeftScaleX(hz); });
    FrequencyScale(painter, bottom, g.rightScaleStart(), g.rightScaleEnd(), 1000,
                   [&](double hz) { return g.RightScaleX(hz); });
    const QFontMetrics metrics = painter.fontMetrics();
    const int labels = bottom + kMajorTick + metrics.ascent() + 1;
    painter.setPen(kTextGrey);
    painter.drawText(g.plotLeft(), labels, QStringLiteral("20"));
    painter.drawText(g.rightScaleStart() + 2, labels, QStringLiteral("2k"));
    const QString top = QStringLiteral("20k");
    painter.drawText(g.plotRight() - 2 - metrics.horizontalAdvance(top), labels, top);
    const QString name = QStringLiteral("frequency [Hz]");
    painter.drawText(g.rightScaleStart() - metrics.horizontalAdvance(name) / 2,
                     bottom + 32 - metrics.descent(), name);
}

void PaintAmplitudeAxis(QPainter& painter, const GraphGeometry& g) {
    const QFontMetrics metrics = painter.fontMetrics();
    const int right = g.plotRight();
    const double step = (g.plotBottom() - g.plotTop() - 23) / 5.0;
    for (int k = 0; k <= 5; ++k) {
        const int y = g.plotTop() + 21 + static_cast<int>(std::lround(k * step));
        HorizontalTick(painter, right + 1, y, kMajorTick);
        char label[8];
        std::snprintf(label, sizeof label, "%+-3d", -10 * k);
        painter.setPen(kTextGrey);
        painter.drawText(right + kAmplitudeLabelGap, y + metrics.ascent() / 2 - 1, QString::fromLatin1(label));
    }
    // Turned by 270 degrees the way the text is counted there: it reads downwards, the tops of
    // its letters towards the right.
    painter.save();
    painter.setFont(TimesFont(11));
    const QString name = QStringLiteral("amplitude [dB]");
    const int middle = (g.plotTop() + g.plotBottom()) / 2;
    painter.translate(right + kAxisNameGap + painter.fontMetrics().descent(), middle);
    painter.rotate(90);
    painter.drawText(-painter.fontMetrics().horizontalAdvance(name) / 2, 0, name);
    painter.restore();
}

void PaintFigures(QPainter& painter, const GraphGeometry& g, const FilterParameters& p) {
    const auto texts = FigureTexts(p);
    const int bottom = g.plotBottom() + 33 - painter.fontMetrics().descent();
    painter.setPen(kTextGrey);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        painter.drawText(g.plotLeft() + kFigureColumns[i], bottom, QString::fromStdString(texts[i]));
    }
}

void PaintHandle(QPainter& painter, const GraphGeometry& g, GraphPoint handle) {
    painter.setPen(Qt::white);
    painter.drawLine(handle.x, g.plotTop(), handle.x, g.plotBottom());
    painter.fillRect(handle.x - 2, handle.y - 2, 5, 5, Qt::white);
}

void PaintPlot(QPainter& painter, const GraphGeometry& g, const FilterParameters& p, GraphPoint highPass,
               GraphPoint lowPass) {
    const QRect plot(QPoint(g.plotLeft(), g.plotTop()), QPoint(g.plotRight(), g.plotBottom()));
    painter.fillRect(plot, Qt::black);
    painter.save();
    painter.setClipRect(plot);
    QPolygonF sketch;
    for (const SketchPoint& point : ResponseSketch(g, p, highPass, lowPass)) {
        sketch << QPointF(point.x, point.y);
    }
    painter.setPen(kResponseRed);
    painter.setBrush(kResponseRed);
    painter.drawPolygon(sketch);
    painter.setBrush(Qt::NoBrush);
    painter.setFont(TimesFont(10));
    painter.setPen(kTextGrey);
    const int labelTop = g.plotTop() + 2 + painter.fontMetrics().ascent();
    painter.drawText(g.plotLeft() + 3, labelTop, QStringLiteral("HP"));
    const QString lp = QStringLiteral("LP");
    painter.drawText(g.plotRight() - 3 - painter.fontMetrics().horizontalAdvance(lp), labelTop, lp);
    const int middle = g.plotMiddle();
    painter.setPen(kMiddleGrey);
    painter.drawLine(middle - 1, g.plotTop(), middle - 1, g.plotBottom());
    painter.drawLine(middle + 1, g.plotTop(), middle + 1, g.plotBottom());
    painter.setPen(Qt::white);
    painter.drawLine(middle, g.plotTop(), middle, g.plotBottom());
    PaintHandle(painter, g, highPass);
    PaintHandle(painter, g, lowPass);
    painter.restore();
    painter.setPen(kPlotFrame);
    painter.drawRect(plot.adjusted(-1, -1, 0, 0));
}

} // namespace

ResponseGraph::ResponseGraph(QWidget* parent, const FilterParameters& parameters, ChangeHandler changed)
    : QWidget(parent), geometry_(kWidth, kHeight), axisFont_(AxisFont(geometry_)), parameters_(parameters),
      changed_(std::move(changed)) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false); // moves matter only while a button is down
    PlaceHandles();
}

void ResponseGraph::PlaceHandles() {
    highPass_ = HighPassHandle(geometry_, parameters_);
    lowPass_ = LowPassHandle(geometry_, parameters_);
}

void ResponseGraph::Flatten() {
    parameters_ = kFlatParameters;
    highPass_ = {geometry_.highPassStart(), geometry_.slopeTop()};
    lowPass_ = {geometry_.lowPassEnd(), geometry_.slopeTop()};
    draggingHighPass_ = draggingLowPass_ = false;
    changed_(parameters_);
    update();
}

void ResponseGraph::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        draggingHighPass_ = GrabsHandle(highPass_, at.x(), at.y());
        draggingLowPass_ = GrabsHandle(lowPass_, at.x(), at.y());
    }
    event->accept();
}

void ResponseGraph::mouseReleaseEvent(QMouseEvent* event) {
    draggingHighPass_ = draggingLowPass_ = false;
    event->accept();
}

void ResponseGraph::mouseMoveEvent(QMouseEvent* event) {
    if (!draggingHighPass_ && !draggingLowPass_) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    if (draggingHighPass_) {
        const DragStep step = DragHighPass(geometry_, at.x(), at.y());
        highPass_ = step.handle;
        parameters_.highPassHz = step.hz;
        parameters_.highPassSlope = step.slope;
    }
    if (draggingLowPass_) {
        const DragStep step = DragLowPass(geometry_, at.x(), at.y());
        lowPass_ = step.handle;
        parameters_.lowPassHz = step.hz;
        parameters_.lowPassSlope = step.slope;
    }
    changed_(parameters_);
    update();
    event->accept();
}

void ResponseGraph::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    painter.setFont(axisFont_);
    PaintFrequencyAxes(painter, geometry_);
    PaintAmplitudeAxis(painter, geometry_);
    PaintFigures(painter, geometry_, parameters_);
    PaintPlot(painter, geometry_, parameters_, highPass_, lowPass_);
}

} // namespace lumisett::hilofilt
