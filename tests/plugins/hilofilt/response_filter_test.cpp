// The filter's state: tables rebuilt for the stream and the parameters, applied to frames,
// the noise table handed to the analyzer, and rebuilds on the window thread while frames run.

#include "plugins/hilofilt/core/response_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace lumisett::hilofilt {
namespace {

constexpr std::int32_t kMax = 4096;

std::vector<float> Response(const FilterParameters& p, std::int32_t rate, std::int32_t bins) {
    std::vector<float> h(static_cast<std::size_t>(bins));
    BuildResponse(p, rate, bins, h.data());
    return h;
}

// A frame whose four rows are all 1: after the filter each row is the table it met.
std::vector<float> UnitFrame(std::int32_t bins) {
    return std::vector<float>(4 * static_cast<std::size_t>(bins), 1.0f);
}

std::vector<float> Row(const std::vector<float>& frame, std::int32_t bins, int row) {
    const auto k = static_cast<std::ptrdiff_t>(bins);
    return {frame.begin() + row * k, frame.begin() + (row + 1) * k};
}

class ResponseFilterTest : public testing::Test {
protected:
    ResponseFilterTest() { EXPECT_TRUE(filter_.Init(kMax, kDefaultParameters)); }

    // The table the filter applies at this rate and bin count.
    std::vector<float> Applied(std::int32_t rate, std::int32_t bins) {
        auto frame = UnitFrame(bins);
        filter_.Process(rate, kStereo, bins, frame.data());
        for (int row = 1; row < 4; ++row) {
            EXPECT_EQ(Row(frame, bins, row), Row(frame, bins, 0)) << "row " << row;
        }
        return Row(frame, bins, 0);
    }

    std::vector<float> Noise(std::int32_t bins) {
        const float* noise = filter_.noiseTable();
        return {noise, noise + 2 * static_cast<std::ptrdiff_t>(bins)};
    }

    static std::vector<float> NoiseOf(const std::vector<float>& h) {
        std::vector<float> noise(2 * h.size());
        for (std::size_t j = 0; j < h.size(); ++j) {
            noise[j] = noise[h.size() + j] = NoiseValue(h[j]);
        }
        return noise;
    }

