#include "plugins/hilofilt/editor/hilofilt_editor.h"

#include "plugin_common/ui/word_images.h"
#include "plugins/hilofilt/editor/response_graph.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumisett::hilofilt {
namespace {

constexpr int kStatusMilliseconds = 100;

QFrame* EtchedLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

} // namespace

HilofiltEditor::HilofiltEditor(QWidget* owner, plugin::EditorSetup setup, HilofiltEffect& effect,
                               std::string statusText)
    : PluginEditor(owner, std::move(setup)), effect_(effect), statusText_(std::move(statusText)) {
    graph_ = new ResponseGraph(this, effect_.parameters(),
                               [this](const FilterParameters& p) { effect_.SetParameters(p); });
    graph_->setObjectName(QStringLiteral("responseGraph"));
    auto* graphFrame = new QFrame(this);
    graphFrame->setFrameShape(QFrame::Panel);
    graphFrame->setFrameShadow(QFrame::Sunken);
    auto* graphBox = new QVBoxLayout(graphFrame);
    graphBox->setContentsMargins(2, 2, 2, 2);
    graphBox->addWidget(graph_);

    QPushButton* help = plugin::MakeImageButton(this, QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help"));
    QPushButton* flat = plugin::MakeImageButton(this, QStringLiteral("Flat"));
    flat->setObjectName(QStringLiteral("Flat"));
    QObject::connect(help, &QPushButton::clicked, this, [this] { OpenHelp(); });
    QObject::connect(flat, &QPushButton::clicked, this, [this] { graph_->Flatten(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(flat);
    buttons->addWidget(help);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(graphFrame, 0, Qt::AlignHCenter);
    layout->addWidget(EtchedLine(this));
    layout->addWidget(statusLine());
    layout->addWidget(EtchedLine(this));
    layout->addLayout(buttons);

    statusTimer_.setParent(this);
    statusTimer_.setObjectName(QStringLiteral("statusTimer"));
    statusTimer_.setInterval(kStatusMilliseconds);
    QObject::connect(&statusTimer_, &QTimer::timeout, this, [this] { Tick(); });
    statusTimer_.start();
    Tick();
    FinishOpening();
}

void HilofiltEditor::Tick() {
    if (statusPending_) {
        statusPending_ = false;
        ShowStatus(statusText_);
    }
}

void HilofiltEditor::StopOwnTimers() {
    statusTimer_.stop();
}

QIcon HilofiltIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(16, 16, 20));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    QPainterPath response(QPointF(4, 27));
    response.cubicTo(QPointF(7, 12), QPointF(8, 9), QPointF(11, 9));
    response.lineTo(QPointF(21, 9));
    response.cubicTo(QPointF(24, 9), QPointF(25, 12), QPointF(28, 27));
    response.closeSubpath();
    painter.setBrush(QColor(230, 20, 20));
    painter.drawPath(response);
    painter.setPen(QPen(Qt::white, 1.0));
    painter.drawLine(QPointF(11, 4), QPointF(11, 28));
    painter.drawLine(QPointF(21, 4), QPointF(21, 28));
    return QIcon(pixmap);
}

} // namespace lumisett::hilofilt
