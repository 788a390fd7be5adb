#pragma once
// The FFT Properties window: the spectral stage's transform size, overlap and mono option.
// Modeless; the host opens it while a plug-in with the spectral flag sits in a slot and closes
// it when the last one leaves. Every change goes straight to the settings control, so it takes
// effect at the next block, also during playback.
//
// Threads: window thread only.

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QShowEvent;
class QSlider;

namespace lumisett::host {
class SpectralSettingsControl;
}

namespace lumisett::host::ui {

inline constexpr const char* kFftPropertiesTitle = " FFT Properties";

class FftPropertiesWindow final : public QDialog {
public:
    explicit FftPropertiesWindow(SpectralSettingsControl& control, QWidget* owner = nullptr);

    // Shows the settings as they are now; the I/O Options call it after they changed K.
    void ShowCurrentSettings();

protected:
    // The first time it appears, the window steps aside from its default place (centred on
    // its owner), so that it leaves the middle of the main window free.
    void showEvent(QShowEvent* event) override;

private:
    void SizeChosen(int size);
    void SliderMoved(int position);
    void ShowOverlap(float overlap);

    SpectralSettingsControl& control_;
    QButtonGroup* sizes_ = nullptr;
    QSlider* overlapSlider_ = nullptr;
    QLineEdit* overlapField_ = nullptr;
    QCheckBox* mono_ = nullptr;
    bool placed_ = false;
};

} // namespace lumisett::host::ui
