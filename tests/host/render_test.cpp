#include "plugins/zeroline/core/dc_filter.h"
#include "tests/host/recorder_fixture.h"
#include "tests/host/source/crescor_test_files.h"
#include "tests/support/headless_render.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

namespace lumisett::host {
namespace {

// Music-like material: two tones with an offset, and the edge cases of 16-bit samples.
std::vector<int16_t> Material(int32_t pairs, int channels = 2) {
    std::vector<int16_t> samples;
    for (int32_t i = 0; i < pairs; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double v = 9000 * std::sin(i * (0.01 + 0.003 * c)) + 4000 * std::sin(i * 0.17) + 1500;
            samples.push_back(static_cast<int16_t>(v));
        }
    }
    samples[0] = -32768;
    samples[1] = 32767;
    return samples;
}

class RenderTest : public RecorderFixture {
protected:
    void InstallZeroline() { test::InstallPlugin(dir, "zeroline"); }

    void WriteInput(const std::string& name, const std::vector<int16_t>& samples, int channels = 2) {
        ASSERT_TRUE(WriteWavFile(dir.File(name), WavAudio{channels, 44100, samples}));
    }

    RenderResult Render(const std::vector<std::string>& words) { return test::RenderInFolder(dir, words); }

    std::vector<int16_t> Output(const std::string& name) {
        const WavAudio audio = test::ReadRendered(dir.File(name));
        EXPECT_EQ(audio.channels, 2);
        return audio.samples;
    }
};

TEST_F(RenderTest, AnEmptyChainCopiesTheSourceBitForBit) {
    const auto input = Material(10000);
    WriteInput("in.wav", input);
    const RenderResult result = Render({dir.File("in.wav"), dir.File("out.wav")});
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(result.pairs, 10000);
    EXPECT_EQ(Output("out.wav"), input);
}

TEST_F(RenderTest, AOneChannelSourceComesOutOnBothChannels) {
    const auto input = Material(5000, 1);
    WriteInput("mono.wav", input, 1);
    ASSERT_TRUE(Render({dir.File("mono.wav"), dir.File("out.wav"), "--mode", "stereo"}).ok);
    const auto out = Output("out.wav");
    ASSERT_EQ(out.size(), 2 * input.size());
    for (std::size_t i = 0; i < input.size(); ++i) {
        ASSERT_EQ(out[2 * i], input[i]);
        ASSERT_EQ(out[2 * i + 1], input[i]);
    }
}

TEST_F(RenderTest, TheChainsLatencyIsCompensated) {
    // A plug-in that announces and really applies a delay of 512 pairs: the output lines up
    // with the source and has its length exactly.
    Install("delay", "latency=512\ndelay=512\n");
    const auto input = Material(3 * 4096 + 100);
    WriteInput("in.wav", input);
    const RenderResult result = Render({dir.File("in.wav"), dir.File("out.wav"), "--chain", "delay"});
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(result.latency, 512);
    EXPECT_EQ(Output("out.wav"), input);
}

TEST_F(RenderTest, TheSpectralStagesBlockOfDelayIsCompensatedToo) {
    // A spectral plug-in that leaves every gain alone: the stage gives back its input one
    // block late, equal up to rounding (past the first frame, whose start no earlier frame
    // overlaps), and the render lines it up again.
    Install("spectral", "kind=1\nspectral=1\n");
    const auto input = Material(3 * 4096 + 777);
    WriteInput("in.wav", input);
    const RenderResult result = Render({dir.File("in.wav"), dir.File("out.wav"), "--chain", "spectral",
                                        "--block", "4096", "--fft", "2048"});
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(result.latency, 4096);
    const auto out = Output("out.wav");
    ASSERT_EQ(out.size(), input.size());
    for (std::size_t i = 2 * 2048; i < out.size(); ++i) {
        ASSERT_NEAR(out[i], input[i], 1) << "at sample " << i;
    }
}

TEST_F(RenderTest, ThroughZerolineItIsTheFilterOverTheWholeFile) {
    InstallZeroline();
    const auto input = Material(20000);
    WriteInput("in.wav", input);
    ASSERT_TRUE(Render({dir.File("in.wav"), dir.File("out.wav"), "--chain", "DI-Revivad",
                        "--block", "2048"}).ok);
    auto expected = input;
    zeroline::ChannelState left, right;
    zeroline::FilterBlock(expected.data(), static_cast<int32_t>(expected.size() / 2), left, right);
    EXPECT_EQ(Output("out.wav"), expected);
    // A headless run leaves the plug-in's parameter file as it was: here, absent.
    EXPECT_FALSE(dir.Exists("zeroline.par"));
}

// A noisy file whose first second is noise alone: --learn 0-1 takes the de-noiser's
// fingerprint there, and the render from the start (at the threshold a fingerprint wants)
// comes out clearly cleaner than the file and than the white preset, at the source's length.
TEST_F(RenderTest, LearningTheNoiseOnlyLeadInRendersTheFileCleaner) {
    test::InstallPlugin(dir, "denoise");
    constexpr int32_t kLeadIn = 44100;
    std::vector<int16_t> clean(2 * kLeadIn, 0);
    const auto music = Material(3 * 44100);
    clean.insert(clean.end(), music.begin() + 2, music.end());
    std::vector<int16_t> noisy(clean.size());
    // A pink-ish hiss near -40 dBFS (one-pole filtered white noise), fixed seed.
    unsigned seed = 1;
    float state[2] = {0, 0};
    for (std::size_t i = 0; i < clean.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float white = (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f) * 2000.0f;
        float& s = state[i % 2];
        s = 0.7f * s + white;
        noisy[i] = static_cast<int16_t>(std::clamp(clean[i] + s, -32768.0f, 32767.0f));
    }
    WriteInput("noisy.wav", noisy);
    const auto errorDb = [&](const std::vector<int16_t>& out) {
        EXPECT_EQ(out.size(), clean.size());
        double error = 0;
        for (std::size_t i = 2 * (kLeadIn + 4096); i + 8192 < std::min(out.size(), clean.size()); ++i) {
            const double d = static_cast<double>(out[i]) - clean[i];
            error += d * d;
        }
        return 10 * std::log10(error + 1);
    };
    const std::vector<std::string> common{"--chain", "denoise", "--block", "2048", "--fft", "2048"};
    auto words = [&](std::vector<std::string> extra) {
        std::vector<std::string> all{dir.File("noisy.wav"), dir.File("out.wav")};
        all.insert(all.end(), common.begin(), common.end());
        all.insert(all.end(), extra.begin(), extra.end());
        return all;
    };
    ASSERT_TRUE(Render(words({})).ok);
    const double preset = errorDb(Output("out.wav"));
    const RenderResult learned = Render(words({"--learn", "0-1", "--set", "denoise.threshold=14"}));
    ASSERT_TRUE(learned.ok) << learned.failure.text;
    const double fingerprint = errorDb(Output("out.wav"));
    const double untouched = errorDb(noisy);
    EXPECT_LT(fingerprint, untouched - 6.0);
    EXPECT_LT(fingerprint, preset - 1.0);
    EXPECT_FALSE(dir.Exists("denoise.par"));
}

TEST_F(RenderTest, ACrescorFileFromAnIndependentEncoderRendersToItsSource) {
    const auto input = Material(9000);
    dir.Write("in.cq", test::crescor::SimplyEncodedFile(input, 4000));
    const RenderResult result = Render({dir.File("in.cq"), dir.File("out.wav")});
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(Output("out.wav"), input);
}

TEST_F(RenderTest, ACancelledRenderLeavesNoOutputAndKeepsAnOldOne) {
    WriteInput("in.wav", Material(5 * 4096));
    dir.Write("out.wav", std::string("an older file"));
    HostSession session(dir.path(), "");
    session.Start();
    auto parsed = ParseRunOptions(RunCommand::Render, std::vector<std::string>{dir.File("in.wav"), dir.File("out.wav")});
    std::string error;
    int calls = 0;
    const RenderResult result = RenderFile(session, *ApplyRunOptions(HostSettings{}, *parsed.options, error),
                                           *parsed.options, [&](double) { return ++calls < 2; });
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(dir.Read("out.wav"), "an older file");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2); // in and out
}

