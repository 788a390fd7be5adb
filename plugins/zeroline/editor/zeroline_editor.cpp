#include "plugins/zeroline/editor/zeroline_editor.h"

#include "plugin_common/runtime/host_status.h"
#include "plugin_common/ui/level_bar.h"
#include "plugin_common/ui/word_images.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumisett::zeroline {
namespace {

constexpr int kMeterMilliseconds = 100;
constexpr QSize kBarSize(210, 12);

QFrame* EtchedLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QLineEdit* ValueField(QWidget* parent, const QString& name) {
    auto* field = new QLineEdit(QStringLiteral("-inf"), parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignRight);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-100.0")) + 14);
    return field;
}

} // namespace

ZerolineEditor::ZerolineEditor(QWidget* owner, plugin::EditorSetup setup, EditorLinks links)
    : PluginEditor(owner, std::move(setup)), links_(std::move(links)) {
    auto* caption = new QLabel(this);
    caption->setObjectName(QStringLiteral("caption"));
    caption->setPixmap(plugin::CaptionImage(QStringLiteral("DC-offset")));
    caption->setAccessibleName(QStringLiteral("DC-offset"));

    auto* rows = new QGridLayout;
    const std::array<QString, 2> channels{QStringLiteral("left"), QStringLiteral("right")};
    for (int i = 0; i < 2; ++i) {
        auto* bar = new plugin::LevelBar(this, kBarSize);
        bar->setObjectName(channels[i] + QStringLiteral("Bar"));
        bars_[i] = bar;
        values_[i] = ValueField(this, channels[i] + QStringLiteral("Value"));
        rows->addWidget(new QLabel(channels[i], this), i, 0);
        rows->addWidget(bar, i, 1, Qt::AlignVCenter);
        rows->addWidget(values_[i], i, 2);
        rows->addWidget(new QLabel(QStringLiteral("dB"), this), i, 3);
        AddLevelBar(bar);
    }

    QPushButton* reset = plugin::MakeImageButton(this, QStringLiteral("Reset"));
    QPushButton* help = plugin::MakeImageButton(this, QStringLiteral("Help"));
    QObject::connect(reset, &QPushButton::clicked, this, [this] { links_.meters->ResetHeld(); });
    QObject::connect(help, &QPushButton::clicked, this, [this] { OpenHelp(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(reset);
    buttons->addWidget(help);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(caption, 0, Qt::AlignHCenter);
    layout->addLayout(rows);
    layout->addWidget(EtchedLine(this));
    layout->addWidget(statusLine());
    layout->addWidget(EtchedLine(this));
    layout->addLayout(buttons);

    links_.meters->ResetHeld();
    for (plugin::LevelBar* bar : bars_) {
        bar->Start();
    }
    meterTimer_.setParent(this);
    meterTimer_.setObjectName(QStringLiteral("meterTimer"));
    meterTimer_.setInterval(kMeterMilliseconds);
    QObject::connect(&meterTimer_, &QTimer::timeout, this, [this] { Tick(); });
    meterTimer_.start();
    RefreshStatus();
    FinishOpening();
}

void ZerolineEditor::RefreshStatus() {
    ShowStatus(links_.statusText);
}

void ZerolineEditor::Tick() {
    const auto readings = links_.meters->Tick(plugin::HostIsPaused(links_.statusWord));
    for (std::size_t i = 0; i < readings.size(); ++i) {
        values_[i]->setText(QString::fromStdString(readings[i].text));
        bars_[i]->SetTarget(readings[i].barTarget);
    }
}

void ZerolineEditor::StopOwnTimers() {
    meterTimer_.stop();
}

QIcon ZerolineIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(24, 32, 44));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    painter.setPen(QPen(QColor(90, 100, 110), 1.0, Qt::DashLine));
    painter.drawLine(QPointF(4, 16), QPointF(28, 16));
    QPainterPath trace(QPointF(4, 7));
    trace.cubicTo(QPointF(10, 8), QPointF(14, 17), QPointF(28, 16));
    painter.setPen(QPen(QColor(0, 220, 90), 2.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(trace);
    return QIcon(pixmap);
}

} // namespace lumisett::zeroline
