#pragma once
// The per-buffer processing chain: read the source, run the plug-ins of the chain slots in
// their three stages, form the difference signal, make the output stereo and measure the
// meters. Playback, headless playback and rendering all run this one ProcessBlock.
//
// Threads: Start and Stop run on the window thread while no block is processed; ProcessBlock
// runs in the audio context (the audio thread or the window thread, by notification mode) and
// allocates nothing. The controls are written by the windows and read once per block; the
// meters and load figures are written here and read by window timers.

#include "host/plugins/chain_slots.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace lumisett::host {

inline constexpr int32_t kDifferenceRingPairs = 24576;
inline constexpr int kMeterHistory = 20;

// The source as the chain sees it: the next block of pairs, with the channel mode applied.
class BlockSource {
public:
    virtual ~BlockSource() = default;
    // Audio context. Fills `pairs` sample pairs; a one-channel source puts each sample in both
    // halves of its pair. `channelMode` is 0 stereo, 1 mono, 2 left, 3 right.
    virtual void ReadBlock(int16_t* block, int32_t pairs, int channelMode) = 0;
    virtual int channels() const = 0;
    virtual int32_t sampleRate() const = 0;
};

// The host's spectral stage, run on the block when a loaded plug-in asks for it.
class SpectralStage {
public:
    virtual ~SpectralStage() = default;
    // Audio context: transforms the block, hands each frame to the spectral plug-ins and the
    // analyzer, and writes the result back into the block, one block later.
    virtual void ProcessBlock(int16_t* block, int32_t pairs, int32_t rate, int channelMode,
                              bool bypassAll) = 0;
};

// Switches written by the windows (or the render's options), read once per block.
struct ChainControls {
    std::atomic<int> channelMode{0};
    std::atomic<bool> difference{false};
    std::atomic<bool> bypassAll{false};
    std::atomic<bool> spectralMono{false};
    // Set while the player pauses, at the end of the source, or after an overflow: the
    // plug-ins are skipped and the block keeps the source data.
    std::atomic<bool> pauseRequest{false};
};

// The handler's running time, summed for the main window's load display.
class LoadAccounting {
public:
    void AddRun(int64_t microseconds) {
        timeSum_.fetch_add(microseconds, std::memory_order_relaxed);
        runs_.fetch_add(1, std::memory_order_relaxed);
    }
    // At playback start and whenever the player sees a pause: sum 0, count 1.
    void Reset() {
        timeSum_.store(0, std::memory_order_relaxed);
        runs_.store(1, std::memory_order_relaxed);
    }
    // The main window's tick keeps a running average that forgets old blocks: once four runs
    // are in, both the sum and the count are halved (a run added meanwhile may be lost from the
    // average; the display can afford that).
    void HalveWhenFull() {
        if (runs_.load(std::memory_order_relaxed) >= 4) {
            timeSum_.store(timeSum_.load(std::memory_order_relaxed) / 2, std::memory_order_relaxed);
            runs_.store(runs_.load(std::memory_order_relaxed) / 2, std::memory_order_relaxed);
        }
    }
    // Average handler time per run, in milliseconds.
    double AverageMilliseconds() const {
        return static_cast<double>(timeSum_.load(std::memory_order_relaxed)) / 1000.0 /
               static_cast<double>(std::max<int64_t>(1, runs_.load(std::memory_order_relaxed)));
    }

private:
    std::atomic<int64_t> timeSum_{0};
    std::atomic<int64_t> runs_{1};
};

// Where the device stands, for the meters: the pairs queued so far and the pairs played.
struct DevicePosition {
    int64_t pairsWritten = 0;
    int64_t pairsPlayed = 0;
};

class ProcessingChain {
public:
    ProcessingChain(ChainSlots& slots, ChainControls& controls);

    // Playback start: allocates the difference ring and the scratch area (zero-filled) and
    // resets the block counter, the meters and the load figures.
    void Start(int32_t blockPairs);
    // Playback stop: frees what Start allocated.
    void Stop();

    // The spectral stage, or null while there is none; set while no block is processed.
    void SetSpectralStage(SpectralStage* stage) { spectralStage_ = stage; }

    // Refills one device buffer of the block length given to Start.
    void ProcessBlock(int16_t* block, BlockSource& source, const DevicePosition& device);

    // The peaks (0..32768) of the block that is audible now.
    int32_t peakLeft() const { return peakLeft_.load(std::memory_order_relaxed); }
    int32_t peakRight() const { return peakRight_.load(std::memory_order_relaxed); }
    LoadAccounting& load() { return load_; }
    void ResetPeaks() {
        peakLeft_.store(0, std::memory_order_relaxed);
        peakRight_.store(0, std::memory_order_relaxed);
    }
    // True when the spectral stage runs for the current slots.
    bool SpectralStageActive() const;
    // The chain's announced delay in pairs: the open slots' latencies, plus one block while
    // the spectral stage runs.
    int32_t AnnouncedLatency() const;

private:
    void RunBlockStage(int32_t kind, int16_t* block, int32_t rate, int mask);
    void FormDifference(int16_t* block);
    void MeasurePeaks(const int16_t* block, const DevicePosition& device);

    ChainSlots& slots_;
    ChainControls& controls_;
    SpectralStage* spectralStage_ = nullptr;
    int32_t blockPairs_ = 0;
    std::vector<int16_t> differenceRing_;
    std::vector<int16_t> scratch_;
    int32_t ringBlock_ = 0; // where the next copy goes, in blocks
    std::array<int32_t, kMeterHistory> historyLeft_{};
    std::array<int32_t, kMeterHistory> historyRight_{};
    int historyPosition_ = 0;
    std::atomic<int32_t> peakLeft_{0};
    std::atomic<int32_t> peakRight_{0};
    LoadAccounting load_;
};

} // namespace lumisett::host
