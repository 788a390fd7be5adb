#pragma once
// An engine on a device the test plays by hand, with a clock the test sets: nothing depends on
// the machine's speed.

#include "host/engine/audio_engine.h"
#include "host/engine/transport.h"
#include "host/plugins/chain_slots.h"
#include "host/source/wav_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <deque>
#include <vector>

namespace lumisett::host {

class ManualClock final : public platform::Clock {
public:
    int64_t NowMicroseconds() override { return now; }
    void SleepUntil(int64_t when) override { now = std::max(now, when); }
    int64_t now = 0;
};

// Plays a queued buffer whenever the test says so, recording what it played.
class ManualDevice final : public platform::OutputDevice {
public:
    std::string name() const override { return "manual"; }
    bool SupportsRate(int32_t rate) override { return rate != refusedRate; }
    bool Open(const platform::OutputStreamConfig& config, platform::BufferDoneListener* listener) override {
        if (refuseOpen) return false;
        config_ = config;
        listener_ = listener;
        played.reserve(played.size() + (1u << 22));
        return true;
    }
    bool Queue(const int16_t* pairs) override {
        queue_.push_back(pairs);
        return true;
    }
    int64_t PlayedPairs() override { return playedPairs + positionAhead; }
    void Pause() override { paused = true; }
    void Restart() override { paused = false; }
    void Reset() override { queue_.clear(); }
    void Close() override { listener_ = nullptr; }

    // Plays the oldest queued buffer and hands it back. False when nothing is queued.
    bool PlayOne() {
        if (queue_.empty() || listener_ == nullptr) return false;
        const int16_t* buffer = queue_.front();
        queue_.pop_front();
        played.insert(played.end(), buffer, buffer + 2 * config_.periodPairs);
        playedPairs += config_.periodPairs;
        listener_->BufferDone();
        return true;
    }

    std::vector<int16_t> played;
    int64_t playedPairs = 0;
    int64_t positionAhead = 0; // makes the device claim more than it played: a starved device
    int32_t refusedRate = 0;
    bool refuseOpen = false;
    bool paused = false;

private:
    platform::OutputStreamConfig config_;
    platform::BufferDoneListener* listener_ = nullptr;
    std::deque<const int16_t*> queue_;
};

class CountingWaker final : public WindowThreadWaker {
public:
    void WakeForCompletions() override { ++wakes; }
    int wakes = 0;
};

class EngineFixture : public testing::Test {
protected:
    static constexpr int32_t kBlock = 2048;
    static constexpr int32_t kBuffers = 4;

    EngineFixture() : slots(registry, dir.path(), &statusWord) {}

    // A stereo WAV of `pairs` pairs whose left channel counts up from 1.
    std::vector<int16_t> OpenRamp(int32_t pairs) {
        std::vector<int16_t> samples;
        for (int32_t i = 0; i < pairs; ++i) {
            samples.push_back(static_cast<int16_t>(1 + i % 30000));
            samples.push_back(static_cast<int16_t>(-(i % 30000)));
        }
        EXPECT_TRUE(WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, samples}));
        EXPECT_EQ(source.Open(dir.File("in.wav"), nullptr), kSourceOpened);
        return samples;
    }

    int StartEngine(EngineConfig config = {kBlock, kBuffers, false, true}) {
        return engine.Start(device, config, &waker);
    }

    test::TempDir dir;
    PluginRegistry registry;
    int32_t statusWord = 0;
    ChainSlots slots;
    ChainControls controls;
    ProcessingChain chain{slots, controls};
    AudioSource source;
    ManualClock clock;
    ManualDevice device;
    CountingWaker waker;
    AudioEngine engine{slots, chain, controls, source, clock};
    Transport transport{engine, source, controls, &statusWord};
};

} // namespace lumisett::host
