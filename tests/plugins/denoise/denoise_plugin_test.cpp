// The built plug-in, loaded the way the host loads it: a private copy of denoise.so with its
// descriptor and help file in a temporary folder, so its parameter file lands there.

#include "plugin_common/effect_api.h"
#include "plugins/denoise/core/profile_file.h"

#include "tests/plugin_common/qt_test_application.h"
#include "tests/support/loaded_plugin.h"

#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <vector>

namespace lumisett::denoise {
namespace {

using test::FieldText;
using test::ProcessPendingEvents;
using test::StderrCapture;

const QString kTitle = QStringLiteral(" Ve-Vidare 2.1");
const QString kManagerTitle = QStringLiteral(" Noiseprofile Manager");

// A frame of `bins` per channel with a sloped magnitude, gains at 1/bins.
std::vector<float> SlopedFrame(int bins, float scale) {
    std::vector<float> frame(4 * static_cast<std::size_t>(bins));
    for (int c = 0; c < 2; ++c) {
        for (int i = 0; i < bins; ++i) {
            const auto at = static_cast<std::size_t>(2 * c * bins + i);
            frame[at] = scale * static_cast<float>(1 + (i % 37));
            frame[at + static_cast<std::size_t>(bins)] = 1.0f / static_cast<float>(bins);
        }
    }
    return frame;
}

class LoadedDenoise : public test::LoadedPluginTest {
protected:
    LoadedDenoise() : LoadedPluginTest("denoise", {"GetNoiseTab", "SetEffectParam"}) {}

    std::vector<float> Process(std::vector<float> frame, int bins = 1024) {
        plugin_.doEffect(44100, 3, bins, nullptr, frame.data());
        return frame;
    }

    QWidget* OpenEditor() {
        plugin_.openWindow(&owner_);
        ProcessPendingEvents();
        return test::OnlyVisibleWindow(kTitle);
    }

    static void Click(QWidget* window, const char* name) {
        auto* button = window->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        button->click();
        ProcessPendingEvents();
    }

