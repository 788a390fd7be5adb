#include "plugins/analyzer/editor/analyzer_editor.h"

#include "plugin_common/ui/word_images.h"
#include "plugins/analyzer/core/stepping.h"
#include "plugins/analyzer/editor/spectrum_plot.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>

#include <algorithm>

namespace lumisett::analyzer {
namespace {

constexpr int kEditorMilliseconds = 100;
constexpr int kMinUsableWidth = 300;
constexpr int kMaxUsableWidth = 1000;
constexpr int kMinUsableHeight = 220;
constexpr int kInitialWidth = 520;
constexpr int kInitialHeight = 340;
const QColor kLegendColours[3] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(240, 240, 240)};
const char* const kListNames[3] = {"trace1List", "trace2List", "noiseList"};

QStringList ToStringList(const std::vector<std::string>& entries) {
    QStringList list;
    for (const std::string& entry : entries) {
        list.append(QString::fromStdString(entry));
    }
    return list;
}

// The short coloured line above a list, on a dark strip so that the white one shows too.
QLabel* LegendLine(QWidget* parent, QColor colour) {
    QPixmap picture(42, 4);
    picture.fill(QColor(40, 40, 40));
    QPainter painter(&picture);
    painter.fillRect(1, 1, 40, 2, colour);
    painter.end();
    auto* legend = new QLabel(parent);
    legend->setPixmap(picture);
    return legend;
}

} // namespace

UpDown::UpDown(QWidget* parent, const QString& name, Qt::Orientation orientation, std::function<void(bool)> step)
    : QWidget(parent), orientation_(orientation) {
    setObjectName(name);
    const bool vertical = orientation == Qt::Vertical;
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setObjectName(name + QStringLiteral("Up"));
    down_->setObjectName(name + QStringLiteral("Down"));
    up_->setArrowType(vertical ? Qt::UpArrow : Qt::RightArrow);
    down_->setArrowType(vertical ? Qt::DownArrow : Qt::LeftArrow);
    for (QToolButton* button : {up_, down_}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
    }
    QObject::connect(up_, &QToolButton::clicked, this, [step] { step(true); });
    QObject::connect(down_, &QToolButton::clicked, this, [step] { step(false); });
}

void UpDown::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (orientation_ == Qt::Vertical) {
        const int half = height() / 2;
        up_->setGeometry(0, 0, width(), half);
        down_->setGeometry(0, half, width(), height() - half);
    } else {
        const int half = width() / 2;
        down_->setGeometry(0, 0, half, height());
        up_->setGeometry(half, 0, width() - half, height());
    }
}

AnalyzerEditor::AnalyzerEditor(QWidget* owner, plugin::EditorSetup setup, AnalyzerEffect& effect,
                               std::string statusText)
    : PluginEditor(owner, std::move(setup)), effect_(effect), statusText_(std::move(statusText)) {
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    MakePlotAndLists();
    MakeControls();
    resize(kInitialWidth, kInitialHeight);
    Relayout();
    StartWatching();
    FinishOpening();
}

void AnalyzerEditor::MakePlotAndLists() {
    plot_ = new SpectrumPlot(this, effect_.watch(), effect_.statusWord());
    plot_->setObjectName(QStringLiteral("plot"));
    plotEdge_ = new QFrame(plot_); // the sunken client edge, over the plot
    plotEdge_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    plotEdge_->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        legends_[i] = LegendLine(this, kLegendColours[i]);
        lists_[i] = new QComboBox(this);
        lists_[i]->setObjectName(QString::fromLatin1(kListNames[i]));
        const auto which = static_cast<TraceId>(i);
        QObject::connect(lists_[i], &QComboBox::activated, this, [this, which](int index) { ListClosed(which, index); });
    }
}

