#include "plugins/denoise/editor/denoise_editor.h"

#include "plugin_common/ui/level_bar.h"
#include "plugin_common/ui/word_images.h"
#include "plugins/denoise/core/slider_scale.h"
#include "plugins/denoise/editor/noise_scope.h"
#include "plugins/denoise/editor/profile_manager.h"
#include "platform/message.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace lumisett::denoise {
namespace {

constexpr int kEditorMilliseconds = 100;
constexpr int kScopeHeight = 80;
constexpr int kBarHeight = 12;
// The level accumulator is halved once it holds this many bands, so the bar follows the
// last second or so rather than the whole session.
constexpr std::int32_t kDecayCount = 14;

QSlider* MakeSlider(QWidget* parent, const QString& name) {
    auto* slider = new QSlider(Qt::Vertical, parent);
    slider->setObjectName(name);
    slider->setRange(0, 100);
    slider->setTickInterval(10);
    slider->setTickPosition(QSlider::TicksBothSides);
    // Position 0 at the top, as the formulas count it.
    slider->setInvertedAppearance(true);
    slider->setMinimumHeight(130);
    return slider;
}

QLineEdit* ValueField(QWidget* parent, const QString& name) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignRight);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("-20.000")) + 12);
    return field;
}

QLabel* Legend(QWidget* parent, const QString& word, QColor colour) {
    const QFontMetrics metrics = parent->fontMetrics();
    const int height = metrics.height();
    QPixmap picture(14 + metrics.horizontalAdvance(word) + 2, height);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setFont(parent->font());
    painter.setPen(colour);
    painter.drawLine(0, height / 2, 10, height / 2);
    painter.drawText(QRect(14, 0, picture.width() - 14, height), Qt::AlignVCenter | Qt::AlignLeft, word);
    painter.end();
    auto* label = new QLabel(parent);
    label->setPixmap(picture);
    label->setAccessibleName(word);
    return label;
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

DenoiseEditor::DenoiseEditor(QWidget* owner, plugin::EditorSetup setup, DenoiseEffect& effect,
                             std::string statusText)
    : PluginEditor(owner, std::move(setup)), effect_(effect), statusText_(std::move(statusText)) {
    Denoiser& denoiser = effect_.denoiser();

    threshold_ = MakeSlider(this, QStringLiteral("thresholdSlider"));
    reduction_ = MakeSlider(this, QStringLiteral("reductionSlider"));
    thresholdValue_ = ValueField(this, QStringLiteral("thresholdValue"));
    reductionValue_ = ValueField(this, QStringLiteral("reductionValue"));
    auto* sliders = new QGridLayout;
    sliders->addWidget(threshold_, 0, 0, Qt::AlignHCenter);
    sliders->addWidget(reduction_, 0, 1, Qt::AlignHCenter);
    sliders->addWidget(new QLabel(QStringLiteral("threshold"), this), 1, 0, Qt::AlignHCenter);
    sliders->addWidget(new QLabel(QStringLiteral("reduction"), this), 1, 1, Qt::AlignHCenter);
    sliders->addWidget(thresholdValue_, 2, 0);
    sliders->addWidget(reductionValue_, 2, 1);

    // The scope, the bar and the status line share one width, as in the dialog's layout; a
    // scope wider than the 182 display bands leaves its right end black.
    const int width = statusLine()->minimumWidth();
    scope_ = new NoiseScope(this, QSize(width - 2, kScopeHeight), denoiser, effect_.statusWord());
    scope_->setObjectName(QStringLiteral("noiseScope"));
    auto* scopeFrame = new QFrame(this);
    scopeFrame->setFrameShape(QFrame::Box);
    auto* scopeBox = new QVBoxLayout(scopeFrame);
    scopeBox->setContentsMargins(1, 1, 1, 1);
    scopeBox->addWidget(scope_);
    auto* legend = new QHBoxLayout;
    legend->addWidget(Legend(this, QStringLiteral("input"), Qt::red));
    legend->addStretch();
    legend->addWidget(new QLabel(QStringLiteral("noise scope"), this));
    legend->addStretch();
    legend->addWidget(Legend(this, QStringLiteral("noise"), Qt::green));

    bar_ = new plugin::LevelBar(this, QSize(width, kBarHeight));
    bar_->setObjectName(QStringLiteral("noiseBar"));
    AddLevelBar(bar_);
    auto* barLabels = new QHBoxLayout;
    barLabels->addWidget(new QLabel(QStringLiteral("low"), this));
    barLabels->addStretch();
    barLabels->addWidget(new QLabel(QStringLiteral("noise level"), this));
    barLabels->addStretch();
    barLabels->addWidget(new QLabel(QStringLiteral("high"), this));

    auto* right = new QVBoxLayout;
    right->addWidget(scopeFrame);
    right->addLayout(legend);
    right->addWidget(bar_);
    right->addLayout(barLabels);
    right->addWidget(statusLine());

    auto* upper = new QHBoxLayout;
    upper->addLayout(sliders);
    upper->addLayout(right);

    auto* buttons = new QHBoxLayout;
    const std::array<QString, 3> kinds{QStringLiteral("white"), QStringLiteral("pink"), QStringLiteral("user")};
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        QPushButton* button = plugin::MakeImageButton(this, kinds[k]);
        button->setObjectName(kinds[k]);
        button->setCheckable(true);
        profileButtons_[k] = button;
        buttons->addWidget(button);
        QObject::connect(button, &QPushButton::clicked, this,
                         [this, k] { ChooseProfile(static_cast<std::int32_t>(k)); });
    }
    fingerprint_ = plugin::MakeImageButton(this, QStringLiteral("Fingerprint"));
    fingerprint_->setObjectName(QStringLiteral("Fingerprint"));
    QPushButton* help = plugin::MakeImageButton(this, QStringLiteral("Help"));
    help->setObjectName(QStringLiteral("Help"));
    buttons->addWidget(fingerprint_);
    buttons->addStretch();
    buttons->addWidget(help);
    QObject::connect(fingerprint_, &QPushButton::clicked, this, [this] { OpenManager(); });
    QObject::connect(help, &QPushButton::clicked, this, [this] { OpenHelp(); });

    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(upper);
    layout->addLayout(buttons);

    scope_->Start();
    bar_->Start();

    // The sliders show the state as it is; a value outside their range (an old record)
    // leaves the slider at its nearest end and the text telling the truth.
    const double t = denoiser.threshold();
    threshold_->setValue(ThresholdPosition(t));
    thresholdValue_->setText(Text(ValueText(DecibelsOfThreshold(t))));
    const float r = denoiser.reduction();
    reduction_->setValue(ReductionPosition(r));
    reductionValue_->setText(Text(ValueText(static_cast<double>(100.0f * r))));
    QObject::connect(threshold_, &QSlider::valueChanged, this, [this] { SlidersMoved(); });
    QObject::connect(reduction_, &QSlider::valueChanged, this, [this] { SlidersMoved(); });

    // Reopening restores the kind chosen before, the user profile included.
    if (!denoiser.recording()) {
        denoiser.SelectProfile(effect_.editorKind());
    }
    UpdateProfileButtons();

    editorTimer_.setParent(this);
    editorTimer_.setObjectName(QStringLiteral("editorTimer"));
    editorTimer_.setInterval(kEditorMilliseconds);
    QObject::connect(&editorTimer_, &QTimer::timeout, this, [this] { Tick(); });
    editorTimer_.start();
    FinishOpening();
}

