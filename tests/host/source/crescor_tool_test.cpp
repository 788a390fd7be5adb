// The crescor command-line tool, run as a program from the program directory.

#include "host/source/crescor_encoder.h"
#include "host/source/wav_file.h"
#include "tests/host/source/test_signals.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace lumisett::host {
namespace {

using lumisett::test::Samples;

class CrescorTool : public testing::Test {
protected:
    // The exit status of `crescor ARGS`, run inside the temporary folder.
    int Run(const std::string& args) const {
        const std::string command = "cd '" + dir_.path() + "' && '" LUMISETT_PROGRAM_DIR
                                    "crescor' " + args + " >/dev/null 2>stderr.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void WriteWav(const std::string& name, int channels, const Samples& samples) const {
        dir_.Write(name, *WavFileBytes(WavAudio{channels, 32000, samples}));
    }

    WavReadResult ReadWav(const std::string& name) const { return ReadWavFile(dir_.File(name)); }

    lumisett::test::TempDir dir_;
};

Samples Mixture(std::size_t pairs) {
    Samples sine = lumisett::test::Sine(pairs, 20000.0);
    Samples noise = lumisett::test::Noise(pairs);
    for (std::size_t i = 0; i < sine.size(); ++i) {
        sine[i] = static_cast<std::int16_t>(sine[i] + noise[i] / 32);
    }
    return sine;
}

TEST_F(CrescorTool, EncodesAndDecodesStereoLosslessly) {
    const Samples source = Mixture(30000);
    WriteWav("in.wav", 2, source);
    ASSERT_EQ(Run("encode in.wav out.cq"), 0) << dir_.Read("stderr.txt");
    ASSERT_EQ(Run("decode out.cq back.wav"), 0) << dir_.Read("stderr.txt");
    WavReadResult back = ReadWav("back.wav");
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(back.audio.channels, 2);
    EXPECT_EQ(back.audio.sampleRate, 32000u);
    EXPECT_EQ(back.audio.samples, source);
    EXPECT_LT(dir_.Read("out.cq").size(), dir_.Read("in.wav").size());
}

TEST_F(CrescorTool, StoresOneChannelAsTwoEqualChannels) {
    const Samples mono = {5, -5, 32767, -32768, 0};
    WriteWav("in.wav", 1, mono);
    ASSERT_EQ(Run("encode in.wav out.cq"), 0) << dir_.Read("stderr.txt");
    ASSERT_EQ(Run("decode out.cq back.wav"), 0) << dir_.Read("stderr.txt");
    WavReadResult back = ReadWav("back.wav");
    ASSERT_TRUE(back.ok()) << back.error;
    EXPECT_EQ(back.audio.samples, (Samples{5, 5, -5, -5, 32767, 32767, -32768, -32768, 0, 0}));
}

TEST_F(CrescorTool, ShowsUsageForWrongArguments) {
    for (const char* args : {"", "encode in.wav", "compress in.wav out.cq", "decode a b c"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Run(args), 2);
        EXPECT_NE(dir_.Read("stderr.txt").find("usage: crescor encode"), std::string::npos);
    }
    EXPECT_EQ(Run("--help"), 0);
}

TEST_F(CrescorTool, FailsClearlyOnInputItCannotConvert) {
    WriteWav("audio.wav", 2, Mixture(1000));
    dir_.Write("text.wav", std::string("not audio at all"));
    std::vector<std::uint8_t> eightBit = *WavFileBytes(WavAudio{1, 8000, {0, 0}});
    eightBit[34] = 8; // bits per sample
    dir_.Write("eight.wav", eightBit);
    // A Crescor file whose second block is damaged: it decodes to less than it announces.
    std::vector<std::uint8_t> damaged =
        *EncodeCrescor(Mixture(3000), 8000, CrescorEncoderOptions{1000});
    const std::size_t second = 40 + 4 * (damaged[40] | (damaged[41] << 8)) + 4;
    damaged[second] = 0;
    damaged[second + 1] = 0;
    dir_.Write("damaged.cq", damaged);

    for (const char* args : {"encode missing.wav out", "encode text.wav out",
                             "encode eight.wav out", "decode audio.wav out",
                             "decode missing.cq out", "decode damaged.cq out"}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(Run(args), 1);
        EXPECT_NE(dir_.Read("stderr.txt").find("crescor: "), std::string::npos);
        EXPECT_FALSE(dir_.Exists("out"));
    }
}

} // namespace
} // namespace lumisett::host