void AnalyzerEditor::MakeControls() {
    decayLabel_ = new QLabel(QStringLiteral("decay [ms]"), this);
    decayField_ = new QLineEdit(this);
    decayField_->setObjectName(QStringLiteral("decayField"));
    decayField_->setReadOnly(true);
    decayField_->setFocusPolicy(Qt::NoFocus);
    decayField_->setAlignment(Qt::AlignRight);
    decay_ = new UpDown(this, QStringLiteral("decay"), Qt::Vertical, [this](bool up) { StepDecay(up); });

    statusLine()->setMinimumWidth(0); // it sits in the strip above the plot, as wide as there is room

    log_ = new QCheckBox(QStringLiteral("log"), this);
    log_->setObjectName(QStringLiteral("log"));
    log_->setChecked(effect_.settings().decibel);
    QObject::connect(log_, &QCheckBox::toggled, this, [this](bool on) { SetLog(on); });
    top_ = new UpDown(this, QStringLiteral("top"), Qt::Vertical, [this](bool up) { StepTop(up); });
    depth_ = new UpDown(this, QStringLiteral("depth"), Qt::Vertical, [this](bool up) { StepDepth(up); });
    low_ = new UpDown(this, QStringLiteral("low"), Qt::Horizontal, [this](bool up) { StepLow(up); });
    high_ = new UpDown(this, QStringLiteral("high"), Qt::Horizontal, [this](bool up) { StepHigh(up); });
    help_ = plugin::MakeImageButton(this, QStringLiteral("Help"));
    QObject::connect(help_, &QPushButton::clicked, this, [this] { OpenHelp(); });
}

// The plot takes its geometry and starts its timer, the lists fill, and only then may frames
// reach the traces; the status line follows on the editor's own timer.
void AnalyzerEditor::StartWatching() {
    ShowDecayFigure();
    plot_->Start();
    RefillLists();
    effect_.WindowOpened();
    editorTimer_.setInterval(kEditorMilliseconds);
    QObject::connect(&editorTimer_, &QTimer::timeout, this, [this] { Tick(); });
    editorTimer_.start();
    Tick();
}

void AnalyzerEditor::RefillLists() {
    const std::array<ListView, 3> lists = effect_.RefillLists();
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        entries_[i] = lists[i].entries;
        QSignalBlocker quiet(lists_[i]);
        lists_[i]->clear();
        lists_[i]->addItems(ToStringList(entries_[i]));
        lists_[i]->setCurrentIndex(lists[i].index);
    }
    plot_->update();
}

void AnalyzerEditor::ListClosed(TraceId which, int index) {
    const auto i = static_cast<std::size_t>(which);
    const int shown = effect_.Pick(which, entries_[i], index);
    QSignalBlocker quiet(lists_[i]);
    lists_[i]->setCurrentIndex(shown);
    plot_->update();
}

void AnalyzerEditor::Tick() {
    if (statusPending_) {
        statusPending_ = false;
        ShowStatus(statusText_);
    }
    ShowDecayFigure(); // the stream's rate or bin count may have changed
}

void AnalyzerEditor::ShowDecayFigure() {
    const SpectrumWatch& watch = effect_.watch();
    const std::string figure = DecayFigure(effect_.settings().decay, watch.bins(), watch.rate());
    if (figure != shownDecay_) {
        shownDecay_ = figure;
        decayField_->setText(QString::fromStdString(figure));
    }
}

void AnalyzerEditor::ChangeSettings(const DisplaySettings& settings) {
    effect_.ChangeSettings(settings);
    plot_->update();
}

void AnalyzerEditor::StepDecay(bool up) {
    DisplaySettings settings = effect_.settings();
    settings.decay = analyzer::StepDecay(settings.decay, up);
    ChangeSettings(settings);
    ShowDecayFigure();
}

void AnalyzerEditor::StepTop(bool up) {
    DisplaySettings settings = effect_.settings();
    settings.top = StepScaleTop(settings.top, settings.depth, up);
    ChangeSettings(settings);
}

void AnalyzerEditor::StepDepth(bool up) {
    DisplaySettings settings = effect_.settings();
    settings.depth = StepScaleDepth(settings.depth, settings.top, up);
    ChangeSettings(settings);
}

