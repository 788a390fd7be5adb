#include "bench/support/bench_support.h"

#include "host/source/wav_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace lumisett::bench {
namespace {

TEST(BenchSupportSnr, MeasuresTheErrorOverTheSpanBothHold) {
    const Samples clean(100, 1000);
    const Samples tenPercentOff(100, 1100);
    EXPECT_NEAR(SnrDb(clean, tenPercentOff, 0, 100), 20.0, 1e-9);
    EXPECT_TRUE(std::isinf(SnrDb(clean, clean, 10, 90)));

    // Read later by the lag: only the matching half counts.
    Samples late(100, 0);
    for (std::size_t i = 4; i < 100; ++i) late[i] = clean[i - 4];
    EXPECT_TRUE(std::isinf(SnrDb(clean, late, 0, 96, 4)));

    // An output shorter than the span asked for is judged on what it has, never read past.
    const Samples shortOut(30, 1100);
    EXPECT_NEAR(SnrDb(clean, shortOut, 0, 100), 20.0, 1e-9);
    EXPECT_NEAR(SnrDb(clean, shortOut, 0, 100, 10), 20.0, 1e-9);
}

TEST(BenchSupportSnr, NothingLeftToJudgeIsNotANumber) {
    const Samples clean(100, 1000);
    struct Case {
        std::size_t outSize, from, to, lag;
    };
    for (const Case c : {Case{100, 50, 50, 0}, Case{100, 60, 40, 0}, Case{0, 0, 100, 0}, Case{20, 0, 100, 20},
                         Case{20, 0, 100, 500}, Case{100, 200, 300, 0}}) {
        const Samples out(c.outSize, 1000);
        EXPECT_TRUE(std::isnan(SnrDb(clean, out, c.from, c.to, c.lag)))
            << "out " << c.outSize << ", span " << c.from << ".." << c.to << ", lag " << c.lag;
    }
}

TEST(BenchSupportSamples, RoundToNearestAndClipTo16Bits) {
    const Samples got = ToSamples({0.4, 0.6, -0.6, 1.5, 32767.4, 40000.0, -32768.6, -1e9});
    EXPECT_EQ(got, (Samples{0, 1, -1, 2, 32767, 32767, -32768, -32768}));
}

TEST(BenchSupportWav, StereoFilesReadBackAndOthersAreRefused) {
    ScratchFolder folder("bench-support-test");
    ASSERT_TRUE(folder.ok());
    const Samples stereo{1, -2, 300, -32768, 32767, 0};
    ASSERT_TRUE(WriteStereoWav(folder.File("stereo.wav"), stereo));
    EXPECT_EQ(ReadStereoWav(folder.File("stereo.wav")), stereo);

    ASSERT_TRUE(host::WriteWavFile(folder.File("mono.wav"), host::WavAudio{1, kRate, {1, 2, 3}}));
    EXPECT_FALSE(ReadStereoWav(folder.File("mono.wav")));
    EXPECT_FALSE(ReadStereoWav(folder.File("missing.wav")));
}

TEST(BenchSupportFolder, GoesWithAllItHolds) {
    std::string path;
    {
        ScratchFolder folder("bench-support-test");
        ASSERT_TRUE(folder.ok());
        path = folder.Path();
        ASSERT_TRUE(WriteStereoWav(folder.File("a.wav"), Samples{0, 0}));
        ScratchFolder other("bench-support-test");
        EXPECT_NE(other.Path(), path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(BenchSupportPrograms, SuccessOnlyOnExitZero) {
    EXPECT_TRUE(RunProgram({"true"}).ok);
    EXPECT_FALSE(RunProgram({"false"}).ok);
    EXPECT_FALSE(RunProgram({"sh", "-c", "kill -9 $$"}).ok);
    EXPECT_FALSE(RunProgram({"lumisett-no-such-program"}).ok);
    EXPECT_FALSE(RunProgram({}).ok);
}

} // namespace
} // namespace lumisett::bench
