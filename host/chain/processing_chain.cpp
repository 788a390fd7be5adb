#include "host/chain/processing_chain.h"

#include <algorithm>
#include <cstdlib>

namespace lumisett::host {
namespace {

constexpr int kChannelModeStereo = 0;

int16_t Wrap16(int32_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(value));
}

} // namespace

ProcessingChain::ProcessingChain(ChainSlots& slots, ChainControls& controls)
    : slots_(slots), controls_(controls) {}

void ProcessingChain::Start(int32_t blockPairs) {
    blockPairs_ = blockPairs;
    differenceRing_.assign(2 * static_cast<std::size_t>(kDifferenceRingPairs), 0);
    // 12 bytes per pair of the block: what a plug-in may be handed while bypass-all is on.
    scratch_.assign(6 * static_cast<std::size_t>(blockPairs), 0);
    ringBlock_ = 0;
    historyLeft_.fill(0);
    historyRight_.fill(0);
    historyPosition_ = 0;
    peakLeft_.store(0);
    peakRight_.store(0);
    load_.Reset();
}

void ProcessingChain::Stop() {
    differenceRing_ = {};
    scratch_ = {};
    blockPairs_ = 0;
}

bool ProcessingChain::SpectralStageActive() const {
    return spectralStage_ != nullptr && slots_.AnySpectralLoaded();
}

int32_t ProcessingChain::AnnouncedLatency() const {
    int32_t latency = SpectralStageActive() ? blockPairs_ : 0;
    for (int i = 0; i < kSlotCount; ++i) {
        const ChainSlot& slot = slots_.slot(i);
        if (slot.open.load(std::memory_order_acquire) != 0) {
            latency += slot.latency.load(std::memory_order_relaxed);
        }
    }
    return latency;
}

void ProcessingChain::RunBlockStage(int32_t kind, int16_t* block, int32_t rate, int mask) {
    const bool bypassAll = controls_.bypassAll.load(std::memory_order_relaxed);
    for (int i = 0; i < kSlotCount; ++i) {
        const ChainSlot& slot = slots_.slot(i);
        if (slot.open.load(std::memory_order_acquire) == 0 ||
            slot.kind.load(std::memory_order_relaxed) != kind) {
            continue;
        }
        if (bypassAll) {
            // The plug-in keeps running on data that is never heard.
            slot.effect.doEffect(rate, CHANNEL_MASK_BYPASS, blockPairs_, scratch_.data(), nullptr);
        } else {
            const int slotMask = slot.on.load(std::memory_order_relaxed) ? mask : 0;
            slot.effect.doEffect(rate, slotMask, blockPairs_, block, nullptr);
        }
    }
}

void ProcessingChain::ProcessBlock(int16_t* block, BlockSource& source, const DevicePosition& device) {
    ChainPass pass(slots_.activity());
    const int channelMode = controls_.channelMode.load(std::memory_order_relaxed);
    const bool difference = controls_.difference.load(std::memory_order_relaxed);
    const int32_t rate = source.sampleRate();
    const int32_t samples = 2 * blockPairs_;

    source.ReadBlock(block, blockPairs_, channelMode);
    if (difference) {
        std::copy_n(block, samples, differenceRing_.begin() + ringBlock_ * samples);
    }
    const bool spectralActive = SpectralStageActive();
    if (!controls_.pauseRequest.load(std::memory_order_relaxed)) {
        const int mask = channelMode == kChannelModeStereo ? CHANNEL_MASK_STEREO : CHANNEL_MASK_MONO;
        RunBlockStage(KIND_BLOCK_PRE, block, rate, mask);
        if (spectralActive) {
            spectralStage_->ProcessBlock(block, blockPairs_, rate, channelMode,
                                         controls_.bypassAll.load(std::memory_order_relaxed));
        }
        RunBlockStage(KIND_BLOCK_POST, block, rate, mask);
    }
    if (difference) {
        FormDifference(block);
    }
    const bool foldToMono = source.channels() == 1 || channelMode != kChannelModeStereo ||
                            (spectralActive && controls_.spectralMono.load(std::memory_order_relaxed));
    if (foldToMono) {
        for (int32_t i = 0; i < samples; i += 2) {
            block[i + 1] = block[i];
        }
    }
    MeasurePeaks(block, device);
}

void ProcessingChain::FormDifference(int16_t* block) {
    const int32_t samples = 2 * blockPairs_;
    const int32_t ringSamples = 2 * kDifferenceRingPairs;
    const int32_t position = ringBlock_ * samples;
    ringBlock_ = (ringBlock_ + 1) % (kDifferenceRingPairs / blockPairs_);
    const int32_t delay = AnnouncedLatency();
    if (delay > kDifferenceRingPairs) {
        return;
    }
    // The input as it entered the chain, delayed by the chain's own delay, minus the output:
    // what the plug-ins removed.
    int32_t start = position - 2 * delay;
    for (int32_t i = 0; i < samples; ++i) {
        int32_t index = start + i;
        if (index < 0) {
            index += ringSamples;
        }
        block[i] = Wrap16(differenceRing_[static_cast<std::size_t>(index)] - block[i]);
    }
}

void ProcessingChain::MeasurePeaks(const int16_t* block, const DevicePosition& device) {
    int32_t left = 0;
    int32_t right = 0;
    for (int32_t i = 0; i < 2 * blockPairs_; i += 2) {
        left = std::max(left, std::abs(static_cast<int32_t>(block[i])));
        right = std::max(right, std::abs(static_cast<int32_t>(block[i + 1])));
    }
    historyPosition_ = (historyPosition_ + 1) % kMeterHistory;
    historyLeft_[static_cast<std::size_t>(historyPosition_)] = left;
    historyRight_[static_cast<std::size_t>(historyPosition_)] = right;
    // The meters show the block the listener hears now: the one computed q blocks ago. The
    // new peaks are stored first, so that with nothing queued (q = 0) the meters show this
    // very block rather than one from twenty blocks ago.
    const int64_t q = (device.pairsWritten - device.pairsPlayed) / blockPairs_;
    if (q >= 0 && q < kMeterHistory) {
        const int at = (historyPosition_ - static_cast<int>(q) + kMeterHistory) % kMeterHistory;
        peakLeft_.store(historyLeft_[static_cast<std::size_t>(at)], std::memory_order_relaxed);
        peakRight_.store(historyRight_[static_cast<std::size_t>(at)], std::memory_order_relaxed);
    }
}

} // namespace lumisett::host
