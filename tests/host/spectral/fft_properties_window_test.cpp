// The FFT Properties window under the offscreen platform, wired to the real settings control.

#include "host/chain/spectral_settings.h"
#include "host/ui/fft_properties_window.h"

#include "tests/plugin_common/qt_test_application.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace lumisett::host::ui {
namespace {

using Setups = std::vector<std::pair<int32_t, float>>;

class FftPropertiesWindowTest : public testing::Test {
protected:
    FftPropertiesWindowTest()
        : control(settings, controls, [this](int32_t k, float v) { setups.emplace_back(k, v); }) {}

    QRadioButton* SizeButton(FftPropertiesWindow& window, const QString& text) {
        for (QRadioButton* button : window.findChildren<QRadioButton*>()) {
            if (button->text() == text) return button;
        }
        ADD_FAILURE() << "no size button " << text.toStdString();
        return nullptr;
    }

    HostSettings settings; // device buffer 4096 pairs, N = 2048, v = 0.5
    ChainControls controls;
    Setups setups;
    SpectralSettingsControl control;
};

TEST_F(FftPropertiesWindowTest, RefusesATooLargeSizeAndPassesOverlapAndMonoOn) {
    FftPropertiesWindow window(control);
    window.show();
    test::ProcessPendingEvents();
    EXPECT_EQ(window.windowTitle(), QStringLiteral(" FFT Properties"));
    for (const char* caption : {"Blocksize", "Overlap"}) {
        auto* image = window.findChild<QLabel*>(caption);
        ASSERT_NE(image, nullptr) << caption;
        EXPECT_FALSE(image->pixmap().isNull()) << caption;
    }
    auto* slider = window.findChild<QSlider*>();
    auto* field = window.findChild<QLineEdit*>();
    auto* mono = window.findChild<QCheckBox*>();
    ASSERT_TRUE(slider && field && mono);
    EXPECT_TRUE(SizeButton(window, "2048")->isChecked());
    EXPECT_EQ(slider->value(), 500);
    EXPECT_EQ(field->text(), QStringLiteral(" 50%"));
    EXPECT_TRUE(field->isReadOnly());

    SizeButton(window, "8192")->click(); // larger than the device buffer: snaps back
    EXPECT_TRUE(SizeButton(window, "2048")->isChecked());
    EXPECT_FALSE(SizeButton(window, "8192")->isChecked());
    EXPECT_EQ(settings.halfTransform, 1024);

    SizeButton(window, "512")->click();
    EXPECT_TRUE(SizeButton(window, "512")->isChecked());
    EXPECT_EQ(settings.halfTransform, 256);

    slider->setValue(900);
    EXPECT_EQ(settings.overlap, 0.1f);
    EXPECT_EQ(field->text(), QStringLiteral(" 10%"));
    EXPECT_EQ(setups, (Setups{{1024, 0.5f}, {256, 0.5f}, {256, 0.1f}}));

    mono->click();
    EXPECT_EQ(settings.spectralMono, 1);
    EXPECT_TRUE(controls.spectralMono.load());

    window.close();
    test::ProcessPendingEvents();
    EXPECT_FALSE(window.isVisible());
}

TEST_F(FftPropertiesWindowTest, ShowsSettingsChangedElsewhere) {
    FftPropertiesWindow window(control);
    // The I/O Options lowered the device buffer and K with it.
    settings.halfTransform = 512;
    settings.overlap = 1.0f;
    window.ShowCurrentSettings();
    EXPECT_TRUE(SizeButton(window, "1024")->isChecked());
    EXPECT_EQ(window.findChild<QSlider*>()->value(), 0);
    EXPECT_EQ(window.findChild<QLineEdit*>()->text(), QStringLiteral("100%"));
    EXPECT_TRUE(setups.empty()); // showing changes nothing
}

} // namespace
} // namespace lumisett::host::ui
