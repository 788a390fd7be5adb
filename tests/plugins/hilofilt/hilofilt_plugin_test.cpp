// The built plug-in, loaded the way the host loads it: a private copy of hilofilt.so with its
// descriptor and help file in a temporary folder, so its parameter file lands there.

#include "plugin_common/effect_api.h"
#include "platform/dynamic_library.h"
#include "plugins/hilofilt/core/graph_geometry.h"
#include "plugins/hilofilt/core/response_table.h"

#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/loaded_plugin.h"

#include <QAction>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace lumisett::hilofilt {
namespace {

using test::ProcessPendingEvents;

const QString kTitle = QStringLiteral("High- Lowpass 2.1");
constexpr float kReferenceNoise = static_cast<float>(1.0 / 46341.0);

std::uint32_t U32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

float F32(const std::string& bytes, std::size_t at) {
    return std::bit_cast<float>(U32(bytes, at));
}

void PutF32(std::string& bytes, std::size_t at, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    std::memcpy(bytes.data() + at, &bits, 4);
}

// A record as the plug-in writes it: magic, reserved, four parameters, rectangle.
std::string Record(float hpHz, float hpSlope, float lpHz, float lpSlope) {
    std::string bytes(48, '\0');
    const std::uint32_t magic = 0x26031970;
    std::memcpy(bytes.data(), &magic, 4);
    PutF32(bytes, 16, hpHz);
    PutF32(bytes, 20, hpSlope);
    PutF32(bytes, 24, lpHz);
    PutF32(bytes, 28, lpSlope);
    return bytes;
}

std::vector<float> Response(const FilterParameters& p, std::int32_t rate, std::int32_t bins) {
    std::vector<float> h(static_cast<std::size_t>(bins));
    BuildResponse(p, rate, bins, h.data());
    return h;
}

class LoadedHilofilt : public test::LoadedPluginTest {
protected:
    LoadedHilofilt() : LoadedPluginTest("hilofilt", {"GetNoiseTab", "SetEffectParam"}) {}

    // The table a frame meets: the left gain row of a frame of ones after DoEffect.
    std::vector<float> Applied(std::int32_t rate = 44100, std::int32_t bins = 2048) {
        std::vector<float> frame(4 * static_cast<std::size_t>(bins), 1.0f);
        plugin_.doEffect(rate, 3, bins, nullptr, frame.data());
        return {frame.begin() + bins, frame.begin() + 2 * bins};
    }

    QWidget* OpenEditor() {
        plugin_.openWindow(&owner_);
        ProcessPendingEvents();
        return test::OnlyVisibleWindow(kTitle);
    }

    static void Mouse(QWidget* widget, QEvent::Type type, QPoint at) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), widget->mapToGlobal(QPointF(at)), Qt::LeftButton, held,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
};

TEST_F(LoadedHilofilt, DescribesItselfFiltersAtTheDefaultsAndOffersItsNoiseTable) {
    const std::string said = Init();
    ASSERT_NE(descriptor_, nullptr);
    EXPECT_EQ(std::memcmp(descriptor_->magic, "QEXA", 4), 0);
    EXPECT_STREQ(descriptor_->name, "Zi-Di");
    EXPECT_EQ(descriptor_->kind, KIND_SPECTRAL);
    EXPECT_EQ(descriptor_->spectral, 1);
    EXPECT_EQ(descriptor_->latency, 0);
    EXPECT_NE(descriptor_->process, nullptr);
    EXPECT_NE(said.find("The parameter File is invalid"), std::string::npos) << said; // none yet
    EXPECT_NE(said.find(" Parameter file error:"), std::string::npos) << said;

    double* reference = nullptr;
    float* table = plugin_.noiseTab(&reference);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(reference, nullptr);
    EXPECT_EQ(*reference, 1.0);
    EXPECT_EQ(plugin_.openEffect(4096), 1);
    const auto h = Applied();
    EXPECT_EQ(h, Response(kDefaultParameters, 44100, 2048));
    EXPECT_EQ(table[1], NoiseValue(h[1]));
    EXPECT_EQ(table[2048 + 2047], NoiseValue(h[2047]));

    // Mask 0: the frame passes as it came.
    std::vector<float> frame(4 * 2048, 0.5f);
    plugin_.doEffect(44100, 0, 2048, nullptr, frame.data());
    EXPECT_EQ(frame, std::vector<float>(4 * 2048, 0.5f));
    plugin_.closeEffect();

    double* again = nullptr;
    EXPECT_EQ(plugin_.noiseTab(&again), table);
    EXPECT_EQ(again, reference);
    EXPECT_EQ(plugin_.noiseTab(nullptr), table);
    plugin_.exit();
}

