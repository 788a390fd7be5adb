// The spectral stage: its frame arithmetic on its own, and its calls to the spectral plug-ins
// and the analyzer inside the real processing chain, with recording plug-ins loaded through the
// chain slots.

#include "host/chain/processing_chain.h"
#include "host/chain/spectral_stage.h"
#include "tests/host/recorder_fixture.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <random>

namespace lumisett::host {
namespace {

constexpr int32_t kRate = 44100;

// Two channels of tones and noise, different on each side, peaking near `amplitude`.
std::vector<int16_t> Music(int32_t pairs, double amplitude) {
    std::mt19937 generator(2024);
    std::uniform_real_distribution<double> noise(-0.1, 0.1);
    std::vector<int16_t> samples(2 * static_cast<std::size_t>(pairs));
    for (int32_t i = 0; i < pairs; ++i) {
        const double left = 0.6 * std::sin(0.0773 * i) + 0.3 * std::sin(1.07 * i) + noise(generator);
        const double right = 0.5 * std::sin(0.0191 * i + 1.0) + 0.4 * std::sin(2.9 * i) + noise(generator);
        samples[2 * static_cast<std::size_t>(i)] = static_cast<int16_t>(amplitude * left);
        samples[2 * static_cast<std::size_t>(i) + 1] = static_cast<int16_t>(amplitude * right);
    }
    return samples;
}

// The DC bin has no gain of its own (it keeps the preset), so a plug-in's gain reaches
// everything but each frame's mean. Signals for gain tests therefore have no mean in any frame:
// low tones moved to the top of the band by flipping the sign of every other pair.
std::vector<int16_t> ToppedTones(int32_t pairs, double amplitude) {
    std::vector<int16_t> samples(2 * static_cast<std::size_t>(pairs));
    for (int32_t i = 0; i < pairs; ++i) {
        const double sign = i % 2 == 0 ? 1.0 : -1.0;
        const double left = 0.6 * std::sin(0.0773 * i) + 0.4 * std::sin(0.0191 * i + 1.0);
        const double right = 0.5 * std::sin(0.031 * i) + 0.5 * std::cos(0.0047 * i);
        samples[2 * static_cast<std::size_t>(i)] = static_cast<int16_t>(sign * amplitude * left);
        samples[2 * static_cast<std::size_t>(i) + 1] = static_cast<int16_t>(sign * amplitude * right);
    }
    return samples;
}

// A tone on each side, each exactly on a bin of a transform of `size` (bin `size`/2 is Nyquist).
std::vector<int16_t> BinTones(int32_t pairs, int32_t size, std::vector<int> leftBins, int rightBin,
                              double amplitude) {
    std::vector<int16_t> samples(2 * static_cast<std::size_t>(pairs));
    const double step = 2.0 * std::numbers::pi / size;
    for (int32_t i = 0; i < pairs; ++i) {
        double left = 0.0;
        for (int bin : leftBins) left += std::cos(step * bin * i);
        samples[2 * static_cast<std::size_t>(i)] = static_cast<int16_t>(amplitude * left);
        samples[2 * static_cast<std::size_t>(i) + 1] =
            static_cast<int16_t>(amplitude * std::cos(step * rightBin * i + 0.3));
    }
    return samples;
}

int16_t Clip(double value) {
    return static_cast<int16_t>(std::clamp(std::nearbyint(value), -32768.0, 32767.0));
}

// What the stage should return: silence for the first block, then `expected` one block late.
// The first `settlePairs` pairs are left out: the first frame fades in from a silent tail.
// Returns the largest difference found (the stage may differ from the ideal only by rounding).
int LargestDeviation(const std::vector<int16_t>& output, const std::vector<int16_t>& expected,
                     int32_t blockPairs, int32_t settlePairs) {
    const std::size_t delay = 2 * static_cast<std::size_t>(blockPairs);
    int largest = 0;
    for (std::size_t i = 0; i < delay; ++i) {
        largest = std::max(largest, std::abs(static_cast<int>(output[i])));
    }
    for (std::size_t i = 2 * static_cast<std::size_t>(settlePairs); i + delay < output.size(); ++i) {
        largest = std::max(largest, std::abs(output[i + delay] - expected[i]));
    }
    return largest;
}

// The left channel's error against `expected` one block late, relative to its level (RMS).
double RelativeLeftError(const std::vector<int16_t>& output, const std::vector<int16_t>& expected,
                         int32_t blockPairs, int32_t settlePairs) {
    const std::size_t delay = 2 * static_cast<std::size_t>(blockPairs);
    double error = 0.0;
    double level = 0.0;
    for (std::size_t i = 2 * static_cast<std::size_t>(settlePairs); i + delay < output.size(); i += 2) {
        const double difference = output[i + delay] - expected[i];
        error += difference * difference;
        level += static_cast<double>(expected[i]) * expected[i];
    }
    return std::sqrt(error / level);
}

std::vector<int16_t> ApplyToEverySample(std::vector<int16_t> samples, double factor) {
    for (int16_t& sample : samples) sample = Clip(factor * sample);
    return samples;
}

std::vector<int16_t> LeftOnBothSides(std::vector<int16_t> samples) {
    for (std::size_t i = 0; i < samples.size(); i += 2) samples[i + 1] = samples[i];
    return samples;
}

// --- the frame arithmetic ------------------------------------------------------------------

TEST(FrameShape, TaperAndHopFollowTheOverlap) {
    struct Case {
        int32_t halfTransform;
        float overlap;
        int32_t taper;
        int32_t hop;
    };
    for (const Case& c : {Case{1024, 1.0f, 1024, 1024}, Case{1024, 0.1f, 102, 1946},
                          Case{1024, 0.5f, 512, 1536}, Case{4096, 0.1f, 409, 7783},
                          Case{128, 1.0f, 128, 128}}) {
        const FrameShape shape = ShapeFor(c.halfTransform, c.overlap);
        EXPECT_EQ(shape.size, 2 * c.halfTransform);
        EXPECT_EQ(shape.taper, c.taper) << c.halfTransform << " " << c.overlap;
        EXPECT_EQ(shape.hop, c.hop) << c.halfTransform << " " << c.overlap;
    }
}

TEST(FrameShape, TaperRisesAndItsEndsAddUpToOneInPower) {
    for (std::size_t length : {std::size_t{102}, std::size_t{1024}}) {
        std::vector<float> taper(length);
        FillTaper(taper);
        EXPECT_GT(taper.front(), 0.0f);
        EXPECT_LT(taper.back(), 1.0f);
        for (std::size_t i = 0; i < length; ++i) {
            if (i > 0) {
                ASSERT_GT(taper[i], taper[i - 1]) << i;
            }
            const float rising = taper[i];
            const float falling = taper[length - 1 - i];
            ASSERT_NEAR(rising * rising + falling * falling, 1.0f, 1e-6f) << length << " " << i;
        }
    }
}

TEST(ToSample, RoundsToNearestWithTiesToEvenAndClips) {
    struct Case {
        float value;
        int16_t sample;
    };
    for (const Case& c : {Case{0.5f, 0}, Case{1.5f, 2}, Case{2.5f, 2}, Case{-0.5f, 0}, Case{-1.5f, -2},
                          Case{-2.5f, -2}, Case{1.49f, 1}, Case{-7.6f, -8}, Case{32766.5f, 32766},
                          Case{32767.4f, 32767}, Case{32767.6f, 32767}, Case{1e9f, 32767},
                          Case{-32768.4f, -32768}, Case{-32768.6f, -32768}, Case{-1e9f, -32768},
                          Case{std::numeric_limits<float>::infinity(), 32767},
                          Case{std::numeric_limits<float>::quiet_NaN(), 0}}) {
        EXPECT_EQ(ToSample(c.value), c.sample) << c.value;
    }
}

// The stage alone, with no plug-in loaded: every gain stays at its preset.
class StageAlone : public testing::Test {
protected:
    StageAlone() : slots(registry, "/nonexistent/", &statusWord), stage(slots, controls) {}

