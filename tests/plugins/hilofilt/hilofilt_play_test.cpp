// The filter in headless playback on the null device while another thread changes its
// settings the way the editor does, rebuilding the response table under the running frames:
// the real engine, the real plug-in and ThreadSanitizer check that the table reaches the audio
// context without a data race (the core's own test checks the frames), and the music comes
// through.

#include "host/headless/player.h"
#include "host/source/wav_file.h"
#include "platform/audio/null_output_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <numbers>
#include <string>
#include <thread>

namespace lumisett::host {
namespace {

constexpr int32_t kBlock = 2048;
constexpr int32_t kSourcePairs = 44100; // one second
constexpr int32_t kChangeUntil = kSourcePairs / 2;

TEST(ResponseFilterThreadsPlaying, SettingsChangeWhileTheEnginePlays) {
    test::TempDir dir;
    for (const char* file : {"hilofilt.so", "hilofilt.eff", "hilofilt.hlp"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
    }
    std::vector<int16_t> samples;
    for (int32_t i = 0; i < kSourcePairs; ++i) {
        const double t = static_cast<double>(i) / 44100;
        const auto v = static_cast<int16_t>(std::lround(8000 * std::sin(2 * std::numbers::pi * 1000 * t)));
        samples.push_back(v);
        samples.push_back(v);
    }
    ASSERT_TRUE(WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, samples}));

    HostSession session(dir.path(), "");
    session.Start();
    auto parsed = ParseRunOptions(RunCommand::Play, std::vector<std::string>{
        dir.File("in.wav"), "--chain", "hilofilt", "--block", std::to_string(kBlock), "--fft", "2048",
        "--notify", "function"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    HostSettings settings;
    settings.bufferCount = 4;
    settings.overflowWatch = 0; // a late tick under the sanitizers must not pause the chain
    std::string error;
    const auto applied = ApplyRunOptions(settings, *parsed.options, error);
    ASSERT_TRUE(applied) << error;

    // The changing thread starts once the device plays (the chain is loaded by then) and must
    // be done before playback ends and the plug-in is unloaded: the device waits for it.
    std::atomic<bool> playing{false};
    std::atomic<bool> changerDone{false};
    std::atomic<int> accepted{0};
    std::mutex mutex;
    std::vector<int16_t> played;
    platform::NullOutputDevice device(platform::NullPacing::AsFastAsPossible);
    device.SetPlayedTap([&](const int16_t* pairs, int32_t count) {
        playing.store(true, std::memory_order_release);
        std::lock_guard<std::mutex> lock(mutex);
        played.insert(played.end(), pairs, pairs + 2 * count);
        if (played.size() / 2 > static_cast<std::size_t>(4 * kBlock + kChangeUntil)) {
            while (!changerDone.load(std::memory_order_acquire)) {
                std::this_thread::yield();
            }
        }
    });
    std::thread changer([&] {
        while (!playing.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
        ChainSlots& slots = session.slots();
        const char* const steps[][2] = {{"hp_freq", "180"}, {"hp_slope", "24"}, {"lp_freq", "2000"},
                                        {"lp_slope", "3"},   {"flat", "1"},     {"hp_freq", "40"}};
        for (int round = 0; round < 60; ++round) {
            const auto& step = steps[round % 6];
            accepted += slots.SetEffectParam(0, step[0], step[1]) ? 1 : 0;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        changerDone.store(true, std::memory_order_release);
    });
    const PlayResult result = PlayFile(session, *applied, *parsed.options, device, platform::SystemClock());
    changerDone.store(true, std::memory_order_release);
    changer.join();
    session.Shutdown();
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(accepted.load(), 60);

    // The 1 kHz tone lies between the corners of every setting the changes make, so it comes
    // through whole, and no sample went wild.
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_GE(played.size(), 2 * static_cast<std::size_t>(5 * kBlock + kSourcePairs / 2));
    double in = 0;
    double out = 0;
    for (std::size_t i = 0; i < samples.size() / 2; ++i) {
        in += static_cast<double>(samples[i]) * samples[i];
        const double v = played[2 * 5 * kBlock + i];
        out += v * v;
    }
    EXPECT_GT(out, 0.8 * in);
    EXPECT_LT(out, 1.2 * in);
}

} // namespace
} // namespace lumisett::host
