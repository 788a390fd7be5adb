#pragma once
// Drives an output device the way the engine does: a ring of M buffers, all queued at the
// start, each refilled with the next block of a known sequence and queued again from inside
// BufferDone, until a given number of blocks has been queued. Notes the device position at
// every BufferDone, so that tests can check what the engine would see.

#include "platform/audio/output_device.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace lumisett::platform {

// Block k of the test sequence: distinct in every block and sample, covering negative values.
inline std::vector<int16_t> Block(int k, int32_t pairs) {
    std::vector<int16_t> samples(2 * static_cast<std::size_t>(pairs));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(k * 7919 + static_cast<int>(i) * 31 + 12345));
    }
    return samples;
}

inline std::vector<int16_t> Blocks(int count, int32_t pairs) {
    std::vector<int16_t> all;
    for (int k = 0; k < count; ++k) {
        const auto block = Block(k, pairs);
        all.insert(all.end(), block.begin(), block.end());
    }
    return all;
}

class RingListener final : public BufferDoneListener {
public:
    // Plays `total` blocks of `pairs` through a ring of `periods` buffers.
    RingListener(int32_t pairs, int periods, int total) : pairs_(pairs), total_(total) {
        for (int k = 0; k < periods; ++k) {
            ring_.push_back(Block(k, pairs));
        }
    }

    // Queues the whole ring (or the first `total` blocks of it).
    void Start(OutputDevice& device) {
        std::lock_guard lock(mutex_);
        device_ = &device;
        for (std::size_t k = 0; k < ring_.size() && queued_ < total_; ++k) {
            EXPECT_TRUE(device.Queue(ring_[k].data()));
            ++queued_;
        }
    }

    void BufferDone() override {
        std::lock_guard lock(mutex_);
        const int64_t played = device_->PlayedPairs();
        positions_.push_back(played);
        // The engine's underrun test: everything it queued has been played.
        underruns_ += static_cast<int64_t>(queued_) * pairs_ - played <= 0 ? 1 : 0;
        if (queued_ < total_ && !refused_) {
            std::vector<int16_t>& buffer = ring_[static_cast<std::size_t>(done_) % ring_.size()];
            buffer = Block(queued_, pairs_);
            if (device_->Queue(buffer.data())) {
                ++queued_;
            } else {
                refused_ = true; // as the engine does: stop feeding
            }
        }
        ++done_;
        changed_.notify_all();
    }

    // Waits (with a guard against a device that never answers) until `count` buffers are back.
    bool WaitForDone(int count) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return done_ >= count; });
    }

    int done() {
        std::lock_guard lock(mutex_);
        return done_;
    }
    int queued() {
        std::lock_guard lock(mutex_);
        return queued_;
    }
    int64_t underruns() {
        std::lock_guard lock(mutex_);
        return underruns_;
    }
    bool refused() {
        std::lock_guard lock(mutex_);
        return refused_;
    }
    std::vector<int64_t> positions() {
        std::lock_guard lock(mutex_);
        return positions_;
    }

private:
    const int32_t pairs_;
    const int total_;
    std::mutex mutex_;
    std::condition_variable changed_;
    OutputDevice* device_ = nullptr;
    std::vector<std::vector<int16_t>> ring_;
    std::vector<int64_t> positions_;
    int queued_ = 0;
    int done_ = 0;
    int64_t underruns_ = 0;
    bool refused_ = false;
};

// Positions k·B for k = 1..count: what a device reports when each buffer comes back exactly as
// its period ends.
inline std::vector<int64_t> PeriodEnds(int count, int32_t pairs) {
    std::vector<int64_t> ends;
    for (int k = 1; k <= count; ++k) {
        ends.push_back(static_cast<int64_t>(k) * pairs);
    }
    return ends;
}

} // namespace lumisett::platform