TEST_F(LoadedHilofilt, TheRecordKeepsTheParametersAndWhatItDoesNotKnow) {
    Init();
    ASSERT_EQ(plugin_.setParam("hp_freq", "45.5"), 1);
    ASSERT_EQ(plugin_.setParam("hp_slope", "18"), 1);
    ASSERT_EQ(plugin_.setParam("lp_freq", "9000"), 1);
    ASSERT_EQ(plugin_.setParam("lp_slope", "6"), 1);
    plugin_.exit();
    std::string record = dir_.Read("hilofilt.par");
    ASSERT_EQ(record.size(), 48u);
    EXPECT_EQ(U32(record, 0), 0x26031970u);
    EXPECT_EQ(F32(record, 16), 45.5f);
    EXPECT_EQ(F32(record, 20), 18.0f);
    EXPECT_EQ(F32(record, 24), 9000.0f);
    EXPECT_EQ(F32(record, 28), 6.0f);

    // Read back as it is, even outside the editor's ranges; the reserved bytes survive.
    record = Record(10.0f, 30.0f, 22000.0f, 3.0f);
    record[5] = 'r';
    dir_.Write("hilofilt.par", record);
    Reload();
    EXPECT_EQ(Init(), "") << "a valid file says nothing";
    EXPECT_EQ(Applied(), Response({10.0f, 30.0f, 22000.0f, 3.0f}, 44100, 2048));
    plugin_.exit();
    const std::string kept = dir_.Read("hilofilt.par");
    EXPECT_EQ(kept[5], 'r');
    EXPECT_EQ(F32(kept, 16), 10.0f);
}

TEST_F(LoadedHilofilt, AnInvalidFileGivesTheMessageAndTheDefaults) {
    std::string tooLong = Record(100.0f, 6.0f, 5000.0f, 6.0f) + "x";
    std::string wrongMagic = Record(100.0f, 6.0f, 5000.0f, 6.0f);
    wrongMagic[0] = 0x71;
    for (const std::string& bytes : {tooLong, wrongMagic, std::string(47, '\0'), std::string()}) {
        dir_.Write("hilofilt.par", bytes);
        Reload();
        const std::string said = Init();
        EXPECT_NE(said.find("The parameter File is invalid"), std::string::npos) << bytes.size() << " bytes";
        EXPECT_EQ(Applied(), Response(kDefaultParameters, 44100, 2048)) << bytes.size() << " bytes";
        plugin_.exit();
        const std::string written = dir_.Read("hilofilt.par");
        ASSERT_EQ(written.size(), 48u);
        EXPECT_EQ(F32(written, 16), 30.0f);
        EXPECT_EQ(F32(written, 24), 13000.0f);
    }
    // A valid record whose values cannot make a table: each such value takes its default.
    dir_.Write("hilofilt.par", Record(std::nanf(""), 6.0f, -5.0f, 6.0f));
    Reload();
    Init();
    EXPECT_EQ(Applied(), Response({30.0f, 6.0f, 13000.0f, 6.0f}, 44100, 2048));
    plugin_.exit();
}

