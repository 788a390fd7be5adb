#include "plugins/declicker/editor/declicker_editor.h"

#include "plugin_common/ui/level_bar.h"
#include "plugin_common/ui/word_images.h"
#include "plugins/declicker/core/editor_math.h"
#include "plugins/declicker/editor/scratch_scope.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

namespace lumisett::declicker {
namespace {

constexpr int kEditorMilliseconds = 100;
// The editor halves the counters' history once it spans this many channel passes, so the
// scratch level follows the last second or so of material.
constexpr std::int64_t kDecayPasses = 14;

// Dialog units of the window's font, in pixels: a quarter of the mean letter width across,
// an eighth of the letter height down.
QSize DialogUnits(const QWidget* widget, int across, int down) {
    const QFontMetrics metrics = widget->fontMetrics();
    return {across * metrics.averageCharWidth() / 4, down * metrics.height() / 8};
}

QSlider* StrengthSlider(QWidget* parent, const QString& name) {
    auto* slider = new QSlider(Qt::Vertical, parent);
    slider->setObjectName(name);
    slider->setRange(0, kSliderSteps);
    slider->setTickInterval(10);
    slider->setTickPosition(QSlider::TicksBothSides);
    slider->setInvertedAppearance(true);  // 0 at the top: the most sensitive setting
    slider->setInvertedControls(true);
    return slider;
}

QLineEdit* ValueField(QWidget* parent, const QString& name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignCenter);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("100.00")) + 14);
    return field;
}

// A legend picture: the word in the trace's colour on black.
QLabel* Legend(QWidget* parent, const QString& word, const QColor& colour) {
    const QFontMetrics metrics = parent->fontMetrics();
    QPixmap picture(metrics.horizontalAdvance(word) + 8, metrics.height() + 2);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    painter.setPen(colour);
    painter.setFont(parent->font());
    painter.drawText(picture.rect(), Qt::AlignCenter, word);
    painter.end();
    auto* label = new QLabel(parent);
    label->setObjectName(word + QStringLiteral("Legend"));
    label->setPixmap(picture);
    label->setAccessibleName(word);
    return label;
}

QVBoxLayout* SliderColumn(QWidget* parent, QSlider* slider, QLineEdit* value, const QString& word) {
    auto* column = new QVBoxLayout;
    column->addWidget(slider, 1, Qt::AlignHCenter);
    column->addWidget(new QLabel(word, parent), 0, Qt::AlignHCenter);
    column->addWidget(value, 0, Qt::AlignHCenter);
    return column;
}

} // namespace

