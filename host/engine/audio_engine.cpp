#include "host/engine/audio_engine.h"

#include <cfenv>

namespace lumisett::host {
namespace {

// The completion handler's arithmetic (the spectral stage's rounding among it) relies on
// round-to-nearest; whatever the thread had before is restored afterwards.
class RoundToNearest {
public:
    RoundToNearest() : previous_(std::fegetround()) { std::fesetround(FE_TONEAREST); }
    ~RoundToNearest() { std::fesetround(previous_); }
    RoundToNearest(const RoundToNearest&) = delete;
    RoundToNearest& operator=(const RoundToNearest&) = delete;

private:
    int previous_;
};

} // namespace

AudioEngine::AudioEngine(ChainSlots& slots, ProcessingChain& chain, ChainControls& controls,
                         AudioSource& source, platform::Clock& clock)
    : slots_(slots), chain_(chain), controls_(controls), source_(source), clock_(clock) {}

AudioEngine::~AudioEngine() {
    Stop();
}

int AudioEngine::Start(platform::OutputDevice& device, const EngineConfig& config,
                       WindowThreadWaker* waker) {
    Stop();
    if (!device.SupportsRate(source_.sampleRate())) {
        return kEngineRateRefused;
    }
    config_ = config;
    const int32_t b = config.blockPairs;
    const int32_t m = config.bufferCount;
    ring_.assign(2 * static_cast<std::size_t>(b) * static_cast<std::size_t>(m + 1), 0);
    source_.Start(b);
    source_.SetDevicePairsWritten(&pairsWritten_);
    chain_.Start(b);
    pairsWritten_ = static_cast<int64_t>(m) * b;
    pairsPlayed_ = 0;
    completionsSinceTick_ = 0;
    pendingCompletions_ = 0;
    bufferOverflow_ = false;
    cpuOverload_ = false;
    waker_ = config.notifyByWindow ? waker : nullptr;

    stopRequest_ = false;
    if (!device.Open({source_.sampleRate(), b, m}, this)) {
        ring_ = {};
        return kEngineDeviceNotOpened;
    }
    device_ = &device;
    ringIndex_ = 0;
    slots_.OpenForPlayback(b);
    for (int32_t i = 0; i < m; ++i) {
        if (!device.Queue(ring_.data() + 2 * static_cast<std::size_t>(i) * b)) {
            stopRequest_ = true;
        }
    }
    return kEngineStarted;
}

void AudioEngine::Stop() {
    if (device_ == nullptr) {
        return;
    }
    stopRequest_ = true;
    device_->Reset(); // every buffer is ours again, and no completion runs any more
    device_->Close();
    device_ = nullptr;
    pendingCompletions_ = 0;
    source_.Close();
    slots_.CloseAfterPlayback();
    chain_.Stop();
    chain_.load().Reset();
    ring_ = {};
}

bool AudioEngine::CompleteRequestedStop() {
    if (!stopRequest_.load() || !running()) {
        return false;
    }
    Stop();
    return true;
}

void AudioEngine::BufferDone() {
    if (waker_ != nullptr) {
        pendingCompletions_.fetch_add(1);
        waker_->WakeForCompletions();
    } else {
        HandleCompletion();
    }
}

void AudioEngine::RunPendingCompletions() {
    if (device_ == nullptr) {
        return;
    }
    for (int32_t pending = pendingCompletions_.exchange(0); pending > 0; --pending) {
        HandleCompletion();
    }
}

void AudioEngine::HandleCompletion() {
    if (stopRequest_.load()) {
        return;
    }
    const int64_t startedAt = clock_.NowMicroseconds();
    const int64_t played = device_->PlayedPairs();
    pairsPlayed_.store(played, std::memory_order_relaxed);
    const int32_t b = config_.blockPairs;
    const int64_t written = pairsWritten_.load(std::memory_order_relaxed);

    // The device has played everything that was queued: it ran dry.
    if (config_.overflowWatch && written - played <= 0) {
        controls_.pauseRequest = true;
        bufferOverflow_ = true;
    }
    // More than three seconds of audio went through without the player's timer getting a turn.
    if (static_cast<int64_t>(completionsSinceTick_.load()) * b > 3 * static_cast<int64_t>(source_.sampleRate())) {
        controls_.pauseRequest = true;
        cpuOverload_ = true;
    }
    completionsSinceTick_.fetch_add(1);

    int16_t* block = ring_.data() + 2 * ringIndex_;
    {
        RoundToNearest rounding;
        chain_.ProcessBlock(block, source_, {written, played});
    }
    ringIndex_ = (ringIndex_ + b) % (static_cast<int64_t>(config_.bufferCount) * b);
    if (!device_->Queue(block)) {
        stopRequest_ = true;
    }
    pairsWritten_.store(written + b, std::memory_order_relaxed);
    chain_.load().AddRun(clock_.NowMicroseconds() - startedAt);
}

void AudioEngine::PauseDevice() {
    if (device_ != nullptr) {
        device_->Pause();
    }
}

void AudioEngine::RestartDevice() {
    if (device_ != nullptr) {
        device_->Restart();
    }
}

} // namespace lumisett::host