struct RenderFailureCase {
    const char* label;
    std::vector<std::string> extraWords; // after IN OUT
    const char* input;                   // file name, created as a small WAV unless "absent"
    const char* output;
    int code;
    const char* textPart;
};

class RenderFailures : public RenderTest, public testing::WithParamInterface<RenderFailureCase> {};

TEST_P(RenderFailures, StopWithAClearMessageAndNoOutput) {
    const RenderFailureCase& c = GetParam();
    InstallZeroline();
    if (std::string(c.input) != "absent") WriteInput(c.input, Material(100));
    const RenderResult result = [&] {
        std::vector<std::string> words{dir.File(c.input), dir.File(c.output)};
        words.insert(words.end(), c.extraWords.begin(), c.extraWords.end());
        return Render(words);
    }();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.failure.code, c.code);
    EXPECT_NE(result.failure.text.find(c.textPart), std::string::npos) << result.failure.text;
    EXPECT_FALSE(std::filesystem::exists(dir.File(c.output)));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderFailures,
    testing::Values(
        RenderFailureCase{"MissingInput", {}, "absent", "out.wav", -4, "The input file could not be opened"},
        RenderFailureCase{"UnknownPlugIn", {"--chain", "nothing"}, "in.wav", "out.wav", 0, "no plug-in is called nothing"},
        RenderFailureCase{"SetForAPlugInNotInTheChain", {"--set", "denoise.threshold=12"}, "in.wav", "out.wav", 0,
                          "not in the chain"},
        RenderFailureCase{"RefusedSetting", {"--chain", "zeroline", "--set", "zeroline.gain=2"}, "in.wav", "out.wav", 0,
                          "refused gain=2"},
        RenderFailureCase{"OutputFolderMissing", {}, "in.wav", "missing/out.wav", -5,
                          "The output file could not be created"}),
    [](const auto& param) { return std::string(param.param.label); });

