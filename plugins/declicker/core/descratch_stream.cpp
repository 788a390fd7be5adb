#include "plugins/declicker/core/descratch_stream.h"

#include "plugin_common/effect_api.h"
#include "plugin_common/runtime/aligned_buffers.h"

#include <cstring>

namespace lumisett::declicker {
namespace {

// Bits of the channel mask.
constexpr std::int32_t kLeftBit = 1;
constexpr std::int32_t kRightBit = 2;

constexpr std::size_t kFrameBytes = 2 * sizeof(std::int16_t);
// The detectors' working space runs a little past the window (n + 8 < window + 20).
constexpr std::int32_t kScratchExtra = kHistoryFrames + 20;

template <typename T>
T* Take(std::size_t count) {
    return static_cast<T*>(plugin::AllocateAligned(count * sizeof(T)));
}

template <typename T>
void Give(T*& buffer) {
    if (buffer != nullptr) {
        plugin::FreeAligned(buffer);
        buffer = nullptr;
    }
}

} // namespace

DescratchStream::~DescratchStream() {
    Close();
}

bool DescratchStream::Open(std::int32_t blockPairs) {
    Close(); // a second Open without Close must not leak the first buffers
    if (blockPairs <= 0 || blockPairs > kMaxBlockPairs) {
        return false;
    }
    const auto frames = static_cast<std::size_t>(blockPairs) + kHistoryFrames;
    const auto scratch = static_cast<std::size_t>(blockPairs) + kScratchExtra;
    window_ = Take<std::int16_t>(2 * frames);
    samples_ = Take<std::int32_t>(frames);
    scratch_.energy = Take<std::int64_t>(scratch);
    scratch_.differences = Take<std::int32_t>(scratch);
    scratch_.marks = Take<std::uint8_t>(scratch);
    starts_ = Take<std::int32_t>(static_cast<std::size_t>(blockPairs));
    lengths_ = Take<std::int32_t>(static_cast<std::size_t>(blockPairs));
    if (window_ == nullptr || samples_ == nullptr || scratch_.energy == nullptr ||
        scratch_.differences == nullptr || scratch_.marks == nullptr || starts_ == nullptr ||
        lengths_ == nullptr) {
        Close();
        return false;
    }
    std::memset(window_, 0, 2 * frames * sizeof(std::int16_t)); // silent history
    capacity_ = blockPairs;
    return true;
}

void DescratchStream::Close() {
    Give(lengths_);
    Give(starts_);
    Give(scratch_.marks);
    Give(scratch_.differences);
    Give(scratch_.energy);
    Give(samples_);
    Give(window_);
    capacity_ = 0;
    counters_.running.store(false, std::memory_order_relaxed);
    counters_.repairedTotal.store(0, std::memory_order_relaxed);
}

void DescratchStream::Process(std::int32_t mask, std::int32_t pairs, std::int16_t* block) noexcept {
    if (window_ == nullptr || block == nullptr || pairs <= 0 || pairs > capacity_) {
        return;
    }
    counters_.running.store(true, std::memory_order_relaxed);
    counters_.blockLength.store(pairs, std::memory_order_relaxed);
    std::int16_t* incoming = window_ + 2 * kHistoryFrames;
    std::memcpy(incoming, block, static_cast<std::size_t>(pairs) * kFrameBytes);

    std::int32_t clicks = 0;
    std::int32_t crackles = 0;
    if ((mask & kLeftBit) != 0) {
        ChannelPass(0, pairs, clicks, crackles);
    }
    if ((mask & kRightBit) != 0) {
        ChannelPass(1, pairs, clicks, crackles);
    }
    counters_.clicks.store(clicks, std::memory_order_relaxed);
    counters_.crackles.store(crackles, std::memory_order_relaxed);
    if (mask == 0) {
        counters_.repairedTotal.store(0, std::memory_order_relaxed);
    }
    counters_.levelsValid.store(true, std::memory_order_relaxed);

    if (mask == CHANNEL_MASK_STEREO && settings_.Snapshot().monoOn()) {
        for (std::int32_t i = 0; i < pairs; ++i) {
            // floor, not truncation: -3 and 0 give -2 (an arithmetic shift rounds down).
            const auto mean = static_cast<std::int16_t>((window_[2 * i] + window_[2 * i + 1]) >> 1);
            block[2 * i] = mean;
            block[2 * i + 1] = mean;
        }
    } else {
        std::memcpy(block, window_, static_cast<std::size_t>(pairs) * kFrameBytes);
    }
    // The last 512 frames become the next history; the areas overlap when the block is
    // shorter than the history.
    std::memmove(window_, window_ + 2 * static_cast<std::size_t>(pairs),
                 kHistoryFrames * kFrameBytes);
}

void DescratchStream::ChannelPass(int channel, std::int32_t pairs, std::int32_t& clicks,
                                  std::int32_t& crackles) noexcept {
    const SettingsValues settings = settings_.Snapshot();
    const std::int32_t length = pairs + kHistoryFrames;
    const std::int32_t n = length - kDetectionMargin;
    for (std::int32_t i = 0; i < length; ++i) {
        samples_[i] = window_[2 * i + channel];
    }

    EventList events{.starts = starts_, .lengths = lengths_, .capacity = pairs - 1, .count = 0};
    std::int64_t repaired = 0;

    const ClickShape shape{.factor = settings.declick,
                           .mergeGap = settings.mergeGap,
                           .passes = settings.thresholdPasses,
                           .minLength = settings.minClick,
                           .maxLength = settings.maxEvent};
    DetectClicks(samples_, n, shape, scratch_, events);
    clicks += events.count;
    for (std::int32_t i = 0; i < events.count; ++i) {
        if (RepairLine(samples_, length, events.starts[i], events.lengths[i])) {
            repaired += events.lengths[i] - 1;
        }
    }

    DetectCrackles(samples_, n, settings.decrackle, settings.maxEvent, scratch_, events);
    crackles += events.count;
    for (std::int32_t i = 0; i < events.count; ++i) {
        if (RepairCubic(samples_, length, events.starts[i], events.lengths[i])) {
            repaired += events.lengths[i] - 1;
        }
    }

    for (std::int32_t i = 0; i < length; ++i) {
        window_[2 * i + channel] = static_cast<std::int16_t>(samples_[i]);
    }
    counters_.repairedTotal.fetch_add(repaired, std::memory_order_relaxed);
    counters_.channelPasses.fetch_add(1, std::memory_order_relaxed);
}

} // namespace lumisett::declicker
