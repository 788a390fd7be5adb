// The built plug-in, loaded the way the host loads it: a private copy of zeroline.so with its
// descriptor and help file in a temporary folder, so that its parameter file lands there and
// never in the program directory.

#include "plugin_common/effect_api.h"

#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/loaded_plugin.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace lumisett::zeroline {
namespace {

using test::FieldText;
using test::Occurrences;
using test::ProcessPendingEvents;
using Bytes = std::vector<std::uint8_t>;

const QString kTitle = QStringLiteral("DI-Revivad 2.1");

class LoadedZeroline : public test::LoadedPluginTest {
protected:
    LoadedZeroline() : LoadedPluginTest("zeroline") {}

    static std::vector<QWidget*> Editors() { return test::WindowsTitled(kTitle); }

    QWidget* OpenEditor() {
        plugin_.openWindow(&owner_);
        ProcessPendingEvents();
        const auto editors = Editors();
        return editors.size() == 1 ? editors[0] : nullptr;
    }

    // One tick of the editor's meter timer, without waiting for it.
    static void TickMeters(QWidget* editor) {
        auto* timer = editor->findChild<QTimer*>(QStringLiteral("meterTimer"));
        ASSERT_NE(timer, nullptr);
        ASSERT_EQ(timer->interval(), 100);
        QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    }
};

TEST_F(LoadedZeroline, DescribesItselfAndWritesItsFileBesideItsLibrary) {
    const std::string said = Init();
    ASSERT_NE(descriptor_, nullptr);
    EXPECT_EQ(std::memcmp(descriptor_->magic, "QEXA", 4), 0);
    EXPECT_STREQ(descriptor_->name, "DI-Revivad");
    EXPECT_EQ(descriptor_->kind, KIND_BLOCK_PRE);
    EXPECT_EQ(descriptor_->spectral, 0);
    EXPECT_EQ(descriptor_->latency, 0);
    EXPECT_EQ(descriptor_->reserved, 0);
    EXPECT_NE(descriptor_->process, nullptr);
    EXPECT_EQ(Occurrences(said, " Parameter file error:"), 1) << said;
    EXPECT_FALSE(dir_.Exists("zeroline.par")) << "written at exit, not before";

    EXPECT_EQ(Occurrences(Exit(), "error"), 0);

    Bytes expected(32, 0);
    const std::uint8_t magic[] = {0x70, 0x19, 0x03, 0x26};
    std::copy(std::begin(magic), std::end(magic), expected.begin());
    EXPECT_EQ(ParameterFile(), expected);
}

TEST_F(LoadedZeroline, KeepsReservedBytesAndPlaceAsRead) {
    Bytes file(32, 0);
    const std::uint8_t content[] = {0x70, 0x19, 0x03, 0x26, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
                                    50, 0, 0, 0, 60, 0, 0, 0, 0x90, 1, 0, 0, 0x2c, 1, 0, 0};
    std::copy(std::begin(content), std::end(content), file.begin());
    dir_.Write("zeroline.par", file);

    EXPECT_EQ(Occurrences(Init(), "error"), 0);
    Exit();

    EXPECT_EQ(ParameterFile(), file);
}

TEST_F(LoadedZeroline, AFileOneByteTooLongIsReplacedByAValidOne) {
    Bytes file(33, 0);
    const std::uint8_t magic[] = {0x70, 0x19, 0x03, 0x26};
    std::copy(std::begin(magic), std::end(magic), file.begin());
    dir_.Write("zeroline.par", file);

    EXPECT_EQ(Occurrences(Init(), " Parameter file error:"), 1);
    Exit();

    file.pop_back();
    EXPECT_EQ(ParameterFile(), file);
}

TEST_F(LoadedZeroline, FiltersBlocksOnlyWhileOpenAndWithinTheirLength) {
    Init();
    constexpr std::int32_t kPairs = 512;
    const std::vector<std::int16_t> input(2 * kPairs, 1000);
    std::vector<std::int16_t> block = input;

    plugin_.doEffect(44100, CHANNEL_MASK_STEREO, kPairs, block.data(), nullptr);
    EXPECT_EQ(block, input) << "not open yet";

    ASSERT_EQ(plugin_.openEffect(kPairs), 1);
    plugin_.doEffect(44100, CHANNEL_MASK_STEREO, kPairs + 1, block.data(), nullptr);
    plugin_.doEffect(44100, CHANNEL_MASK_STEREO, kPairs, nullptr, nullptr);
    plugin_.doEffect(44100, CHANNEL_MASK_BYPASS, kPairs, block.data(), nullptr);
    EXPECT_EQ(block, input);

    plugin_.doEffect(44100, CHANNEL_MASK_STEREO, kPairs, block.data(), nullptr);
    EXPECT_EQ(block[0], 1000);
    EXPECT_EQ(block[1], 1000);
    EXPECT_EQ(block[2 * kPairs - 2], 903) << "999.9 * 0.9998^511";

    plugin_.closeEffect();
    block = input;
    plugin_.doEffect(44100, CHANNEL_MASK_STEREO, kPairs, block.data(), nullptr);
    EXPECT_EQ(block, input) << "closed again";
    Exit();
}

TEST_F(LoadedZeroline, OpensOneEditorAndClosesItHarmlessly) {
    Init();
    plugin_.openWindow(nullptr);
    EXPECT_TRUE(Editors().empty()) << "no owner, no window";

    plugin_.openWindow(&owner_);
    plugin_.openWindow(&owner_);
    ProcessPendingEvents();
    ASSERT_EQ(Editors().size(), 1u);
    EXPECT_TRUE(Editors()[0]->isVisible());
    EXPECT_EQ(Editors()[0]->parentWidget(), &owner_);

    plugin_.closeWindow();
    EXPECT_TRUE(Editors().empty()) << "destroyed at once";
    plugin_.closeWindow();
    Exit();
}

TEST_F(LoadedZeroline, EscapeClosesTheEditorAndItCanBeOpenedAgain) {
    Init();
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);

    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(editor, &escape);
    ProcessPendingEvents();
    EXPECT_TRUE(Editors().empty());

