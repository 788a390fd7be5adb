#include "plugin_common/ui/level_bar.h"
#include "plugin_common/ui/plugin_editor.h"
#include "plugin_common/ui/word_images.h"
#include "plugin_common/runtime/status_line.h"

#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/message_capture.h"
#include "tests/support/temp_dir.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace lumisett::plugin {
namespace {

using test::ProcessPendingEvents;

constexpr ParameterLayout kLayout{"test.par", 32, 1, 16};

class TestEditor : public PluginEditor {
public:
    TestEditor(QWidget* owner, EditorSetup setup) : PluginEditor(owner, std::move(setup)) {
        button = MakeImageButton(this, QStringLiteral("Press"));
        QObject::connect(button, &QPushButton::clicked, this, [this] { ++presses; });
        bar = new LevelBar(this, QSize(100, 10));
        AddLevelBar(bar);
        bar->Start();
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(bar);
        layout->addWidget(statusLine());
        layout->addWidget(button);
        FinishOpening();
    }

    QPushButton* button = nullptr;
    LevelBar* bar = nullptr;
    int presses = 0;
    int timerStops = 0;

private:
    void StopOwnTimers() override { ++timerStops; }
};

class PluginEditorTest : public testing::Test {
protected:
    PluginEditorTest() : record_(kLayout) {}
    ~PluginEditorTest() override {
        delete editor_.data();
        ProcessPendingEvents();
    }

    TestEditor* Open() {
        EditorSetup setup{.title = QStringLiteral("Test 2.1"),
                          .aboutMenuItem = QStringLiteral("About Test..."),
                          .aboutTitle = QStringLiteral("Test about"),
                          .aboutText = QStringLiteral("about text"),
                          .icon = {},
                          .helpFile = dir_.File("test.hlp"),
                          .record = &record_};
        editor_ = new TestEditor(&owner_, std::move(setup));
        editor_->show();
        ProcessPendingEvents();
        return editor_;
    }

    static void Press(QWidget* target, Qt::Key key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }

    test::TempDir dir_;
    ParameterRecord record_;
    QWidget owner_;
    QPointer<TestEditor> editor_;
};

WindowRect RectOf(const QRect& place) {
    return {place.left(), place.top(), place.left() + place.width(), place.top() + place.height()};
}

// Moves the window by its frame, as a user would; the record keeps the client rectangle that
// the next opening restores.
void MoveAndSettle(QWidget& window, QPoint to) {
    window.move(to);
    ProcessPendingEvents();
}

TEST_F(PluginEditorTest, OpensAtTheSavedPlaceAndRecordsEveryMove) {
    record_.SetRectangle({200, 150, 800, 540}); // larger than the least the layout needs
    TestEditor* editor = Open();
    EXPECT_EQ(editor->windowTitle(), "Test 2.1");
    EXPECT_EQ(editor->geometry(), QRect(200, 150, 600, 390));
    EXPECT_TRUE(editor->tracking());

    MoveAndSettle(*editor, {300, 40});

    EXPECT_NE(record_.rectangle().left, 200);
    EXPECT_EQ(record_.rectangle(), RectOf(editor->geometry()));
}

TEST_F(PluginEditorTest, AnUntrustedPlaceIsIgnoredButMovesAreStillRecorded) {
    record_.SetRectangle({700, 600, 1000, 800});
    record_.SetPositionValid(false);
    TestEditor* editor = Open();
    EXPECT_NE(editor->geometry().topLeft(), QPoint(700, 600));

    MoveAndSettle(*editor, {33, 44});

    EXPECT_LT(record_.rectangle().left, 100);
    EXPECT_EQ(record_.rectangle(), RectOf(editor->geometry()));
}

TEST_F(PluginEditorTest, EnterPressesNothing) {
    TestEditor* editor = Open();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        Press(editor->button, key);
        Press(editor, key);
    }
    EXPECT_EQ(editor->presses, 0);
    EXPECT_TRUE(editor->isOpen());
    EXPECT_TRUE(editor->isVisible());
}

struct CloseCase {
    const char* name;
    void (*close)(PluginEditor& editor);
};

class PluginEditorClose : public PluginEditorTest,
                          public testing::WithParamInterface<CloseCase> {};

