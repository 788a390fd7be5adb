// The de-noiser in headless playback on the null device, its profile switched and a
// fingerprint taken from another thread while the engine plays: every switch reaches the
// frames whole (the core's own test checks the frames; here the real engine, the real
// plug-in and ThreadSanitizer do), and the music comes through.

#include "host/headless/player.h"
#include "host/source/wav_file.h"
#include "platform/audio/null_output_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <mutex>
#include <thread>

namespace lumisett::host {
namespace {

constexpr int32_t kBlock = 2048;
constexpr int32_t kSourcePairs = 44100; // one second
constexpr int32_t kSwitchUntil = kSourcePairs / 2;

TEST(DenoiserThreadsPlaying, ProfilesSwitchWhileTheEnginePlays) {
    test::TempDir dir;
    for (const char* file : {"denoise.so", "denoise.eff", "denoise.hlp"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
    }
    std::vector<int16_t> samples;
    unsigned seed = 5;
    for (int32_t i = 0; i < kSourcePairs; ++i) {
        for (int c = 0; c < 2; ++c) {
            seed = seed * 1664525u + 1013904223u;
            const double hiss = (static_cast<double>(seed >> 8) / 16777216.0 - 0.5) * 600.0;
            samples.push_back(static_cast<int16_t>(8000 * std::sin(i * (0.05 + 0.01 * c)) + hiss));
        }
    }
    ASSERT_TRUE(WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, samples}));

    HostSession session(dir.path(), "");
    session.Start();
    auto parsed = ParseRunOptions(RunCommand::Play, std::vector<std::string>{
        dir.File("in.wav"), "--chain", "denoise", "--block", std::to_string(kBlock), "--fft", "2048",
        "--notify", "function"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    HostSettings settings;
    settings.bufferCount = 4;
    settings.overflowWatch = 0; // a late tick under the sanitizers must not pause the chain
    std::string error;
    const auto applied = ApplyRunOptions(settings, *parsed.options, error);
    ASSERT_TRUE(applied) << error;

    // The switching thread starts once the device plays (the chain is loaded by then) and
    // must be done before playback ends and the plug-in is unloaded: the device waits for it.
    std::atomic<bool> playing{false};
    std::atomic<bool> switcherDone{false};
    std::atomic<int> accepted{0};
    std::mutex mutex;
    std::vector<int16_t> played;
    platform::NullOutputDevice device(platform::NullPacing::AsFastAsPossible);
    device.SetPlayedTap([&](const int16_t* pairs, int32_t count) {
        playing.store(true, std::memory_order_release);
        std::lock_guard<std::mutex> lock(mutex);
        played.insert(played.end(), pairs, pairs + 2 * count);
        if (played.size() / 2 > static_cast<std::size_t>(4 * kBlock + kSwitchUntil)) {
            while (!switcherDone.load(std::memory_order_acquire)) {
                std::this_thread::yield();
            }
        }
    });
    std::thread switcher([&] {
        while (!playing.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
        ChainSlots& slots = session.slots();
        for (int round = 0; round < 60; ++round) {
            accepted += slots.SetEffectParam(0, "profile", round % 2 == 0 ? "pink" : "white") ? 1 : 0;
            if (round % 10 == 5) {
                slots.SetEffectParam(0, "learn", "start");
                std::this_thread::yield();
                slots.SetEffectParam(0, "learn", "stop");
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        switcherDone.store(true, std::memory_order_release);
    });
    const PlayResult result = PlayFile(session, *applied, *parsed.options, device, platform::SystemClock());
    switcherDone.store(true, std::memory_order_release);
    switcher.join();
    session.Shutdown();
    ASSERT_TRUE(result.ok) << result.failure.text;
    EXPECT_EQ(accepted.load(), 60);

    // The tone comes through: the played audio after the device's silent queue and the
    // chain's delay carries most of the source's energy, and no sample went wild.
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_GE(played.size(), 2 * static_cast<std::size_t>(5 * kBlock + kSourcePairs / 2));
    double in = 0;
    double out = 0;
    for (std::size_t i = 0; i < samples.size() / 2; ++i) {
        in += static_cast<double>(samples[i]) * samples[i];
        const double v = played[2 * 5 * kBlock + i];
        out += v * v;
    }
    EXPECT_GT(out, 0.5 * in);
    EXPECT_LT(out, 1.5 * in);
}

} // namespace
} // namespace lumisett::host
