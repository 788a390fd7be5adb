// The built plug-in, loaded the way the host loads it: a private copy of declicker.so with its
// descriptor and help file in a temporary folder, so that its parameter file lands there and
// never in the program directory.

#include "plugin_common/effect_api.h"

#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/loaded_plugin.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QCheckBox>
#include <QSlider>
#include <QImage>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>
#include <cmath>

namespace lumisett::declicker {
namespace {

using test::FieldText;
using test::Occurrences;
using test::ProcessPendingEvents;
using Bytes = std::vector<std::uint8_t>;

const QString kTitle = QStringLiteral(" Di-Rodivorer 2.1");

class LoadedDeclicker : public test::LoadedPluginTest {
protected:
    LoadedDeclicker() : LoadedPluginTest("declicker", {"SetEffectParam"}) {}

    static std::vector<QWidget*> Editors() { return test::WindowsTitled(kTitle); }

    QWidget* OpenEditor() {
        plugin_.openWindow(&owner_);
        ProcessPendingEvents();
        const auto editors = Editors();
        return editors.size() == 1 ? editors[0] : nullptr;
    }

    // Runs one block of `pairs` frames through DoEffect and returns it.
    std::vector<std::int16_t> Process(std::vector<std::int16_t> block, std::int32_t mask = 3) {
        plugin_.doEffect(44100, mask, static_cast<std::int32_t>(block.size() / 2), block.data(), nullptr);
        return block;
    }
};


// Little-endian fields of the saved parameter file.
template <typename T>
T Field(const Bytes& file, std::size_t offset) {
    T value{};
    std::memcpy(&value, file.data() + offset, sizeof value); // little-endian machine
    return value;
}

std::vector<std::int16_t> Silence(std::int32_t pairs) {
    return std::vector<std::int16_t>(2 * static_cast<std::size_t>(pairs), 0);
}

TEST_F(LoadedDeclicker, DescribesItselfAndSavesTheDefaultsBesideItsLibrary) {
    const std::string said = Init();
    ASSERT_NE(descriptor_, nullptr);
    EXPECT_EQ(std::memcmp(descriptor_->magic, "QEXA", 4), 0);
    EXPECT_STREQ(descriptor_->name, "De-scratcher");
    EXPECT_EQ(descriptor_->kind, KIND_BLOCK_PRE);
    EXPECT_EQ(descriptor_->spectral, 0);
    EXPECT_EQ(descriptor_->latency, 512);
    EXPECT_NE(descriptor_->process, nullptr);
    EXPECT_EQ(Occurrences(said, " Parameter file error:"), 1) << said;

    EXPECT_EQ(Occurrences(Exit(), "error"), 0);
    const Bytes file = ParameterFile();
    ASSERT_EQ(file.size(), 56u);
    EXPECT_EQ(Field<std::uint32_t>(file, 0), 0x26031970u);
    EXPECT_EQ(Field<std::int32_t>(file, 4), 0);
    EXPECT_EQ(Field<double>(file, 8), 100.0);
    EXPECT_EQ(Field<double>(file, 24), 100.0);
    EXPECT_EQ(Field<std::int16_t>(file, 32), 1);
    EXPECT_EQ(Field<std::int16_t>(file, 34), 500);
    EXPECT_EQ(Field<std::int16_t>(file, 36), 8);
    EXPECT_EQ(Field<std::int16_t>(file, 38), 12);
}

TEST_F(LoadedDeclicker, ASpikeOfEitherSignInSilenceLeavesAsSilence512FramesLater) {
    // The record as read: bytes 16..23 are someone else's and go back unchanged.
    Bytes file(56, 0);
    const double d = 100.0;
    const std::int16_t shape[] = {1, 500, 8, 12};
    std::memcpy(file.data(), "\x70\x19\x03\x26", 4);
    std::memcpy(file.data() + 8, &d, 8);
    std::memcpy(file.data() + 16, "keep me!", 8);
    std::memcpy(file.data() + 24, &d, 8);
    std::memcpy(file.data() + 32, shape, sizeof shape);
    dir_.Write("declicker.par", file);
    EXPECT_EQ(Occurrences(Init(), "error"), 0);

    ASSERT_EQ(plugin_.openEffect(4096), 1);
    auto block = Silence(4096);
    block[2 * 100] = 1000;
    block[2 * 100 + 1] = -1000;
    block[2 * 3000] = -1000;
    block[2 * 3000 + 1] = 1000;
    EXPECT_EQ(Process(block), Silence(4096));
    EXPECT_EQ(Process(Silence(4096)), Silence(4096)) << "the repaired history";
    plugin_.closeEffect();
    Exit();
    EXPECT_EQ(ParameterFile(), file);
}

TEST_F(LoadedDeclicker, RenderKeysAreTakenOrRefusedWithoutEffect) {
    Init();
    EXPECT_EQ(plugin_.setParam("persist", "0"), 1);
    EXPECT_EQ(plugin_.setParam("declick", "60"), 1);
    EXPECT_EQ(plugin_.setParam("decrackle", "100"), 1);
    EXPECT_EQ(plugin_.setParam("deplop", "0"), 1);
    EXPECT_EQ(plugin_.setParam("mono", "1"), 1);
    for (const char* refused : {"declick=100.5", "decrackle=-3", "mono=yes", "deplop=2", "strength=1"}) {
        const std::string text(refused);
        const auto equals = text.find('=');
        EXPECT_EQ(plugin_.setParam(text.substr(0, equals).c_str(), text.substr(equals + 1).c_str()), 0) << refused;
    }
    EXPECT_EQ(plugin_.setParam(nullptr, "1"), 0);

    ASSERT_EQ(plugin_.openEffect(1024), 1);
    auto block = Silence(1024);
    for (std::size_t i = 0; i < block.size(); i += 2) {
        block[i] = -3; // a constant pair: nothing to repair once it has begun
    }
    Process(block);
    const auto out = Process(block);
    EXPECT_EQ(out[2 * 700], -2) << "mono: floor((-3 + 0) / 2)";
    EXPECT_EQ(out[2 * 700 + 1], -2);
    plugin_.closeEffect();
    Exit();
    EXPECT_FALSE(dir_.Exists("declicker.par")) << "persist=0";
}

TEST_F(LoadedDeclicker, TheEditorShowsAndChangesTheSettings) {
    Init();
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    auto* declick = editor->findChild<QSlider*>(QStringLiteral("declickSlider"));
    auto* decrackle = editor->findChild<QSlider*>(QStringLiteral("decrackleSlider"));
    auto* deplop = editor->findChild<QCheckBox*>(QStringLiteral("deplop"));
    auto* mono = editor->findChild<QCheckBox*>(QStringLiteral("mono"));
    ASSERT_TRUE(declick && decrackle && deplop && mono);
    EXPECT_EQ(declick->value(), 75);
    EXPECT_EQ(decrackle->value(), 100);
    EXPECT_EQ(FieldText(editor, "declickValue"), "25.00");
    EXPECT_EQ(FieldText(editor, "decrackleValue"), "0.00");
    EXPECT_TRUE(deplop->isChecked());
    EXPECT_FALSE(mono->isChecked());
    EXPECT_TRUE(editor->findChild<QLineEdit*>()->text().size() > 0);

    declick->setValue(50);
    EXPECT_EQ(FieldText(editor, "declickValue"), "50.00");
    deplop->setChecked(false);
    mono->setChecked(true);
    Exit();
    const Bytes file = ParameterFile();
    EXPECT_NEAR(Field<double>(file, 8), 42.7828, 1e-4);
    EXPECT_EQ(Field<double>(file, 24), 100.0) << "de-plop leaves decrackle alone";
    EXPECT_EQ(Field<std::int32_t>(file, 4), 1);
    EXPECT_EQ(Field<std::int16_t>(file, 36), 2);
    EXPECT_EQ(Field<std::int16_t>(file, 38), 4);

    Reload();
    Init();
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->findChild<QSlider*>(QStringLiteral("declickSlider"))->value(), 50);
    EXPECT_FALSE(editor->findChild<QCheckBox*>(QStringLiteral("deplop"))->isChecked());
    Exit();
}

TEST_F(LoadedDeclicker, TheScopeChartsClicksFallsWhilePausedAndIdlesAfterTheStream) {
    Init();
    EXPECT_EQ(plugin_.setParam("persist", "0"), 1);
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    QWidget* scope = editor->findChild<QWidget*>(QStringLiteral("scratchScope"));
    ASSERT_NE(scope, nullptr);
    const int w = scope->width();
    const int h = scope->height();
    auto newest = [&](int row) { return scope->grab().toImage().pixelColor(w - 1, row); };
    const QColor red(255, 0, 0);
    const QColor black(0, 0, 0);

    ASSERT_EQ(plugin_.openEffect(4096), 1);
    auto block = Silence(4096);
    for (int i = 0; i < 15; ++i) {
        block[2 * (200 + 200 * i)] = 1000;
        block[2 * (300 + 200 * i) + 1] = -1000;
    }
    Process(block); // 30 clicks in both channels together: the trace rises 15 pixels
    const QImage chart = scope->grab().toImage();
    EXPECT_EQ(chart.pixelColor(w - 1, h - 1), red);
    EXPECT_EQ(chart.pixelColor(w - 1, h - 14), red);
    EXPECT_EQ(chart.pixelColor(w - 1, h - 15), black);
    EXPECT_EQ(newest(h - 14), red) << "no new block: the trace goes on at its level";
    EXPECT_EQ(newest(h - 13), black);

    __atomic_store_n(&status_, HOST_STATUS_PAUSED, __ATOMIC_RELAXED);
    EXPECT_EQ(newest(h - 1), red) << "falling to the bottom";
    EXPECT_EQ(newest(h - 1), black) << "and resting there";
    __atomic_store_n(&status_, 0, __ATOMIC_RELAXED);

    plugin_.closeEffect();
    const QImage idle = scope->grab().toImage();
    bool drawn = false;
    for (int x = 0; x < w && !drawn; ++x) {
        drawn = idle.pixelColor(x, h / 2) != black;
    }
    EXPECT_TRUE(drawn) << "the idle picture";
    Exit();
}

TEST_F(LoadedDeclicker, TheEditorOffersAboutAndHelp) {
    Init();
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    QAction* about = nullptr;
    for (QAction* action : editor->actions()) {
        about = action->text() == "About Descratcher..." ? action : about;
    }
    ASSERT_NE(about, nullptr);
    about->trigger();
    auto* box = editor->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), "Di-Rodivorer 2.1");

    auto* help = editor->findChild<QPushButton*>(QStringLiteral("Help"));
    ASSERT_NE(help, nullptr);
    EXPECT_FALSE(help->icon().isNull());
    help->click();
    bool helpShown = false;
    for (QDialog* window : editor->findChildren<QDialog*>()) {
        helpShown = helpShown || window->windowTitle().contains(QStringLiteral("De-scratcher"));
    }
    EXPECT_TRUE(helpShown);
    Exit();
}

TEST_F(LoadedDeclicker, OpensOneEditorAndClosesIt) {
    Init();
    plugin_.openWindow(&owner_);
    plugin_.openWindow(&owner_);
    ProcessPendingEvents();
    ASSERT_EQ(Editors().size(), 1u);
    plugin_.closeWindow();
    EXPECT_TRUE(Editors().empty());
    plugin_.closeWindow();
    Exit();
}

} // namespace
} // namespace lumisett::declicker