    EXPECT_NE(OpenEditor(), nullptr);
    Exit();
}

TEST_F(LoadedZeroline, TheLastPlaceIsSavedAtExitAndRestoredNextTime) {
    Init(); // no file: the platform places the first window
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    editor->move(140, 90);
    ProcessPendingEvents();
    const QRect place = editor->geometry();

    Exit(); // the host's way out: no CloseEffWindow before ExitEffect
    EXPECT_TRUE(Editors().empty()) << "ExitEffect takes the window down with it";

    const Bytes file = ParameterFile();
    ASSERT_EQ(file.size(), 32u);
    auto at = [&file](std::size_t offset) {
        std::int32_t value;
        std::memcpy(&value, file.data() + offset, 4); // little-endian machine
        return value;
    };
    EXPECT_EQ(at(16), place.left());
    EXPECT_EQ(at(20), place.top());
    EXPECT_EQ(at(24), place.left() + place.width());
    EXPECT_EQ(at(28), place.top() + place.height());

    Reload();
    EXPECT_EQ(Occurrences(Init(), "error"), 0);
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->geometry(), place);
    Exit();
}

TEST_F(LoadedZeroline, TheEditorShowsTheCorrectionHeldUntilReset) {
    Init();
    constexpr std::int32_t kPairs = 256;
    ASSERT_EQ(plugin_.openEffect(kPairs), 1);
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(FieldText(editor, "leftValue"), "-inf");

    std::vector<std::int16_t> block(2 * kPairs);
    for (std::int32_t i = 0; i < kPairs; ++i) {
        block[2 * i] = 1000; // left: an offset of 1000; right: silence
    }
    plugin_.doEffect(44100, CHANNEL_MASK_STEREO, kPairs, block.data(), nullptr);
    TickMeters(editor);
    EXPECT_EQ(FieldText(editor, "leftValue"), "-56.3") << "1000 - 950 = 50 below 32768";
    EXPECT_EQ(FieldText(editor, "rightValue"), "-inf");

    __atomic_store_n(&status_, HOST_STATUS_PAUSED, __ATOMIC_RELAXED);
    TickMeters(editor); // still shows the last block, then forgets it
    auto* reset = editor->findChild<QPushButton*>(QStringLiteral("Reset"));
    ASSERT_NE(reset, nullptr);
    EXPECT_FALSE(reset->icon().isNull());
    reset->click();
    TickMeters(editor);
    EXPECT_EQ(FieldText(editor, "leftValue"), "-inf");
    Exit();
}

TEST_F(LoadedZeroline, TheEditorOffersAboutAndHelp) {
    Init();
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    auto* caption = editor->findChild<QLabel*>(QStringLiteral("caption"));
    ASSERT_NE(caption, nullptr);
    EXPECT_FALSE(caption->pixmap().isNull());

    QAction* about = nullptr;
    for (QAction* action : editor->actions()) {
        about = action->text() == "About DC-offset..." ? action : about;
    }
    ASSERT_NE(about, nullptr);
    about->trigger();
    auto* box = editor->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), kTitle);

    auto* help = editor->findChild<QPushButton*>(QStringLiteral("Help"));
    ASSERT_NE(help, nullptr);
    help->click();
    bool helpShown = false;
    for (QDialog* window : editor->findChildren<QDialog*>()) {
        helpShown = helpShown || window->windowTitle().contains(QStringLiteral("DC-offset remover"));
    }
    EXPECT_TRUE(helpShown);
    Exit();
}

} // namespace
} // namespace lumisett::zeroline