    // Feeds whole blocks of `input` through the stage; `between(b)` runs before block b.
    template <typename Between>
    std::vector<int16_t> Run(const std::vector<int16_t>& input, int32_t blockPairs, Between between) {
        std::vector<int16_t> output(input);
        const std::size_t samples = 2 * static_cast<std::size_t>(blockPairs);
        for (std::size_t at = 0, b = 0; at + samples <= output.size(); at += samples, ++b) {
            between(b);
            stage.ProcessBlock(output.data() + at, blockPairs, kRate, 0, false);
        }
        return output;
    }

    PluginRegistry registry;
    int32_t statusWord = 0;
    ChainSlots slots;
    ChainControls controls;
    OverlapAddSpectralStage stage;
};

struct IdentityCase {
    int32_t blockPairs;
    int32_t size;
    float overlap;
};

class StageIdentity : public StageAlone, public testing::WithParamInterface<IdentityCase> {};

std::vector<IdentityCase> EverySizeWithinTheBlock() {
    std::vector<IdentityCase> cases;
    for (int32_t blockPairs : {2048, 8192}) {
        for (int32_t size = 256; size <= blockPairs; size *= 2) {
            for (float overlap : {0.1f, 0.5f, 1.0f}) cases.push_back({blockPairs, size, overlap});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(SizesAndOverlaps, StageIdentity, testing::ValuesIn(EverySizeWithinTheBlock()));

TEST_P(StageIdentity, UnitGainsReturnTheInputOneBlockLate) {
    const IdentityCase& c = GetParam();
    stage.SetupTransform(c.size / 2, c.overlap);
    ASSERT_TRUE(stage.Start(c.blockPairs));
    const std::vector<int16_t> input = Music(6 * c.blockPairs, 30000.0);
    const auto output = Run(input, c.blockPairs, [](std::size_t) {});
    EXPECT_LE(LargestDeviation(output, input, c.blockPairs, c.size), 1);
}

TEST_F(StageAlone, ShapeChangesDuringPlaybackKeepTheDelay) {
    constexpr int32_t kBlock = 4096;
    stage.SetupTransform(1024, 0.5f);
    ASSERT_TRUE(stage.Start(kBlock));
    const std::vector<int16_t> input = Music(12 * kBlock, 20000.0);
    // Before blocks 4 and 8 the window asks for a new shape; 8192 does not fit a block of 4096
    // and is taken as 4096.
    const auto output = Run(input, kBlock, [&](std::size_t b) {
        if (b == 4) stage.SetupTransform(4096, 0.1f);
        if (b == 8) stage.SetupTransform(128, 1.0f);
    });
    // A change is adopted where the next frame starts, which lies in the block before the
    // change or the one after it; the tails from the old shape make a short transition there.
    std::vector<int16_t> steady = input;
    std::vector<int16_t> delivered = output;
    for (std::size_t b : {3u, 4u, 7u, 8u}) {
        const auto from = static_cast<std::ptrdiff_t>(2 * b * kBlock);
        std::fill_n(steady.begin() + from, 2 * kBlock, 0);
        std::fill_n(delivered.begin() + from + 2 * kBlock, 2 * kBlock, 0);
    }
    EXPECT_LE(LargestDeviation(delivered, steady, kBlock, 2048), 1);
}

TEST_F(StageAlone, LeavesBlocksAloneUntilStartedForTheirLength) {
    const std::vector<int16_t> input = Music(2048, 10000.0);
    EXPECT_EQ(Run(input, 2048, [](std::size_t) {}), input);
    ASSERT_TRUE(stage.Start(4096));
    EXPECT_EQ(Run(input, 2048, [](std::size_t) {}), input); // not the block length it set up for
    EXPECT_FALSE(stage.Start(128));                          // no transform fits
    EXPECT_EQ(Run(input, 128, [](std::size_t) {}), input);
}

TEST_F(StageAlone, FrameRowsHoldScaledMagnitudesOfBinsOneToKAndUnitGains) {
    // Nearly rectangular frames (v = 0.1), so that a tone on a bin stays in that bin.
    constexpr int32_t kSize = 2048;
    constexpr int32_t kHalf = kSize / 2;
    constexpr double kAmplitude = 8000.0;
    const FrameShape shape = ShapeFor(kHalf, 0.1f);
    std::vector<float> taper(static_cast<std::size_t>(shape.taper));
    FillTaper(taper);
    double windowSum = kSize - 2.0 * shape.taper;
    for (float w : taper) windowSum += 2.0 * w;
    const double g = std::sqrt(1.0 / kHalf);

    struct Case {
        int leftBin;
        int rightBin;
    };
    for (const Case& c : {Case{300, 77}, Case{1, 1023}, Case{kHalf, 2}}) {
        stage.SetupTransform(kHalf, 0.1f);
        ASSERT_TRUE(stage.Start(kSize));
        Run(BinTones(2 * kSize, kSize, {c.leftBin}, c.rightBin, kAmplitude), kSize, [](std::size_t) {});
        const std::span<const float> frame = stage.lastFrame();
        ASSERT_EQ(frame.size(), 4u * kHalf);
        for (auto [row, bin] : {std::pair{0, c.leftBin}, std::pair{2, c.rightBin}}) {
            const auto magnitudes = frame.subspan(static_cast<std::size_t>(row) * kHalf, kHalf);
            const auto peak = std::max_element(magnitudes.begin(), magnitudes.end());
            // Element j belongs to bin j + 1; a real tone puts half its amplitude into its bin,
            // except at Nyquist, which has no mirror image.
            EXPECT_EQ(peak - magnitudes.begin(), bin - 1) << bin;
            const double expected = g * kAmplitude * windowSum * (bin == kHalf ? 1.0 : 0.5);
            // The mirror image of a tone near either end of the band adds a little.
            EXPECT_NEAR(*peak, expected, 0.05 * expected) << bin;
        }
        for (int row : {1, 3}) {
            for (float gain : frame.subspan(static_cast<std::size_t>(row) * kHalf, kHalf)) {
                ASSERT_EQ(gain, 1.0f / kHalf);
            }
        }
    }
}

// --- inside the chain, with plug-ins --------------------------------------------------------

class VectorSource final : public BlockSource {
public:
    explicit VectorSource(const std::vector<int16_t>& samples) : samples_(samples) {}
    void ReadBlock(int16_t* block, int32_t pairs, int) override {
        for (int32_t i = 0; i < 2 * pairs; ++i, ++next_) {
            block[i] = next_ < samples_.size() ? samples_[next_] : 0;
        }
    }
    int channels() const override { return 2; }
    int32_t sampleRate() const override { return kRate; }

private:
    const std::vector<int16_t>& samples_;
    std::size_t next_ = 0;
};

class SpectralChain : public RecorderFixture {
protected:
    static constexpr int32_t kBlock = 2048;

    // Loads the installed plug-ins into slots 1, 2, ... in the order given and starts a
    // playback with transform size 2K and overlap v.
    void StartWith(const std::vector<std::string>& aliases, int32_t halfTransform = 1024,
                   float overlap = 0.5f, int32_t blockPairs = kBlock) {
        Scan();
        for (std::size_t i = 0; i < aliases.size(); ++i) {
            ASSERT_TRUE(slots->LoadIntoSlot(static_cast<int>(i), Index(aliases[i]))) << aliases[i];
        }
        blockPairs_ = blockPairs;
        slots->OpenForPlayback(blockPairs);
        chain = std::make_unique<ProcessingChain>(*slots, controls);
        stage = std::make_unique<OverlapAddSpectralStage>(*slots, controls);
        stage->SetupTransform(halfTransform, overlap);
        ASSERT_TRUE(stage->Start(blockPairs));
        chain->SetSpectralStage(stage.get());
        chain->Start(blockPairs);
        TakeCalls();
    }

    std::vector<int16_t> Run(const std::vector<int16_t>& input) {
        VectorSource source(input);
        std::vector<int16_t> output;
        std::vector<int16_t> block(2 * static_cast<std::size_t>(blockPairs_));
        while (output.size() < input.size()) {
            chain->ProcessBlock(block.data(), source, {});
            output.insert(output.end(), block.begin(), block.end());
        }
        return output;
    }

    ChainControls controls;
    std::unique_ptr<ProcessingChain> chain;
    std::unique_ptr<OverlapAddSpectralStage> stage;
    int32_t blockPairs_ = kBlock;
};

const char* const kSpectral = "kind=1\nspectral=1\n";
const char* const kAnalyzer = "kind=-1\nspectral=1\n";

TEST_F(SpectralChain, EveryFramePassesTheSlotsInOrderAndEndsAtTheAnalyzersOutputPosition) {
    Install("a", kSpectral);
    Install("z", kAnalyzer);
    Install("c", kSpectral);
    Install("pre", "kind=0\n");
    StartWith({"a", "z", "c", "pre"});
    // The first block holds one frame of 2048 with a hop of 1536; the block stage runs first.
    Run(Music(kBlock, 1000.0));
    EXPECT_EQ(TakeCalls(), (Calls{"pre DoEffect 44100 3 2048", "z TransData 44100 3 1024 0",
                                  "a DoEffect 44100 3 1024", "z TransData 44100 3 1024 1",
                                  "z TransData 44100 3 1024 2", "c DoEffect 44100 3 1024",
                                  "z TransData 44100 0 1024 3"}));

    controls.channelMode = 2; // left: mask 1; a slot switched off gets mask 0
    slots->UseClicked(2, false);
    Run(Music(kBlock, 1000.0));
    EXPECT_EQ(TakeCalls(), (Calls{"pre DoEffect 44100 1 2048", "z TransData 44100 1 1024 0",
                                  "a DoEffect 44100 1 1024", "z TransData 44100 1 1024 1",
                                  "z TransData 44100 0 1024 2", "c DoEffect 44100 0 1024",
                                  "z TransData 44100 0 1024 3"}));
}

TEST_F(SpectralChain, AnAnalyzerThatWouldNotOpenIsNotCalled) {
    Install("a", kSpectral);
    Install("z", std::string(kAnalyzer) + "open=0\n");
    StartWith({"a", "z"});
    Run(Music(kBlock, 1000.0));
    EXPECT_EQ(TakeCalls(), (Calls{"a DoEffect 44100 3 1024"}));
}

struct HopCase {
    float overlap;
    std::ptrdiff_t frames;
};

class SpectralHop : public SpectralChain, public testing::WithParamInterface<HopCase> {};

// Frame j needs pairs up to j·H + N, so P pairs make trunc((P − L) / H) frames; here
// P = 5 · 4096 and N = 2048.
INSTANTIATE_TEST_SUITE_P(WholeAndTenthOverlap, SpectralHop,
                         testing::Values(HopCase{1.0f, (5 * 4096 - 1024) / 1024},
                                         HopCase{0.1f, (5 * 4096 - 102) / 1946}));

TEST_P(SpectralHop, FramesFollowTheHop) {
    Install("z", kAnalyzer);
    StartWith({"z"}, 1024, GetParam().overlap, 4096);
    Run(Music(5 * 4096, 1000.0));
    const Calls calls = TakeCalls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "z TransData 44100 3 1024 0"), GetParam().frames);
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "z TransData 44100 0 1024 1"), GetParam().frames);
    EXPECT_EQ(calls.size(), 2 * static_cast<std::size_t>(GetParam().frames));
}

TEST_F(SpectralChain, BypassAllPassesTheAudioWhileTheAnalyzerSeesEveryFrame) {
    // A plug-in that scales its gains even with mask 0: only scratch keeps them from the audio.
    Install("half", std::string(kSpectral) + "gain=0.5\ngainmask=3\n");
    Install("z", kAnalyzer);
    StartWith({"half", "z"});
    controls.bypassAll = true;
    const std::vector<int16_t> input = Music(6 * kBlock, 20000.0);
    EXPECT_LE(LargestDeviation(Run(input), input, kBlock, 2048), 1);

    // The plug-in keeps its bookkeeping on scratch, never on the heard frame.
    const Calls frame{"z TransData 44100 0 1024 0", "half DoEffect 44100 0 1024",
                      "z TransData 44100 0 1024 1", "z TransData 44100 0 1024 2"};
    Calls expected;
    for (int i = 0; i < (6 * kBlock - 512) / 1536; ++i) expected.insert(expected.end(), frame.begin(), frame.end());
    EXPECT_EQ(TakeCalls(), expected);
}

struct GainCase {
    const char* gain;
    double factor;
};

class SpectralGain : public SpectralChain, public testing::WithParamInterface<GainCase> {};

INSTANTIATE_TEST_SUITE_P(HalvingAndDoubling, SpectralGain,
                         testing::Values(GainCase{"0.5", 0.5}, GainCase{"2", 2.0}));

TEST_P(SpectralGain, ThePlugInsGainReachesTheOutputAndClipsAtFullScale) {
    Install("gain", std::string(kSpectral) + "gain=" + GetParam().gain + "\n");
    StartWith({"gain"});
    const std::vector<int16_t> input = ToppedTones(6 * kBlock, 30000.0); // doubled, it overflows
    const auto expected = ApplyToEverySample(input, GetParam().factor);
    EXPECT_LE(LargestDeviation(Run(input), expected, kBlock, 2048), 1);
}

struct BinCase {
    int firstZeroedGain; // gain elements from here on are zeroed
    int keptBin;         // its gain element is the one before: it passes
};

class SpectralBins : public SpectralChain, public testing::WithParamInterface<BinCase> {};

// N = 2048: an inner bin, and the Nyquist bin whose gain is the row's last element.
INSTANTIATE_TEST_SUITE_P(InnerAndNyquist, SpectralBins, testing::Values(BinCase{400, 400}, BinCase{1023, 1023}));

TEST_P(SpectralBins, EachGainActsOnItsOwnBin) {
    constexpr int32_t kSize = 2048;
    constexpr double kAmplitude = 10000.0;
    const BinCase& c = GetParam();
    Install("lowpass", std::string(kSpectral) + "gain=0\ngainfrom=" + std::to_string(c.firstZeroedGain) + "\n");
    StartWith({"lowpass"}, kSize / 2, 0.1f);
    const auto output = Run(BinTones(8 * kBlock, kSize, {c.keptBin, c.keptBin + 1}, 0, kAmplitude));
    const auto expected = BinTones(8 * kBlock, kSize, {c.keptBin}, 0, kAmplitude);
    // Where frames overlap, the tapers spread each tone a little into its neighbour bin; a gain
    // applied one bin off would leave an error as large as a whole tone.
    EXPECT_LT(RelativeLeftError(output, expected, kBlock, kSize), 0.2);
}

struct MonoCase {
    int channelMode;
    bool monoOption;
    const char* doEffect;
};

class SpectralMono : public SpectralChain, public testing::WithParamInterface<MonoCase> {};

INSTANTIATE_TEST_SUITE_P(LeftModeAndMonoOption, SpectralMono,
                         testing::Values(MonoCase{2, false, "half DoEffect 44100 1 1024"},
                                         MonoCase{0, true, "half DoEffect 44100 3 1024"}));

TEST_P(SpectralMono, BothSidesCarryTheProcessedLeftChannel) {
    Install("half", std::string(kSpectral) + "gain=0.5\n");
    StartWith({"half"});
    controls.channelMode = GetParam().channelMode;
    controls.spectralMono = GetParam().monoOption;
    // The source leaves both channels different, so that a processed right side would show.
    const std::vector<int16_t> input = ToppedTones(6 * kBlock, 20000.0);
    const auto expected = LeftOnBothSides(ApplyToEverySample(input, 0.5));
    EXPECT_LE(LargestDeviation(Run(input), expected, kBlock, 2048), 1);
    EXPECT_EQ(TakeCalls().front(), GetParam().doEffect);
}

} // namespace
} // namespace lumisett::host
