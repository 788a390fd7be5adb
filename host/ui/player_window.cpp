#include "host/ui/player_window.h"

#include "host/engine/audio_engine.h"
#include "host/ui/host_images.h"
#include "plugin_common/ui/word_images.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace lumisett::host::ui {
namespace {

constexpr int kTickMilliseconds = 100;
// Where the window goes from its default place (centred on the main window): down and left.
constexpr QPoint kStepAside(-83, 182);
constexpr std::array kGroupButtons = {TransportButton::Play,   TransportButton::Cue,
                                      TransportButton::Back16, TransportButton::Back4,
                                      TransportButton::Forward4, TransportButton::Forward16};

QLineEdit* ReadOnlyField(QWidget* parent, const QString& text, int characters) {
    auto* field = new QLineEdit(text, parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignCenter);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QString(characters, '0')) + 12);
    return field;
}

QLabel* SmallLabel(QWidget* parent, const QString& text, Qt::Alignment alignment = Qt::AlignLeft) {
    auto* label = new QLabel(text, parent);
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

} // namespace

PlayerWindow::PlayerWindow(Transport& transport, AudioEngine& engine, const AudioSource& source,
                           const std::string& path, QWidget* owner, std::function<void()> onEnd)
    : QDialog(owner), logic_(transport, source, path), engine_(engine), onEnd_(std::move(onEnd)) {
    setWindowTitle(kPlayerTitle);
    setWindowIcon(ProgramIcon());
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(BuildButtons());
    layout->addLayout(BuildSpeed());
    layout->addLayout(BuildPosition());
    information_ = new QLabel(QString::fromStdString(logic_.informationLine()), this);
    information_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    layout->addWidget(information_);

    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start(kTickMilliseconds);
}

QLayout* PlayerWindow::BuildButtons() {
    auto* row = new QHBoxLayout;
    group_ = new QButtonGroup(this);
    group_->setExclusive(true);
    for (TransportButton which : kGroupButtons) {
        QPushButton* button = MakeHoldingButton(this, TransportButtonWord(which));
        group_->addButton(button, static_cast<int>(which));
        row->addWidget(button);
    }
    transportButton(logic_.pressed())->setChecked(true);
    connect(group_, &QButtonGroup::idClicked, this, [this](int id) {
        logic_.Press(static_cast<TransportButton>(id));
        transportButton(logic_.pressed())->setChecked(true);
    });
    row->addSpacing(8);

    pause_ = plugin::MakeImageButton(this, kPauseWord);
    connect(pause_, &QPushButton::clicked, this, [this] {
        logic_.PauseButton();
        ShowPauseFace();
    });
    row->addWidget(pause_);
    for (int index = 0; index < 2; ++index) {
        QPushButton* marker = plugin::MakeImageButton(this, index == 0 ? "m1" : "m2");
        markerFields_[static_cast<std::size_t>(index)] = ReadOnlyField(this, "00:00", 6);
        connect(marker, &QPushButton::clicked, this, [this, index] {
            markerField(index)->setText(QString::fromStdString(logic_.SetMarker(index)));
        });
        row->addWidget(marker);
        row->addWidget(markerFields_[static_cast<std::size_t>(index)]);
    }
    loop_ = MakeHoldingButton(this, "loop");
    connect(loop_, &QPushButton::clicked, this, [this] { loop_->setChecked(logic_.ToggleLoop()); });
    row->addWidget(loop_);
    row->addSpacing(8);
    QPushButton* end = plugin::MakeImageButton(this, "END");
    connect(end, &QPushButton::clicked, this, [this] { reject(); });
    row->addWidget(end);
    return row;
}

QLayout* PlayerWindow::BuildSpeed() {
    auto* row = new QHBoxLayout;
    speedSlider_ = new QSlider(Qt::Horizontal, this);
    speedSlider_->setObjectName("speed");
    speedSlider_->setRange(0, 1000);
    speedSlider_->setTickInterval(125);
    speedSlider_->setTickPosition(QSlider::TicksBelow);
    speedSlider_->setValue(PlayerWindowLogic::kInitialSpeedSlider);
    speedField_ = ReadOnlyField(this, QString::fromStdString(logic_.speedText()), 6);
    connect(speedSlider_, &QSlider::valueChanged, this, [this](int value) {
        speedField_->setText(QString::fromStdString(logic_.MoveSpeedSlider(value)));
    });
    row->addWidget(SmallLabel(this, "speed"));
    row->addWidget(SmallLabel(this, "-2", Qt::AlignRight));
    row->addWidget(speedSlider_, 1);
    row->addWidget(SmallLabel(this, "+2"));
    row->addWidget(speedField_);
    return row;
}

