#include "host/ui/fft_properties_window.h"

#include "host/chain/spectral_settings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFont>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <cmath>

namespace lumisett::host::ui {
namespace {

constexpr int kSizes[] = {8192, 4096, 2048, 1024, 512, 256};
// The slider stands at (1 − v)·1000: 0 is the whole frame shared, 900 a tenth.
constexpr int kSliderRange = 900;
constexpr int kSliderTick = 100;
const QPoint kStepAside(135, 22);

// A caption drawn as a picture: the word in bold, engraved into the window's face.
QLabel* CaptionImage(QWidget* parent, const QString& word) {
    QFont font = parent->font();
    font.setPointSize(font.pointSize() + 2);
    font.setBold(true);
    const QFontMetrics metrics(font);
    QPixmap pixmap(metrics.horizontalAdvance(word) + 6, metrics.height() + 4);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font);
    painter.setPen(QColor(255, 255, 255, 200)); // the light edge below the cut
    painter.drawText(pixmap.rect().translated(1, 1), Qt::AlignCenter, word);
    painter.setPen(QColor(40, 52, 88));
    painter.drawText(pixmap.rect(), Qt::AlignCenter, word);
    painter.end();
    auto* label = new QLabel(parent);
    label->setPixmap(pixmap);
    label->setObjectName(word);
    label->setAccessibleName(word);
    return label;
}

int SliderPosition(float overlap) {
    return static_cast<int>(std::lround((1.0 - overlap) * 1000.0));
}

} // namespace

FftPropertiesWindow::FftPropertiesWindow(SpectralSettingsControl& control, QWidget* owner)
    : QDialog(owner), control_(control) {
    setWindowTitle(QString::fromLatin1(kFftPropertiesTitle));
    setModal(false);

    auto* sizeColumn = new QVBoxLayout;
    sizeColumn->addWidget(CaptionImage(this, QStringLiteral("Blocksize")));
    sizes_ = new QButtonGroup(this);
    for (int size : kSizes) {
        auto* button = new QRadioButton(QString::number(size), this);
        sizes_->addButton(button, size);
        sizeColumn->addWidget(button);
    }
    sizeColumn->addStretch();

    auto* overlapColumn = new QVBoxLayout;
    overlapColumn->addWidget(CaptionImage(this, QStringLiteral("Overlap")));
    overlapSlider_ = new QSlider(Qt::Vertical, this);
    overlapSlider_->setRange(0, kSliderRange);
    overlapSlider_->setTickInterval(kSliderTick);
    overlapSlider_->setTickPosition(QSlider::TicksBothSides);
    overlapSlider_->setInvertedAppearance(true); // position 0, the whole frame, at the top
    overlapSlider_->setMinimumHeight(6 * fontMetrics().height());
    overlapColumn->addWidget(overlapSlider_, 1, Qt::AlignHCenter);
    overlapField_ = new QLineEdit(this);
    overlapField_->setReadOnly(true);
    overlapField_->setAlignment(Qt::AlignRight);
    overlapField_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("1000%")) + 8);
    overlapColumn->addWidget(overlapField_, 0, Qt::AlignHCenter);

    mono_ = new QCheckBox(QStringLiteral("mono"), this);

    auto* layout = new QGridLayout(this);
    layout->addLayout(sizeColumn, 0, 0);
    layout->addLayout(overlapColumn, 0, 1);
    layout->addWidget(mono_, 1, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(sizes_, &QButtonGroup::idClicked, this, &FftPropertiesWindow::SizeChosen);
    connect(overlapSlider_, &QSlider::valueChanged, this, &FftPropertiesWindow::SliderMoved);
    connect(mono_, &QCheckBox::clicked, this, [this](bool checked) { control_.SetMono(checked); });
    ShowCurrentSettings();
}

void FftPropertiesWindow::ShowCurrentSettings() {
    if (QAbstractButton* current = sizes_->button(control_.transformSize())) {
        current->setChecked(true);
    }
    {
        // Placing the slider is no move of the user's: it must not round v to the slider's steps.
        const QSignalBlocker quiet(overlapSlider_);
        overlapSlider_->setValue(SliderPosition(control_.overlap()));
    }
    ShowOverlap(control_.overlap());
    mono_->setChecked(control_.mono());
}

void FftPropertiesWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!placed_) {
        placed_ = true;
        move(pos() - kStepAside);
    }
}

// A size the device buffer cannot hold is refused by the control; re-checking the size in
// force makes the refused button snap back.
void FftPropertiesWindow::SizeChosen(int size) {
    const int inForce = control_.ChooseTransformSize(size);
    if (QAbstractButton* current = sizes_->button(inForce)) {
        current->setChecked(true);
    }
}

void FftPropertiesWindow::SliderMoved(int position) {
    control_.SetOverlap(static_cast<float>(1.0 - position * 0.001));
    ShowOverlap(control_.overlap());
}

void FftPropertiesWindow::ShowOverlap(float overlap) {
    overlapField_->setText(QString::asprintf("%3.0f%%", static_cast<double>(overlap) * 100.0));
}

} // namespace lumisett::host::ui
