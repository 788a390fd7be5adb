#include "host/ui/player_window.h"

#include "host/engine/audio_engine.h"
#include "host/engine/transport.h"
#include "host/source/audio_source.h"
#include "plugin_common/ui/word_images.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace lumisett::host::ui {

QString MinutesAndSeconds(double seconds) {
    const int whole = std::clamp(static_cast<int>(seconds), 0, 6039);
    return QString::asprintf("%.2d:%.2d", whole / 60, whole % 60);
}

QString InformationLine(const AudioSource& source, const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const QString name = QString::fromStdString(slash == std::string::npos ? path : path.substr(slash + 1));
    const double kilohertz = source.sampleRate() / 1000.0;
    const char* channels = source.channels() == 1 ? "mono" : "stereo";
    switch (source.type()) {
    case SourceType::Crescor:
        return QString::asprintf(" %s   type: Crescor   freq: %.2fkHz   %s", name.toUtf8().constData(),
                                 kilohertz, channels);
    case SourceType::LayerIII: {
        const StreamInfo* info = source.streamInfo();
        return QString::asprintf(" %s   MPEG%d   layer3   %dkbit/s   %.2fkHz   %s", name.toUtf8().constData(),
                                 info != nullptr ? info->version : 0, info != nullptr ? info->bitrate : 0,
                                 kilohertz, channels);
    }
    default:
        return QString::asprintf(" %s   type: wave   freq: %.2fkHz   %s", name.toUtf8().constData(),
                                 kilohertz, channels);
    }
}

PlayerWindow::PlayerWindow(Transport& transport, AudioEngine& engine, AudioSource& source,
                           const std::string& path, QWidget* owner, std::function<void()> onEnd)
    : QDialog(owner), transport_(transport), engine_(engine), source_(source), onEnd_(std::move(onEnd)) {
    setWindowTitle(kPlayerTitle);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const char* word, auto action) {
        QPushButton* button = plugin::MakeImageButton(this, word);
        connect(button, &QPushButton::clicked, this, action);
        buttons->addWidget(button);
        return button;
    };
    add("play", [this] { transport_.Play(); });
    add("cue", [this] { transport_.Cue(); });
    add("<<<", [this] { transport_.Fast(-16.0f); });
    add("<<", [this] { transport_.Fast(-4.0f); });
    add(">>", [this] { transport_.Fast(4.0f); });
    add(">>>", [this] { transport_.Fast(16.0f); });
    add("Pause", [this] { transport_.PauseButton(); });
    add("m1", [this] { transport_.SetMarker(0); });
    add("m2", [this] { transport_.SetMarker(1); });
    add("loop", [this] { transport_.ToggleLoop(); });
    add("END", [this] { reject(); });
    layout->addLayout(buttons);

    auto* sliders = new QGridLayout;
    auto* speed = new QSlider(Qt::Horizontal, this);
    speed->setRange(0, 1000);
    speed->setValue(750);
    speedField_ = new QLabel("1.00", this);
    connect(speed, &QSlider::valueChanged, this, [this](int value) {
        transport_.SpeedSlider(value);
        speedField_->setText(QString::asprintf("%4.2f", static_cast<double>(transport_.sliderSpeed())));
    });
    position_ = new QSlider(Qt::Horizontal, this);
    position_->setRange(0, 1000);
    position_->setTickInterval(100);
    position_->setTickPosition(QSlider::TicksBelow);
    connect(position_, &QSlider::sliderReleased, this,
            [this] { position_->setValue(transport_.PositionSlider(position_->value())); });
    elapsed_ = new QLabel("00:00", this);
    const double seconds = static_cast<double>(source.dataLength()) /
                           std::max(1, source.sampleRate() * source.channels() * 2);
    sliders->addWidget(new QLabel("speed", this), 0, 0);
    sliders->addWidget(speed, 0, 1);
    sliders->addWidget(speedField_, 0, 2);
    sliders->addWidget(elapsed_, 1, 0);
    sliders->addWidget(position_, 1, 1);
    sliders->addWidget(new QLabel(MinutesAndSeconds(seconds), this), 1, 2);
    layout->addLayout(sliders);
    layout->addWidget(new QLabel(InformationLine(source, path), this));

    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_.start(100);
}

void PlayerWindow::Tick() {
    transport_.Tick();
    elapsed_->setText(MinutesAndSeconds(transport_.ElapsedSeconds()));
    if (!position_->isSliderDown()) {
        position_->setValue(transport_.SliderPosition());
    }
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