    static constexpr std::int32_t kStereo = 3;
    ResponseFilter filter_;
};

TEST_F(ResponseFilterTest, TheNoiseTableHoldsTheCurveFromTheStartAndFollowsEveryRebuild) {
    // Before any frame: built for the host's first stream values, 44100 Hz and 1024 bins.
    EXPECT_EQ(Noise(1024), NoiseOf(Response(kDefaultParameters, 44100, 1024)));
    float* const table = filter_.noiseTable();
    double* const reference = filter_.referenceLevel();
    EXPECT_EQ(*reference, 1.0);

    Applied(48000, 2048);
    EXPECT_EQ(Noise(2048), NoiseOf(Response(kDefaultParameters, 48000, 2048)));
    const FilterParameters steep{120.0f, 24.0f, 4000.0f, 20.0f};
    filter_.SetParameters(steep);
    EXPECT_EQ(Noise(2048), NoiseOf(Response(steep, 48000, 2048)));
    filter_.SetParameters(kFlatParameters);
    EXPECT_EQ(Noise(2048), std::vector<float>(4096, static_cast<float>(1.0 / 46341.0)));

    EXPECT_EQ(filter_.noiseTable(), table) << "the analyzer keeps the address";
    EXPECT_EQ(filter_.referenceLevel(), reference);
    EXPECT_EQ(*reference, 1.0);
}

TEST_F(ResponseFilterTest, ARateOrBinCountChangeRebuildsAtTheFirstFrameOfTheNewStream) {
    EXPECT_EQ(Applied(44100, 2048), Response(kDefaultParameters, 44100, 2048));
    EXPECT_EQ(Applied(48000, 2048), Response(kDefaultParameters, 48000, 2048));
    EXPECT_EQ(Applied(48000, 512), Response(kDefaultParameters, 48000, 512));
    EXPECT_EQ(Applied(22050, kMax), Response(kDefaultParameters, 22050, kMax));
    EXPECT_EQ(filter_.rate(), 22050);
    EXPECT_EQ(filter_.bins(), kMax);
}

TEST_F(ResponseFilterTest, AnEditorChangeReachesTheNextFrame) {
    Applied(44100, 2048);
    const FilterParameters changed{60.0f, 18.0f, 8000.0f, 6.0f};
    filter_.SetParameters(changed);
    EXPECT_EQ(filter_.parameters(), changed);
    EXPECT_EQ(Applied(44100, 2048), Response(changed, 44100, 2048));
}

TEST_F(ResponseFilterTest, MaskZeroLeavesTheFrameButTheStreamValuesAreTaken) {
    std::vector<float> frame(4 * 2048);
    for (std::size_t i = 0; i < frame.size(); ++i) {
        frame[i] = 0.25f + static_cast<float>(i % 97);
    }
    const auto before = frame;
    filter_.Process(32000, 0, 2048, frame.data());
    EXPECT_EQ(frame, before);
    EXPECT_EQ(filter_.rate(), 32000);
    EXPECT_EQ(Noise(2048), NoiseOf(Response(kDefaultParameters, 32000, 2048)));
}

TEST_F(ResponseFilterTest, FramesOutsideTheContractAreLeftAlone) {
    struct Case {
        std::int32_t rate;
        std::int32_t bins;
    };
    for (const Case c : {Case{44100, kMax + 1}, Case{44100, 0}, Case{44100, -5}, Case{0, 1024}, Case{-44100, 1024}}) {
        auto frame = UnitFrame(kMax + 1);
        filter_.Process(c.rate, 3, c.bins, frame.data());
        EXPECT_EQ(frame, UnitFrame(kMax + 1)) << c.rate << " Hz, " << c.bins << " bins";
    }
    filter_.Process(44100, 3, 1024, nullptr);
    EXPECT_EQ(filter_.rate(), 44100);
    EXPECT_EQ(filter_.bins(), 1024);
}

TEST(ResponseFilterLife, InitRefusesImpossibleSizesAndExitLetsGo) {
    ResponseFilter filter;
    EXPECT_FALSE(filter.Init(0, kDefaultParameters));
    EXPECT_FALSE(filter.Init(kMaxBins + 1, kDefaultParameters));
    EXPECT_EQ(filter.noiseTable(), nullptr);
    ASSERT_TRUE(filter.Init(256, kDefaultParameters));
    EXPECT_EQ(filter.bins(), 256) << "the first bin count is held to K-max";
    EXPECT_NE(filter.noiseTable(), nullptr);
    filter.Exit();
    EXPECT_EQ(filter.noiseTable(), nullptr);
    auto frame = UnitFrame(256);
    filter.Process(44100, 3, 256, frame.data());
    EXPECT_EQ(frame, UnitFrame(256));
}

// The editor rebuilds between two very different settings while the audio thread processes
// frames and switches the sample rate now and then (so that it rebuilds too). Every frame
// must have met one whole table: all four rows alike, and equal to one of the tables these
// settings and rates give. Also run under ThreadSanitizer.
TEST(ResponseFilterThreads, RebuildsWhileFramesRunReachThemWhole) {
    constexpr std::int32_t kBins = 2048;
    constexpr int kRebuilds = 2000;
    constexpr int kLeastFrames = 400;
    const FilterParameters settings[] = {kDefaultParameters, {180.0f, 24.0f, 2000.0f, 24.0f}};
    const std::int32_t rates[] = {44100, 48000};
    std::vector<std::vector<float>> whole;
    for (const FilterParameters& p : settings) {
        for (std::int32_t rate : rates) {
            whole.push_back(Response(p, rate, kBins));
        }
    }

    ResponseFilter filter;
    ASSERT_TRUE(filter.Init(kMax, settings[0]));
    // The bin count is settled before the editor starts: a frame that brings a new bin count
    // while the editor holds the claim passes unfiltered, by design.
    std::vector<float> frame(4 * kBins, 1.0f);
    filter.Process(rates[0], 3, kBins, frame.data());
    std::atomic<bool> editorDone{false};
    std::thread editor([&] {
        for (int i = 0; i < kRebuilds; ++i) {
            filter.SetParameters(settings[i % 2]);
        }
        editorDone.store(true);
    });

    int mixed = 0;
    int frames = 0;
    while (!editorDone.load() || frames < kLeastFrames) {
        std::fill(frame.begin(), frame.end(), 1.0f);
        filter.Process(rates[(frames / 7) % 2], 3, kBins, frame.data());
        const auto row = Row(frame, kBins, 0);
        bool rowsAlike = true;
        for (int r = 1; r < 4; ++r) {
            rowsAlike = rowsAlike && Row(frame, kBins, r) == row;
        }
        if (!rowsAlike || std::find(whole.begin(), whole.end(), row) == whole.end()) {
            ++mixed;
        }
        ++frames;
    }
    editor.join();
    EXPECT_EQ(mixed, 0) << "of " << frames << " frames";
}

} // namespace
} // namespace lumisett::hilofilt
