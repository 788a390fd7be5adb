// What TransData does with the frames of each stage position, the noise source's withdrawal,
// the pause rule, and announcements racing frames (also run under ThreadSanitizer).

#include "plugins/analyzer/core/spectrum_watch.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

namespace lumisett::analyzer {
namespace {

constexpr std::int32_t kBins = 1024;
constexpr std::int32_t kRate = 44100;
constexpr int kColumns = 300;
constexpr int kHeight = 200;

// A spectrum frame whose left magnitudes all lie `decibels` below the scale's 0 dB.
std::vector<float> Frame(double decibels) {
    std::vector<float> frame(4 * kBins, 0.0f);
    std::fill_n(frame.begin(), kBins, static_cast<float>(std::pow(10.0, (96.0 + decibels) / 20.0)));
    return frame;
}

class AnalyzerWatch : public testing::Test {
protected:
    AnalyzerWatch() {
        const DisplaySettings settings{.decibel = true, .decay = 1, .depth = 50, .top = 0, .low = 2.0f, .high = 4.0f};
        EXPECT_TRUE(watch_.Start(settings, 4096));
        watch_.SetPlotArea(kColumns, kHeight);
        watch_.SetWindowOpen(true);
    }

    float Height(TraceId which, std::size_t column = 150) const {
        return watch_.trace(which)[column].load();
    }

    // One frame through a stage of `names` plug-ins: positions 0 .. names, with its own data each.
    void RunFrame(const std::vector<std::vector<float>>& atPosition) {
        for (std::size_t c = 0; c < atPosition.size(); ++c) {
            watch_.Observe(kRate, kBins, static_cast<std::int32_t>(c), atPosition[c].data());
        }
    }

