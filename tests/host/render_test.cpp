#include "host/headless/renderer.h"
#include "host/source/wav_file.h"
#include "plugins/zeroline/core/dc_filter.h"
#include "tests/host/recorder_fixture.h"
#include "tests/host/source/crescor_test_files.h"

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
    void InstallZeroline() {
        for (const char* file : {"zeroline.so", "zeroline.eff", "zeroline.hlp"}) {
            dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
        }
    }

    void WriteInput(const std::string& name, const std::vector<int16_t>& samples, int channels = 2) {
        ASSERT_TRUE(WriteWavFile(dir.File(name), WavAudio{channels, 44100, samples}));
    }

    RenderResult Render(std::vector<std::string> words) {
        HostSession session(dir.path(), "");
        session.Start();
        auto parsed = ParseRunOptions(RunCommand::Render, words);
        EXPECT_TRUE(parsed.options) << parsed.error;
        std::string error;
        auto settings = ApplyRunOptions(HostSettings{}, *parsed.options, error);
        EXPECT_TRUE(settings) << error;
        RenderResult result = RenderFile(session, *settings, *parsed.options);
        session.Shutdown();
        return result;
    }

    std::vector<int16_t> Output(const std::string& name) {
        const WavReadResult read = ReadWavFile(dir.File(name));
        EXPECT_TRUE(read.ok()) << read.error;
        EXPECT_EQ(read.audio.channels, 2);
        return read.audio.samples;
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

TEST_F(RenderTest, ACrescorFileFromAnIndependentEncoderRendersToItsSource) {
    const auto input = Material(9000);
    dir.Write("in.cq", test::crescor::SimplyEncodedFile(input, 4000));
    const RenderResult result = Render({dir.File("in.cq"), dir.File("out.wav")});
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(Output("out.wav"), input);
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
                    BadOptions{"UnknownOption", {"a", "b", "--louder"}}),
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