TEST_P(PluginEditorClose, RunsTheCloseActionOnceAndDestroysTheWindow) {
    TestEditor* editor = Open();
    GetParam().close(*editor);

    EXPECT_FALSE(editor->isOpen());
    EXPECT_FALSE(editor->tracking());
    EXPECT_FALSE(editor->isVisible());
    EXPECT_FALSE(editor->bar->running());
    editor->CloseAction(); // a second close does nothing more
    EXPECT_EQ(editor->timerStops, 1);

    ProcessPendingEvents();
    EXPECT_TRUE(editor_.isNull());
}

const CloseCase kCloses[] = {
    {"escape", [](PluginEditor& e) {
         QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
         QApplication::sendEvent(&e, &escape);
     }},
    {"close_box", [](PluginEditor& e) { e.close(); }},
};
INSTANTIATE_TEST_SUITE_P(Ways, PluginEditorClose, testing::ValuesIn(kCloses),
                         [](const auto& test) { return std::string(test.param.name); });

TEST_F(PluginEditorTest, TheMenuEntryOpensTheAboutBox) {
    TestEditor* editor = Open();
    ASSERT_EQ(editor->aboutAction()->text(), "About Test...");
    EXPECT_TRUE(editor->actions().contains(editor->aboutAction()));
    EXPECT_EQ(editor->contextMenuPolicy(), Qt::ActionsContextMenu);

    editor->aboutAction()->trigger();

    auto* about = editor->findChild<QMessageBox*>();
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->windowTitle(), "Test about");
    EXPECT_EQ(about->text(), "about text");
}

TEST_F(PluginEditorTest, F1OpensTheHelpFile) {
    dir_.Write("test.hlp", std::string("<html><head><title>Test help</title></head>"
                                       "<body><p>Help body</p></body></html>"));
    TestEditor* editor = Open();

    Press(editor->button, Qt::Key_F1);

    bool shown = false;
    for (auto* window : editor->findChildren<QDialog*>()) {
        shown = shown || (window->windowTitle() == "Test help" && window->isVisible());
    }
    EXPECT_TRUE(shown);
}

TEST_F(PluginEditorTest, AMissingHelpFileIsReportedNotFatal) {
    TestEditor* editor = Open();
    test::MessageCapture capture;
    editor->OpenHelp();
    EXPECT_EQ(capture.messages().size(), 1u);
    EXPECT_TRUE(editor->isOpen());
}

TEST_F(PluginEditorTest, TheStatusLineShowsTheCentredTextReadOnly) {
    TestEditor* editor = Open();
    editor->ShowStatus("ready");
    EXPECT_EQ(editor->statusLine()->text().toStdString(), CenterStatusText("ready"));
    EXPECT_TRUE(editor->statusLine()->isReadOnly());
}

QRgb Rgb(int red, int green, int blue) {
    return qRgb(red, green, blue);
}

TEST(LevelBarPaint, DrawsLitAndUnlitSegmentsFromTheImage) {
    LevelBar bar(nullptr, QSize(100, 10));
    bar.SetTarget(1.0f);
    bar.Start();

    QImage full = bar.grab().toImage(); // one repaint at full level
    EXPECT_EQ(full.pixel(0, 5), Rgb(0, 255, 0));
    EXPECT_EQ(full.pixel(2, 5), Rgb(0, 0, 0)) << "gap between segments";
    EXPECT_EQ(full.pixel(0, 0), Rgb(0, 0, 0)) << "segments leave the top row";
    EXPECT_EQ(full.pixel(0, 9), Rgb(0, 0, 0)) << "and the bottom row";
    EXPECT_EQ(full.pixel(69, 5), Rgb(255, 255, 0));
    EXPECT_EQ(full.pixel(97, 5), Rgb(255, 0, 0));

    bar.SetTarget(0.0f);
    QImage falling = bar.grab().toImage(); // 0.9 now: lit up to x = 90
    EXPECT_FLOAT_EQ(bar.shown(), 0.9f);
    EXPECT_EQ(falling.pixel(87, 5), Rgb(255, 255, 0));
    EXPECT_EQ(falling.pixel(90, 5), Rgb(60, 0, 0));

    bar.Stop();
    EXPECT_FALSE(bar.running());
}

} // namespace
} // namespace lumisett::plugin