void DenoiseEditor::SlidersMoved() {
    const double b = ThresholdDivisor(threshold_->value());
    effect_.SetThreshold(1.0 / b);
    thresholdValue_->setText(Text(ValueText(20.0 * std::log10(b))));
    const int q = reduction_->value();
    effect_.SetReduction(ReductionOf(q));
    reductionValue_->setText(Text(ValueText(100 - q)));
}

void DenoiseEditor::ChooseProfile(std::int32_t kind) {
    Denoiser& denoiser = effect_.denoiser();
    if (!denoiser.recording()) {
        if (kind == kUser && !denoiser.userProfileAvailable()) {
            platform::ShowMessage(kNoUserProfileCaption, kNoUserProfileText);
        } else if (denoiser.SelectProfile(kind)) {
            effect_.RememberKind(kind);
        }
    }
    UpdateProfileButtons();
}

void DenoiseEditor::UpdateProfileButtons() {
    fingerprint_->setFocus();
    const std::int32_t current = effect_.denoiser().profileKind();
    for (std::size_t k = 0; k < profileButtons_.size(); ++k) {
        profileButtons_[k]->setChecked(static_cast<std::int32_t>(k) == current);
    }
}

void DenoiseEditor::OpenManager() {
    if (manager_ != nullptr && !manager_->finished()) {
        return;
    }
    manager_ = new ProfileManager(this, effect_, [this] { UpdateProfileButtons(); });
    manager_->show();
    UpdateProfileButtons();
}

void DenoiseEditor::Tick() {
    Denoiser& denoiser = effect_.denoiser();
    const std::int32_t count = denoiser.levelCount().load(std::memory_order_relaxed);
    if (count != 0) {
        const float sum = denoiser.levelSum().load(std::memory_order_relaxed);
        bar_->SetTarget(sum / (static_cast<float>(count) * 30.0f));
        if (count >= kDecayCount) {
            denoiser.levelCount().store(count >> 1, std::memory_order_relaxed);
            denoiser.levelSum().store(sum * 0.5f, std::memory_order_relaxed);
        }
    }
    if (statusPending_) {
        statusPending_ = false;
        ShowStatus(statusText_);
    }
}

void DenoiseEditor::StopOwnTimers() {
    editorTimer_.stop();
    scope_->Stop();
    // The manager closes through its own path (a running recording is stopped), so that the
    // Fingerprint button can open it again when the editor comes back.
    if (manager_ != nullptr) {
        manager_->Finish();
        delete manager_.data();
    }
}

QIcon DenoiseIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(20, 28, 40));
    painter.drawRoundedRect(QRectF(1, 1, 30, 30), 5, 5);
    QPolygonF trace;
    for (int x = 4; x <= 28; ++x) {
        const double rough = x < 16 ? ((x * 7) % 5 - 2) * 1.2 : 0.0;
        trace << QPointF(x, 16 - 6 * std::sin((x - 4) / 24.0 * 6.283) + rough);
    }
    painter.setPen(QPen(QColor(0, 220, 120), 1.8));
    painter.drawPolyline(trace);
    return QIcon(pixmap);
}

} // namespace lumisett::denoise