TEST_F(LoadedHilofilt, HeadlessKeysChangeTheTableAndRefuseWhatTheEditorWouldNotSet) {
    Init();
    struct Case {
        const char* key;
        const char* value;
        int accepted;
    };
    const Case cases[] = {
        {"hp_freq", "180", 1}, {"hp_freq", "200", 0}, {"hp_slope", "24", 1}, {"hp_slope", "25", 0},
        {"lp_freq", "2000", 1}, {"lp_freq", "25000", 0}, {"lp_slope", "0", 1}, {"lp_slope", "x", 0},
        {"flat", "yes", 0}, {"width", "3", 0}, {"persist", "0", 1}, {"persist", "2", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(plugin_.setParam(c.key, c.value), c.accepted) << c.key << "=" << c.value;
    }
    EXPECT_EQ(plugin_.setParam(nullptr, "1"), 0);
    EXPECT_EQ(plugin_.setParam("flat", nullptr), 0);
    EXPECT_EQ(Applied(), Response({180.0f, 24.0f, 2000.0f, 0.0f}, 44100, 2048));
    ASSERT_EQ(plugin_.setParam("flat", "1"), 1);
    EXPECT_EQ(Applied(), std::vector<float>(2048, 1.0f));
    float* noise = plugin_.noiseTab(nullptr);
    EXPECT_EQ(std::vector<float>(noise, noise + 4096), std::vector<float>(4096, kReferenceNoise));
    plugin_.exit();
    EXPECT_FALSE(dir_.Exists("hilofilt.par")) << "persist=0 writes nothing";
}

TEST_F(LoadedHilofilt, TheEditorDragsTheHandlesAndFlattensTheFilterAtOnce) {
    Init();
    plugin_.setParam("persist", "0");
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(OpenEditor(), nullptr) << "a second open makes no second window";
    auto* graph = editor->findChild<QWidget*>(QStringLiteral("responseGraph"));
    ASSERT_NE(graph, nullptr);
    bool aboutFound = false;
    for (QAction* action : editor->actions()) {
        aboutFound = aboutFound || action->text() == QStringLiteral("About low- highpass...");
    }
    EXPECT_TRUE(aboutFound);
    auto* timer = editor->findChild<QTimer*>(QStringLiteral("statusTimer"));
    ASSERT_NE(timer, nullptr);
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    EXPECT_EQ(editor->findChild<QLineEdit*>()->text().trimmed(), QStringLiteral("spectral high-pass and low-pass filter"));

    // The high-pass handle for the defaults, dragged to the top of its range's far end: 180 Hz
    // and slope 0, so the first elements pass at 1 while the low-pass stays.
    const GraphGeometry geometry(graph->width(), graph->height());
    const GraphPoint hp = HighPassHandle(geometry, kDefaultParameters);
    Mouse(graph, QEvent::MouseButtonPress, QPoint(hp.x + 1, hp.y - 2));
    Mouse(graph, QEvent::MouseMove, QPoint(geometry.width() + 50, -30));
    auto h = Applied();
    EXPECT_EQ(h, Response({180.0f, 0.0f, 13000.0f, 12.0f}, 44100, 2048));
    Mouse(graph, QEvent::MouseButtonRelease, QPoint(0, 0));
    Mouse(graph, QEvent::MouseMove, QPoint(hp.x, hp.y + 40));
    EXPECT_EQ(Applied(), h) << "after the release a move changes nothing";

    auto* flat = editor->findChild<QPushButton*>(QStringLiteral("Flat"));
    ASSERT_NE(flat, nullptr);
    flat->click();
    EXPECT_EQ(Applied(), std::vector<float>(2048, 1.0f));
    float* noise = plugin_.noiseTab(nullptr);
    EXPECT_EQ(std::vector<float>(noise, noise + 4096), std::vector<float>(4096, kReferenceNoise));
    plugin_.closeWindow();
    ProcessPendingEvents();
    plugin_.closeWindow(); // harmless when closed
    plugin_.exit();
}

// An analyzer that is loaded hears DenoClose when the filter exits; none is ever loaded for it.
TEST_F(LoadedHilofilt, ExitTellsALoadedAnalyzerAndNeverLoadsOne) {
    Init();
    plugin_.setParam("persist", "0");
    plugin_.exit();
    EXPECT_EQ(platform::DynamicLibrary::FindLoaded("analyzer.so"), nullptr);

    // The host loads every plug-in from the one program directory: the analyzer sits beside us.
    dir_.CopyIn(std::string(LUMISETT_TEST_BINARY_DIR) + "hilofilt_fake_analyzer/analyzer.so", "analyzer.so");
    std::string error;
    auto analyzer = platform::DynamicLibrary::Open(dir_.File("analyzer.so"), &error);
    ASSERT_NE(analyzer, nullptr) << error;
    auto calls = analyzer->Function<int (*)()>("FakeAnalyzerDenoCloseCalls");
    ASSERT_NE(calls, nullptr);
    Reload();
    Init();
    plugin_.setParam("persist", "0");
    EXPECT_EQ(calls(), 0);
    plugin_.exit();
    EXPECT_EQ(calls(), 1);
}

} // namespace
} // namespace lumisett::hilofilt