    static bool Pressed(QWidget* editor, const char* name) {
        auto* button = editor->findChild<QPushButton*>(QString::fromLatin1(name));
        return button != nullptr && button->isChecked();
    }
};

std::uint32_t U32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    std::memcpy(&value, bytes.data() + at, 4);
    return value;
}

TEST_F(LoadedDenoise, DescribesItselfStartsAtTheDefaultsAndSavesItsRecord) {
    const std::string said = Init();
    ASSERT_NE(descriptor_, nullptr);
    EXPECT_STREQ(descriptor_->name, "Ve-Vidare");
    EXPECT_EQ(descriptor_->kind, KIND_SPECTRAL);
    EXPECT_EQ(descriptor_->spectral, 1);
    EXPECT_EQ(descriptor_->latency, 0);
    EXPECT_NE(said.find("parameter File is invalid"), std::string::npos) << said; // none yet

    double* t = nullptr;
    float* table = plugin_.noiseTab(&t);
    ASSERT_NE(table, nullptr);
    ASSERT_NE(t, nullptr);
    EXPECT_NEAR(*t, 1.0 / 31.6227766, 1e-7); // 30 dB
    EXPECT_FLOAT_EQ(table[0], 1.0f / 65.536f);
    Process(SlopedFrame(256, 1.0f), 256);
    double* again = nullptr;
    EXPECT_EQ(plugin_.noiseTab(&again), table);
    EXPECT_EQ(again, t);

    EXPECT_EQ(plugin_.setParam("threshold", "0"), 1);
    EXPECT_EQ(plugin_.setParam("reduction", "25"), 1);
    EXPECT_EQ(plugin_.setParam("profile", "pink"), 1);
    plugin_.exit();
    const std::string record = dir_.Read("denoise.par");
    ASSERT_EQ(record.size(), 40u);
    EXPECT_EQ(U32(record, 0), 0x06031943u);
    EXPECT_EQ(U32(record, 4), 1u);
    EXPECT_FLOAT_EQ(std::bit_cast<float>(U32(record, 16)), 1.0f);
    EXPECT_FLOAT_EQ(std::bit_cast<float>(U32(record, 20)), 0.25f);

    // A record with a kind that was never saved loads white; the 8 unused bytes survive.
    std::string changed = record;
    changed[4] = 7;
    changed[8] = 'x';
    dir_.Write("denoise.par", changed);
    Reload();
    Init();
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(Pressed(editor, "white"));
    plugin_.closeWindow();
    plugin_.exit();
    const std::string kept = dir_.Read("denoise.par");
    EXPECT_EQ(kept[8], 'x');
    EXPECT_EQ(U32(kept, 4), 0u);
}

TEST_F(LoadedDenoise, HeadlessKeysTakeTheEditorsUnitsAndRefuseWhatTheyCannotUse) {
    Init();
    struct Case {
        const char* key;
        const char* value;
        int accepted;
    };
    const Case cases[] = {
        {"threshold", "20", 1},   {"threshold", "49.98", 1}, {"threshold", "60", 0},
        {"threshold", "x", 0},    {"reduction", "100", 1},   {"reduction", "-1", 0},
        {"profile", "white", 1},  {"profile", "pink", 1},    {"profile", "brown", 0},
        {"learn", "start", 1},    {"learn", "stop", 1},      {"learn", "maybe", 0},
        {"volume", "1", 0},       {"persist", "0", 1},
    };
    StderrCapture quiet;
    for (const Case& c : cases) {
        EXPECT_EQ(plugin_.setParam(c.key, c.value), c.accepted) << c.key << "=" << c.value;
    }
    dir_.Write("foreign.lnp", std::string("RIFF and more"));
    EXPECT_EQ(plugin_.setParam("profile", dir_.File("foreign.lnp").c_str()), 0);
    EXPECT_NE(quiet.Finish().find("not a noise profile"), std::string::npos);
    double* t = nullptr;
    plugin_.noiseTab(&t);
    EXPECT_NEAR(*t, 1.0 / 315.3, 0.0001); // 49.98 dB
}

TEST_F(LoadedDenoise, ALearnedProfileSavedAndLoadedAfterARestartGivesTheSameResult) {
    Init();
    ASSERT_EQ(plugin_.setParam("persist", "0"), 1);
    // Learn from three frames, in the plug-in and, for the file, in a core of our own.
    Denoiser core;
    ASSERT_TRUE(core.Init(EFFECT_HOST_KMAX, 0.1, 0.5f));
    core.StartRecording();
    plugin_.setParam("learn", "start");
    for (float scale : {10.0f, 12.0f, 8.0f}) {
        Process(SlopedFrame(1024, scale));
        auto frame = SlopedFrame(1024, scale);
        core.Process(44100, 3, 1024, frame.data());
    }
    plugin_.setParam("learn", "stop");
    ASSERT_TRUE(core.StopRecording());
    SavedProfile saved;
    saved.values = core.UserProfile(&saved.origin);
    ASSERT_TRUE(SaveProfileFile(dir_.File("hiss.lnp"), saved));
    const auto learned = Process(SlopedFrame(1024, 11.0f));
    plugin_.exit();

    Reload();
    Init();
    plugin_.setParam("persist", "0");
    EXPECT_NE(Process(SlopedFrame(1024, 11.0f)), learned); // white: another result
    ASSERT_EQ(plugin_.setParam("profile", dir_.File("hiss.lnp").c_str()), 1);
    EXPECT_EQ(Process(SlopedFrame(1024, 11.0f)), learned);
    plugin_.exit();
}

TEST_F(LoadedDenoise, SlidersShowAndSetTheirValues) {
    Init();
    plugin_.setParam("persist", "0");
    plugin_.setParam("threshold", "-20"); // T = 10: the bottom
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    auto* threshold = editor->findChild<QSlider*>(QStringLiteral("thresholdSlider"));
    auto* reduction = editor->findChild<QSlider*>(QStringLiteral("reductionSlider"));
    ASSERT_NE(threshold, nullptr);
    ASSERT_NE(reduction, nullptr);
    EXPECT_EQ(threshold->value(), 100);
    EXPECT_EQ(FieldText(editor, "thresholdValue"), QStringLiteral("-20.00"));
    struct Case {
        int position;
        const char* text;
    };
    double* t = nullptr;
    plugin_.noiseTab(&t);
    for (const Case& c : {Case{0, "49.98"}, Case{50, "24.55"}, Case{100, "-20.00"}}) {
        threshold->setValue(c.position == 100 ? 99 : 100); // make sure it moves
        threshold->setValue(c.position);
        EXPECT_EQ(FieldText(editor, "thresholdValue"), QString::fromLatin1(c.text));
    }
    EXPECT_DOUBLE_EQ(*t, 10.0);
    reduction->setValue(0);
    EXPECT_EQ(FieldText(editor, "reductionValue"), QStringLiteral("100.00"));
    threshold->setValue(0);
    plugin_.closeWindow();
    ProcessPendingEvents();
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->findChild<QSlider*>(QStringLiteral("thresholdSlider"))->value(), 1);
    plugin_.exit();
}

TEST_F(LoadedDenoise, UserButtonAndFingerprintManager) {
    Init();
    plugin_.setParam("persist", "0");
    QWidget* editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    Click(editor, "pink");
    {
        StderrCapture capture;
        Click(editor, "user");
        const std::string said = capture.Finish();
        EXPECT_NE(said.find("There is currently no user defined noiseprofile loaded"), std::string::npos) << said;
        EXPECT_NE(said.find(" Error: no noiseprofile"), std::string::npos);
    }
    EXPECT_TRUE(Pressed(editor, "pink"));
    EXPECT_FALSE(Pressed(editor, "user"));

    Click(editor, "Fingerprint");
    Click(editor, "Fingerprint");
    QWidget* manager = test::OnlyVisibleWindow(kManagerTitle);
    ASSERT_NE(manager, nullptr); // exactly one
    Click(manager, "Record");
    plugin_.openEffect(2048);
    for (int i = 0; i < 3; ++i) {
        Process(SlopedFrame(1024, 10.0f));
    }
    auto* timer = manager->findChild<QTimer*>();
    ASSERT_NE(timer, nullptr);
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
    EXPECT_EQ(FieldText(manager, "counter"), QStringLiteral("  3 blk"));
    // Closing the editor closes the manager through its own path: the recording stops and
    // becomes the user profile, and Fingerprint opens a manager again later.
    plugin_.closeWindow();
    ProcessPendingEvents();
    EXPECT_EQ(test::OnlyVisibleWindow(kManagerTitle), nullptr);
    editor = OpenEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(Pressed(editor, "user"));
    Click(editor, "Fingerprint");
    EXPECT_NE(test::OnlyVisibleWindow(kManagerTitle), nullptr);
    plugin_.closeEffect();
    plugin_.closeWindow();
    plugin_.exit();
}

} // namespace
} // namespace lumisett::denoise
