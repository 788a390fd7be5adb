#include "tests/support/play_while_changing.h"

#include "host/headless/player.h"
#include "host/source/wav_file.h"
#include "platform/audio/null_output_device.h"
#include "tests/support/headless_render.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

namespace lumisett::test {
namespace {

constexpr std::int32_t kBlock = 2048;

// Sums the energy of the first half of the source's samples and of the same stretch as played.
void MeasureEnergies(const std::vector<std::int16_t>& source, const std::vector<std::int16_t>& played,
                     PlayedWhileChanging& out) {
    const std::size_t start = 2 * 5 * static_cast<std::size_t>(kBlock); // silent queue and delay
    ASSERT_GE(played.size(), start + source.size() / 2);
    for (std::size_t i = 0; i < source.size() / 2; ++i) {
        out.sourceEnergy += static_cast<double>(source[i]) * source[i];
        const double v = played[start + i];
        out.playedEnergy += v * v;
    }
}

} // namespace

void PlayWhileChanging(const std::string& plugin, const std::vector<std::int16_t>& source, int rounds,
                       const SettingsChange& change, PlayedWhileChanging& out) {
    TempDir dir;
    InstallPlugin(dir, plugin);
    ASSERT_TRUE(host::WriteWavFile(dir.File("in.wav"), host::WavAudio{2, 44100, source}));

    host::HostSession session(dir.path(), "");
    session.Start();
    auto parsed = host::ParseRunOptions(host::RunCommand::Play, std::vector<std::string>{
        dir.File("in.wav"), "--chain", plugin, "--block", std::to_string(kBlock), "--fft", "2048",
        "--notify", "function"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    host::HostSettings settings;
    settings.bufferCount = 4;
    settings.overflowWatch = 0; // a late tick under the sanitizers must not pause the chain
    std::string error;
    const auto applied = host::ApplyRunOptions(settings, *parsed.options, error);
    ASSERT_TRUE(applied) << error;

    // The changing thread starts once the device plays (the chain is loaded by then) and must
    // be done before playback ends and the plug-in is unloaded: the device waits for it.
    const std::size_t changeUntilPairs = 4 * kBlock + source.size() / 4;
    std::atomic<bool> playing{false};
    std::atomic<bool> changerDone{false};
    std::atomic<int> accepted{0};
    std::mutex mutex;
    std::vector<std::int16_t> played;
    platform::NullOutputDevice device(platform::NullPacing::AsFastAsPossible);
    device.SetPlayedTap([&](const std::int16_t* pairs, std::int32_t count) {
        playing.store(true, std::memory_order_release);
        std::lock_guard<std::mutex> lock(mutex);
        played.insert(played.end(), pairs, pairs + 2 * count);
        if (played.size() / 2 > changeUntilPairs) {
            while (!changerDone.load(std::memory_order_acquire)) {
                std::this_thread::yield();
            }
        }
    });
    std::thread changer([&] {
        while (!playing.load(std::memory_order_acquire)) {
            std::this_thread::yield();
        }
        for (int round = 0; round < rounds; ++round) {
            accepted += change(session.slots(), round) ? 1 : 0;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        changerDone.store(true, std::memory_order_release);
    });
    const host::PlayResult result =
        host::PlayFile(session, *applied, *parsed.options, device, platform::SystemClock());
    changerDone.store(true, std::memory_order_release);
    changer.join();
    session.Shutdown();
    ASSERT_TRUE(result.ok) << result.failure.text;
    out.accepted = accepted.load();

    std::lock_guard<std::mutex> lock(mutex);
    MeasureEnergies(source, played, out);
}

} // namespace lumisett::test