QLayout* PlayerWindow::BuildPosition() {
    auto* grid = new QGridLayout;
    elapsed_ = ReadOnlyField(this, "00:00", 6);
    position_ = new QSlider(Qt::Horizontal, this);
    position_->setObjectName("position");
    position_->setRange(0, 1000);
    position_->setPageStep(100);
    position_->setTickInterval(100);
    position_->setTickPosition(QSlider::TicksBelow);
    // A drag acts when it is let go; clicks on the groove and keys act at once.
    connect(position_, &QSlider::sliderReleased, this, [this] { PositionSliderMoved(position_->value()); });
    connect(position_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove && action != QAbstractSlider::SliderNoAction) {
            PositionSliderMoved(position_->sliderPosition());
        }
    });
    total_ = SmallLabel(this, QString::fromStdString(logic_.totalText()), Qt::AlignRight);
    total_->setObjectName("total");
    auto* under = new QHBoxLayout;
    under->addWidget(SmallLabel(this, "00:00"));
    under->addStretch(1);
    QLabel* half = SmallLabel(this, QString::fromStdString(logic_.halfText()), Qt::AlignHCenter);
    half->setObjectName("half");
    under->addWidget(half);
    under->addStretch(1);
    under->addWidget(total_);
    grid->addWidget(elapsed_, 0, 0);
    grid->addWidget(SmallLabel(this, "min : sek", Qt::AlignHCenter), 1, 0);
    grid->addWidget(position_, 0, 1);
    grid->addLayout(under, 1, 1);
    grid->setColumnStretch(1, 1);
    return grid;
}

QPushButton* PlayerWindow::button(const QString& word) const {
    return findChild<QPushButton*>(word);
}

QPushButton* PlayerWindow::transportButton(TransportButton which) const {
    return static_cast<QPushButton*>(group_->button(static_cast<int>(which)));
}

void PlayerWindow::PositionSliderMoved(int position) {
    const int shown = logic_.MovePositionSlider(position);
    position_->setSliderPosition(shown);
}

void PlayerWindow::ShowPauseFace() {
    const QString face = logic_.pauseFace();
    if (pause_->objectName() == face) {
        return;
    }
    const QPixmap image = plugin::ButtonFace(face);
    pause_->setIcon(QIcon(image));
    pause_->setIconSize(image.size());
    pause_->setObjectName(face);
    pause_->setAccessibleName(face);
}

void PlayerWindow::Tick() {
    const PlayerTickResult result = logic_.Tick();
    ShowPauseFace();
    if (result.paused && !result.endHeard) {
        return; // the fields keep what they showed when the pause began
    }
    elapsed_->setText(QString::fromStdString(result.elapsed));
    if (!position_->isSliderDown()) {
        position_->setValue(result.sliderPosition);
    }
}

// Our main window is taller than the step aside allows for: the player also keeps below the
// main window's frame, so that the meters and the load display stay in view while it plays.
// It never leaves the screen.
void PlayerWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (placed_) {
        return;
    }
    placed_ = true;
    QPoint place = pos() + kStepAside;
    if (const QWidget* owner = parentWidget(); owner != nullptr) {
        place.setY(std::max(place.y(), owner->frameGeometry().bottom() + 4));
    }
    if (const QScreen* shown = screen(); shown != nullptr) {
        const QRect room = shown->availableGeometry();
        place.setX(std::clamp(place.x(), room.left(), std::max(room.left(), room.right() - frameGeometry().width())));
        place.setY(std::clamp(place.y(), room.top(), std::max(room.top(), room.bottom() - frameGeometry().height())));
    }
    move(place);
}

void PlayerWindow::reject() {
    timer_.stop();
    engine_.stopRequest() = true; // the main window's tick stops playback
    if (onEnd_) {
        onEnd_();
    }
    QDialog::reject();
}

} // namespace lumisett::host::ui