DeclickerEditor::DeclickerEditor(QWidget* owner, plugin::EditorSetup setup, EditorLinks links)
    : PluginEditor(owner, std::move(setup)), links_(std::move(links)) {
    declick_ = StrengthSlider(this, QStringLiteral("declickSlider"));
    decrackle_ = StrengthSlider(this, QStringLiteral("decrackleSlider"));
    declickValue_ = ValueField(this, QStringLiteral("declickValue"));
    decrackleValue_ = ValueField(this, QStringLiteral("decrackleValue"));
    mono_ = new QCheckBox(QStringLiteral("mono"), this);
    mono_->setObjectName(QStringLiteral("mono"));
    deplop_ = new QCheckBox(QStringLiteral("de-plop"), this);
    deplop_->setObjectName(QStringLiteral("deplop"));

    auto* sliders = new QHBoxLayout;
    sliders->addLayout(SliderColumn(this, declick_, declickValue_, QStringLiteral("declick")));
    sliders->addLayout(SliderColumn(this, decrackle_, decrackleValue_, QStringLiteral("decrackle")));
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(mono_);
    boxes->addWidget(deplop_);
    auto* left = new QVBoxLayout;
    left->addLayout(sliders, 1);
    left->addLayout(boxes);

    scope_ = new ScratchScope(this, DialogUnits(this, 128, 49), links_.counters, links_.statusWord);
    scope_->setObjectName(QStringLiteral("scratchScope"));
    auto* scopeLegend = new QHBoxLayout;
    scopeLegend->addWidget(Legend(this, QStringLiteral("click"), QColor(255, 0, 0)));
    scopeLegend->addStretch();
    scopeLegend->addWidget(new QLabel(QStringLiteral("scratch scope"), this));
    scopeLegend->addStretch();
    scopeLegend->addWidget(Legend(this, QStringLiteral("crackle"), QColor(0, 255, 0)));

    level_ = new plugin::LevelBar(this, DialogUnits(this, 128, 12));
    level_->setObjectName(QStringLiteral("scratchLevel"));
    AddLevelBar(level_);
    auto* levelLabels = new QHBoxLayout;
    levelLabels->addWidget(new QLabel(QStringLiteral("low"), this));
    levelLabels->addStretch();
    levelLabels->addWidget(new QLabel(QStringLiteral("scratch level"), this));
    levelLabels->addStretch();
    levelLabels->addWidget(new QLabel(QStringLiteral("high"), this));

    QPushButton* help = plugin::MakeImageButton(this, QStringLiteral("Help"));
    QObject::connect(help, &QPushButton::clicked, this, [this] { OpenHelp(); });
    auto* helpRow = new QHBoxLayout;
    helpRow->addStretch();
    helpRow->addWidget(help);

    auto* right = new QVBoxLayout;
    right->addWidget(scope_, 0, Qt::AlignHCenter);
    right->addLayout(scopeLegend);
    right->addSpacing(6);
    right->addWidget(level_, 0, Qt::AlignHCenter);
    right->addLayout(levelLabels);
    right->addSpacing(6);
    right->addWidget(statusLine());
    right->addLayout(helpRow);

    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(left);
    layout->addLayout(right);

    // The controls show the current settings; nothing is written back until the user moves one.
    const SettingsValues values = links_.settings->Snapshot();
    const SliderReading declick = DeclickSlider(values.declick);
    const SliderReading decrackle = DecrackleSlider(values.decrackle);
    {
        const QSignalBlocker blockDeclick(declick_);
        const QSignalBlocker blockDecrackle(decrackle_);
        declick_->setValue(declick.position);
        decrackle_->setValue(decrackle.position);
    }
    declickValue_->setText(QString::fromStdString(declick.text));
    decrackleValue_->setText(QString::fromStdString(decrackle.text));
    mono_->setChecked(values.monoOn());
    deplop_->setChecked(values.mergeGap == kPlopGap);

    QObject::connect(declick_, &QSlider::valueChanged, this, [this] { SlidersMoved(); });
    QObject::connect(decrackle_, &QSlider::valueChanged, this, [this] { SlidersMoved(); });
    QObject::connect(mono_, &QCheckBox::toggled, this,
                     [this](bool on) { links_.settings->SetMono(on); });
    QObject::connect(deplop_, &QCheckBox::toggled, this,
                     [this](bool on) { links_.settings->SetDeplop(on); });

    scope_->Start();
    level_->Start();
    editorTimer_.setParent(this);
    editorTimer_.setObjectName(QStringLiteral("editorTimer"));
    editorTimer_.setInterval(kEditorMilliseconds);
    QObject::connect(&editorTimer_, &QTimer::timeout, this, [this] { Tick(); });
    editorTimer_.start();
    RefreshStatus();
    FinishOpening();
}

void DeclickerEditor::RefreshStatus() {
    ShowStatus(links_.statusText);
}

void DeclickerEditor::SlidersMoved() {
    // Both sliders are read together, whichever moved.
    const int p = declick_->value();
    const int q = decrackle_->value();
    links_.settings->SetDeclick(DeclickOfPosition(p));
    links_.settings->SetDecrackle(DecrackleOfPosition(q));
    declickValue_->setText(QString::fromStdString(StrengthText(kSliderSteps - p)));
    decrackleValue_->setText(QString::fromStdString(StrengthText(kSliderSteps - q)));
}

void DeclickerEditor::Tick() {
    constexpr auto relaxed = std::memory_order_relaxed;
    ScratchCounters& counters = *links_.counters;
    const std::int64_t passes = counters.channelPasses.load(relaxed);
    if (passes == 0) {
        return;
    }
    const std::int64_t total = counters.repairedTotal.load(relaxed);
    level_->SetTarget(ScratchLevelTarget(total, passes, counters.blockLength.load(relaxed)));
    if (passes >= kDecayPasses) {
        // A block processed meanwhile may be lost from the display: nothing more.
        counters.channelPasses.store(passes >> 1, relaxed);
        counters.repairedTotal.store(total >> 1, relaxed);
    }
}

void DeclickerEditor::StopOwnTimers() {
    editorTimer_.stop();
    scope_->Stop();
}

QIcon DeclickerIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 20, 28));
    painter.drawEllipse(QRectF(1, 1, 30, 30));
    painter.setBrush(QColor(60, 60, 70));
    painter.drawEllipse(QRectF(13, 13, 6, 6));
    QPainterPath wave(QPointF(4, 16));
    wave.cubicTo(QPointF(8, 8), QPointF(11, 24), QPointF(15, 16));
    wave.cubicTo(QPointF(19, 8), QPointF(23, 24), QPointF(28, 16));
    painter.setPen(QPen(QColor(0, 220, 90), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(wave);
    painter.setPen(QPen(QColor(255, 40, 40), 1.5));
    painter.drawLine(QPointF(20, 5), QPointF(20, 12));
    return QIcon(pixmap);
}

} // namespace lumisett::declicker