void AnalyzerEditor::StepLow(bool up) {
    DisplaySettings settings = effect_.settings();
    settings.low = StepLowFrequency(settings.low, settings.high, up);
    ChangeSettings(settings);
}

void AnalyzerEditor::StepHigh(bool up) {
    DisplaySettings settings = effect_.settings();
    settings.high = StepHighFrequency(settings.high, settings.low, up);
    ChangeSettings(settings);
}

void AnalyzerEditor::SetLog(bool decibel) {
    DisplaySettings settings = effect_.settings();
    settings.decibel = decibel;
    ChangeSettings(settings);
    if (log_->isChecked() != decibel) {
        QSignalBlocker quiet(log_);
        log_->setChecked(decibel);
    }
}

void AnalyzerEditor::resizeEvent(QResizeEvent* event) {
    PluginEditor::resizeEvent(event);
    Relayout();
}

// Places every control for the usable size: a window narrower than 300 pixels keeps the
// layout of a 300-pixel one, a wider one than 1000 that of a 1000-pixel one.
void AnalyzerEditor::Relayout() {
    const int w = std::clamp(width(), kMinUsableWidth, kMaxUsableWidth);
    const int h = std::max(height(), kMinUsableHeight);
    const int listWidth = (w - 16) / 3 - 4;
    for (std::size_t i = 0; i < lists_.size(); ++i) {
        const int x = 6 + static_cast<int>(i) * (listWidth + 6);
        legends_[i]->setGeometry(x + 8, 1, 42, 4);
        lists_[i]->setGeometry(x, 6, listWidth, 22);
    }
    plot_->setGeometry(6, 32, w - 10, h - 38);
    plotEdge_->setGeometry(plot_->rect());
    const int strip = 34; // the plot's top margin, above its area
    const int labelWidth = decayLabel_->fontMetrics().horizontalAdvance(decayLabel_->text()) + 4;
    const int fieldX = 14 + labelWidth;
    decayLabel_->setGeometry(14, strip, labelWidth, 16);
    decayField_->setGeometry(fieldX, strip, 38, 16);
    decay_->setGeometry(fieldX + 39, strip, 13, 16);
    const int statusX = fieldX + 58;
    statusLine()->setGeometry(statusX, strip, std::max(w - statusX - 52, 40), 16);
    log_->setGeometry(w - 44, 39, 40, 14);
    top_->setGeometry(w - 25, 55, 13, 24);
    depth_->setGeometry(w - 25, h - 71, 13, 24);
    low_->setGeometry(26, h - 29, 25, 13);
    high_->setGeometry(w - 83, h - 29, 25, 13);
    help_->setGeometry(w - 44, h - 30, 31, 15);
    help_->setIconSize(QSize(29, 13));
    for (QWidget* control : std::initializer_list<QWidget*>{decayLabel_, decayField_, decay_, statusLine(), log_,
                                                             top_, depth_, low_, high_, help_}) {
        control->raise();
    }
}

void AnalyzerEditor::StopOwnTimers() {
    editorTimer_.stop();
    plot_->Stop();
    effect_.WindowClosed();
}

QIcon AnalyzerIcon() {
    QPixmap picture(32, 32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setPen(QColor(60, 60, 60));
    for (int x = 4; x < 32; x += 8) {
        painter.drawLine(x, 0, x, 31);
    }
    painter.setPen(QColor(255, 0, 0));
    painter.drawPolyline(QPolygon({QPoint(1, 26), QPoint(6, 12), QPoint(11, 16), QPoint(17, 8),
                                   QPoint(23, 18), QPoint(30, 24)}));
    painter.setPen(QColor(0, 255, 0));
    painter.drawPolyline(QPolygon({QPoint(1, 28), QPoint(6, 18), QPoint(11, 22), QPoint(17, 15),
                                   QPoint(23, 24), QPoint(30, 28)}));
    painter.end();
    return QIcon(picture);
}

} // namespace lumisett::analyzer
