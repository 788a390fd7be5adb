#pragma once
// The audio engine: streams the chain's output to an output device through a ring of M
// buffers of B sample pairs. All buffers are queued at the start; each one the device hands
// back is refilled through the processing chain and queued again. Two detectors ask the player
// to pause: a device that ran dry, and completions that come faster than the window thread's
// timer can follow (a processor too slow to keep up).
//
// Threads: Start, Stop, Pause and Resume run on the window thread. The completion handler runs
// on the device's thread (notification by function) or on the window thread (notification by
// window: the device thread only counts the completion and wakes the window thread, which calls
// RunPendingCompletions). After Start the handler allocates nothing and touches no file but the
// source. Everything the two sides share is atomic.

#include "host/chain/processing_chain.h"
#include "host/plugins/chain_slots.h"
#include "host/source/audio_source.h"
#include "platform/audio/output_device.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace lumisett::host {

inline constexpr int kEngineStarted = 1;
inline constexpr int kEngineRateRefused = -12;
inline constexpr int kEngineDeviceNotOpened = -3;

struct EngineConfig {
    int32_t blockPairs = 4096;   // S
    int32_t bufferCount = 4;     // M
    bool notifyByWindow = true;
    bool overflowWatch = true;
};

// Wakes the window thread so that it runs the engine's pending completions. Called on the
// device's thread; must not block for long.
class WindowThreadWaker {
public:
    virtual ~WindowThreadWaker() = default;
    virtual void WakeForCompletions() = 0;
};

class AudioEngine final : public platform::BufferDoneListener {
public:
    AudioEngine(ChainSlots& slots, ProcessingChain& chain, ChainControls& controls,
                AudioSource& source, platform::Clock& clock);
    ~AudioEngine() override;
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Starts playback of the open source on `device`. `waker` is required with notification by
    // window. The chain's spectral stage, if any, is prepared for the block length beforehand.
    // Returns kEngineStarted or kEngineRateRefused / kEngineDeviceNotOpened.
    int Start(platform::OutputDevice& device, const EngineConfig& config, WindowThreadWaker* waker);
    // Returns every buffer, closes the device and the source, closes the open plug-ins.
    void Stop();
    bool running() const { return device_ != nullptr; }

    // The main window's tick: performs a requested stop. True when it stopped the engine.
    bool CompleteRequestedStop();

    // While paused or at a seek: the handler's time sum and the meters start afresh.
    void ResetLoadAndPeaks() { chain_.load().Reset(); chain_.ResetPeaks(); }

    // Notification by window: runs the completions the device has reported since the last call.
    void RunPendingCompletions();

    // The player's pause and resume: the device halts and restarts; nothing is dropped.
    void PauseDevice();
    void RestartDevice();

    // --- shared with the player ---------------------------------------------------------
    std::atomic<bool>& stopRequest() { return stopRequest_; }
    std::atomic<bool>& bufferOverflow() { return bufferOverflow_; }
    std::atomic<bool>& cpuOverload() { return cpuOverload_; }
    std::atomic<int32_t>& completionsSinceTick() { return completionsSinceTick_; }
    int64_t pairsWritten() const { return pairsWritten_.load(std::memory_order_relaxed); }
    int64_t pairsPlayed() const { return pairsPlayed_.load(std::memory_order_relaxed); }
    int32_t blockPairs() const { return config_.blockPairs; }
    int32_t bufferCount() const { return config_.bufferCount; }

private:
    void BufferDone() override;
    void HandleCompletion();

    ChainSlots& slots_;
    ProcessingChain& chain_;
    ChainControls& controls_;
    AudioSource& source_;
    platform::Clock& clock_;

    platform::OutputDevice* device_ = nullptr;
    WindowThreadWaker* waker_ = nullptr;
    EngineConfig config_;
    std::vector<int16_t> ring_; // (M + 1) blocks; the last is a spare
    int64_t ringIndex_ = 0;     // pair index of the block to refill next

    std::atomic<bool> stopRequest_{false};
    std::atomic<bool> bufferOverflow_{false};
    std::atomic<bool> cpuOverload_{false};
    std::atomic<int32_t> completionsSinceTick_{0};
    std::atomic<int32_t> pendingCompletions_{0};
    std::atomic<int64_t> pairsWritten_{0};
    std::atomic<int64_t> pairsPlayed_{0};
};

} // namespace lumisett::host