    SpectrumWatch watch_;
};

TEST_F(AnalyzerWatch, SelectionsPickTheirPositionAndNoneEmptiesTheTrace) {
    watch_.positions().Announce(2, "Ve-Vidare\0Analyzer");
    // Position 0: the stage's input, 1: after the de-noiser, 2: the output.
    const std::vector<std::vector<float>> frames{Frame(0.0), Frame(-25.0), Frame(-50.0)};
    struct Case {
        int selection;
        float height;
    };
    for (const Case& c : {Case{0, kHeight}, Case{1, kHeight / 2.0f}, Case{2, kHeight / 2.0f},
                          Case{3, 0.0f}, Case{-1, 0.0f}}) {
        watch_.SetSelection(TraceId::kFirst, 0);
        RunFrame(frames); // something to empty first
        watch_.SetSelection(TraceId::kFirst, c.selection);
        watch_.SetSelection(TraceId::kSecond, c.selection);
        RunFrame(frames);
        EXPECT_NEAR(Height(TraceId::kFirst), c.height, 1e-3) << c.selection;
        EXPECT_NEAR(Height(TraceId::kSecond), c.height, 1e-3) << c.selection;
    }
    EXPECT_TRUE(watch_.TakeRepaintRequest()); // the final position asks for a repaint
    EXPECT_FALSE(watch_.TakeRepaintRequest());
}

TEST_F(AnalyzerWatch, NothingRunsWhileTheWindowIsClosedOrForFramesOutsideTheContract) {
    watch_.positions().Announce(1, "Analyzer");
    watch_.SetSelection(TraceId::kFirst, 0);
    RunFrame({Frame(-25.0), Frame(-25.0)});
    ASSERT_NEAR(Height(TraceId::kFirst), kHeight / 2.0f, 1e-3);
    watch_.SetWindowOpen(false);
    RunFrame({Frame(0.0), Frame(0.0)});
    EXPECT_NEAR(Height(TraceId::kFirst), kHeight / 2.0f, 1e-3); // keeps its last values
    watch_.SetWindowOpen(true);
    for (std::int32_t bins : {0, 1, 8192}) {
        std::vector<float> big(4 * 8192, 1e9f);
        watch_.Observe(kRate, bins, 0, big.data());
    }
    watch_.Observe(0, kBins, 0, Frame(0.0).data());
    EXPECT_NEAR(Height(TraceId::kFirst), kHeight / 2.0f, 1e-3);
    watch_.Observe(kRate, kBins, 0, nullptr); // no frame: the trace empties
    EXPECT_EQ(Height(TraceId::kFirst), 0.0f);
}

TEST_F(AnalyzerWatch, ANewRateOrPlotWidthRebuildsTheMapAtTheNextFrame) {
    watch_.positions().Announce(1, "Analyzer");
    watch_.SetSelection(TraceId::kFirst, 0);
    // Only the element of 1 kHz at 44.1 kHz is loud.
    std::vector<float> frame(4 * kBins, 0.0f);
    frame[static_cast<std::size_t>(1000.0 * 2 * kBins / kRate) + 1] = 1e6f;
    auto loudest = [&] {
        const ConstTrace trace = watch_.trace(TraceId::kFirst);
        std::size_t best = 0;
        for (std::size_t i = 0; i < static_cast<std::size_t>(watch_.columns()); ++i) {
            best = trace[i].load() > trace[best].load() ? i : best;
        }
        return static_cast<int>(best);
    };
    watch_.Observe(kRate, kBins, 0, frame.data());
    EXPECT_NEAR(loudest(), 150, 2); // 1 kHz: the middle of 100 Hz .. 10 kHz
    watch_.Observe(kRate / 2, kBins, 0, frame.data()); // the same element is now 500 Hz
    EXPECT_EQ(watch_.rate(), kRate / 2);
    EXPECT_NEAR(loudest(), 105, 2);
    watch_.SetPlotArea(2 * kColumns, kHeight);
    watch_.Observe(kRate / 2, kBins, 0, frame.data());
    EXPECT_NEAR(loudest(), 210, 2);
}

TEST_F(AnalyzerWatch, TheNoiseCurveFollowsItsSourceAndEmptiesOnceItIsForgotten) {
    watch_.positions().Announce(1, "Zi-Di");
    std::vector<float> table(2 * 4096, static_cast<float>(1.0 / 46341.0));
    const double reference = 1.0;
    watch_.noiseSource().Bind(table.data(), &reference);
    watch_.SetSelection(TraceId::kNoise, 0);
    RunFrame({Frame(0.0), Frame(0.0)});
    const double expected = (50.0 - 96.0 + 20.0 * std::log10(46341.0)) * kHeight / 50.0;
    EXPECT_NEAR(Height(TraceId::kNoise), expected, 1e-2);
    watch_.noiseSource().Forget(); // what DenoClose does before the table goes
    table.assign(table.size(), std::nanf(""));
    RunFrame({Frame(0.0), Frame(0.0)});
    EXPECT_EQ(Height(TraceId::kNoise), 0.0f);
    // Bound again but not selected: nothing is drawn from it.
    watch_.noiseSource().Bind(table.data(), &reference);
    watch_.SetSelection(TraceId::kNoise, -1);
    RunFrame({Frame(0.0), Frame(0.0)});
    EXPECT_EQ(Height(TraceId::kNoise), 0.0f);
}

TEST_F(AnalyzerWatch, PauseClearsAllTracesOnceAndCloseClearsTheTwoTraces) {
    watch_.positions().Announce(1, "Zi-Di");
    std::vector<float> table(2 * 4096, 1e-6f);
    const double reference = 1.0;
    watch_.noiseSource().Bind(table.data(), &reference);
    for (TraceId which : {TraceId::kFirst, TraceId::kSecond, TraceId::kNoise}) {
        watch_.SetSelection(which, 0);
    }
    RunFrame({Frame(-10.0), Frame(-10.0)});
    watch_.ClearTraces(false); // CloseEffect
    EXPECT_EQ(Height(TraceId::kFirst), 0.0f);
    EXPECT_EQ(Height(TraceId::kSecond), 0.0f);
    EXPECT_GT(Height(TraceId::kNoise), 0.0f);

    PauseRule pause;
    struct Step {
        std::int32_t status;
        bool clears;
    };
    for (const Step& s : {Step{0, false}, Step{2, true}, Step{2, false}, Step{3, false}, Step{6, false},
                          Step{0, false}, Step{2, true}}) {
        EXPECT_EQ(pause.Tick(s.status), s.clears) << s.status;
    }
}

// TransEff on the window thread while the audio thread runs frames through TransData, and the
// noise source bound and withdrawn meanwhile: the audio side always sees a whole list and
// never a withdrawn table.
TEST_F(AnalyzerWatch, AnnouncementsAndNoiseWithdrawalsRaceFramesSafely) {
    std::atomic<bool> done{false};
    std::vector<float> table(2 * 4096, 1e-5f);
    const double reference = 1.0;
    watch_.SetSelection(TraceId::kFirst, 1);
    watch_.SetSelection(TraceId::kNoise, 0);
    watch_.positions().Announce(1, "Analyzer"); // the host announces before the first frame
    std::thread audio([&] {
        const auto frame = Frame(-20.0);
        while (!done.load()) {
            const std::int32_t names = watch_.positions().nameCount();
            EXPECT_TRUE(names == 1 || names == 3) << names;
            for (std::int32_t c = 0; c <= names; ++c) {
                watch_.Observe(kRate, kBins, c, frame.data());
            }
        }
    });
    for (int round = 0; round < 2000; ++round) {
        if (round % 2 == 0) {
            watch_.positions().Announce(3, "Ve-Vidare\0Analyzer\0Zi-Di");
            watch_.noiseSource().Bind(table.data(), &reference);
        } else {
            watch_.positions().Announce(1, "Analyzer");
            watch_.noiseSource().Forget();
            // No frame may read the table from here on: poison it, as a freed table would be.
            table.assign(table.size(), std::nanf(""));
            watch_.SetSelection(TraceId::kNoise, 0);
            table.assign(table.size(), 1e-5f);
        }
        const auto entries = watch_.positions().Entries();
        EXPECT_TRUE(entries.size() == 3 || entries.size() == 7);
        for (int k = 0; k < 3; ++k) {
            const float v = watch_.trace(TraceId::kNoise)[150].load();
            EXPECT_FALSE(std::isnan(v));
        }
    }
    done.store(true);
    audio.join();
    watch_.Stop();
}

} // namespace
} // namespace lumisett::analyzer