struct BadOptions {
    const char* label;
    std::vector<std::string> words;
};

class RenderOptionErrors : public testing::TestWithParam<BadOptions> {};

TEST_P(RenderOptionErrors, AreRefused) {
    const auto parsed = ParseRunOptions(RunCommand::Render, GetParam().words);
    EXPECT_FALSE(parsed.options);
    EXPECT_FALSE(parsed.error.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RenderOptionErrors,
    testing::Values(BadOptions{"NoFiles", {}}, BadOptions{"OneFile", {"in.wav"}},
                    BadOptions{"BlockSize", {"a", "b", "--block", "1000"}},
                    BadOptions{"FftNotAPowerOfTwo", {"a", "b", "--fft", "1000"}},
                    BadOptions{"OverlapTooLarge", {"a", "b", "--overlap", "1.5"}},
                    BadOptions{"Mode", {"a", "b", "--mode", "surround"}},
                    BadOptions{"ValueMissing", {"a", "b", "--chain"}},
                    BadOptions{"FiveSlots", {"a", "b", "--chain", "a,b,c,d,e"}},
                    BadOptions{"SetWithoutKey", {"a", "b", "--set", "zeroline=1"}},
                    BadOptions{"UnknownOption", {"a", "b", "--louder"}},
                    BadOptions{"LearnBackwards", {"a", "b", "--learn", "2-1"}},
                    BadOptions{"LearnNotASpan", {"a", "b", "--learn", "1"}}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(RunOptionsMerge, ATransformLargerThanTheBlockIsRefused) {
    auto parsed = ParseRunOptions(RunCommand::Render, std::vector<std::string>{"a", "b", "--block", "2048", "--fft", "4096"});
    ASSERT_TRUE(parsed.options);
    std::string error;
    EXPECT_FALSE(ApplyRunOptions(HostSettings{}, *parsed.options, error));
    EXPECT_NE(error.find("--fft"), std::string::npos);
    // Without --fft, the stored transform shrinks to fit a smaller block.
    parsed = ParseRunOptions(RunCommand::Render, std::vector<std::string>{"a", "b", "--block", "2048"});
    HostSettings stored;
    stored.halfTransform = 2048;
    auto merged = ApplyRunOptions(stored, *parsed.options, error);
    ASSERT_TRUE(merged);
    EXPECT_EQ(merged->halfTransform, 1024);
}

} // namespace
} // namespace lumisett::host
