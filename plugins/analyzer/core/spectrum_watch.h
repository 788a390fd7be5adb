#pragma once
// What TransData does, and the state it shares with the window: the column map, the two
// traces and the noise curve, the selections, the display settings, the plot geometry and
// the bound noise source.
//
// Threads. Observe runs in the audio context; everything else on the window thread (some
// readers on either). Shared values are atomics. The column map belongs to the audio thread
// alone: the window only publishes a new geometry or new frequency limits and bumps a view
// generation, and the next frame rebuilds the map. Nothing here allocates after Start.

#include "plugins/analyzer/core/audio_activity.h"
#include "plugins/analyzer/core/display_settings.h"
#include "plugins/analyzer/core/noise_source.h"
#include "plugins/analyzer/core/position_list.h"
#include "plugins/analyzer/core/spectrum_math.h"

#include <atomic>
#include <cstdint>

namespace lumisett::analyzer {

inline constexpr std::int32_t kInitialRate = 44100;
inline constexpr std::int32_t kInitialBins = 2048;

enum class TraceId { kFirst = 0, kSecond = 1, kNoise = 2 };

// The plot's pause rule: when the host status word is exactly "paused" (no cue, no loop), the
// traces are cleared once; they refill when frames arrive again.
class PauseRule {
public:
    // Every 60 ms with the status word; true when the traces are to be cleared now.
    bool Tick(std::int32_t status) noexcept {
        const bool paused = status == 2;
        const bool clear = paused && !cleared_;
        cleared_ = paused;
        return clear;
    }

private:
    bool cleared_ = false;
};

class SpectrumWatch {
public:
    SpectrumWatch() = default;
    ~SpectrumWatch();
    SpectrumWatch(const SpectrumWatch&) = delete;
    SpectrumWatch& operator=(const SpectrumWatch&) = delete;

    // InitEffect: takes the column map and the three traces (1000 entries each) from the
    // plug-in's aligned table; `maxBins` is the largest K a frame may have. False when memory
    // ran out (nothing is kept then).
    bool Start(const DisplaySettings& settings, std::int32_t maxBins);
    // ExitEffect: the audio side stops using the buffers before they are returned.
    void Stop();
    bool started() const noexcept { return started_.load(std::memory_order_acquire); }

    // --- window thread ------------------------------------------------------------------
    // While the window is closed, Observe returns at once.
    void SetWindowOpen(bool open) noexcept;
    bool windowOpen() const noexcept { return windowOpen_.load(std::memory_order_relaxed); }

    void SetSettings(const DisplaySettings& settings) noexcept;
    DisplaySettings settings() const noexcept;
    // The plot area in pixels; the width is limited to 2 .. 1000 columns.
    void SetPlotArea(int columns, int height) noexcept;
    int columns() const noexcept { return columns_.load(std::memory_order_relaxed); }
    int plotHeight() const noexcept { return height_.load(std::memory_order_relaxed); }

    // Selections are indexes into the position list (traces) or the noise list; -1 is "none".
    void SetSelection(TraceId which, int selection) noexcept;
    int selection(TraceId which) const noexcept;

    // Sets traces 1 and 2 (and the noise curve too, when `noiseToo`) to 0 over all columns.
    void ClearTraces(bool noiseToo) noexcept;
    ConstTrace trace(TraceId which) const noexcept;

    // True once after each frame that finished (and after ClearTraces): the plot repaints.
    bool TakeRepaintRequest() noexcept { return repaint_.exchange(false, std::memory_order_acq_rel); }
    void RequestRepaint() noexcept { repaint_.store(true, std::memory_order_release); }

    PositionList& positions() noexcept { return positions_; }
    NoiseSource& noiseSource() noexcept { return noise_; }

    // The stream as last seen by Observe.
    std::int32_t rate() const noexcept { return rate_.load(std::memory_order_relaxed); }
    std::int32_t bins() const noexcept { return bins_.load(std::memory_order_relaxed); }

    // --- audio context ------------------------------------------------------------------
    // TransData: the frame as it enters stage position `position` (0 .. the name count).
    void Observe(std::int32_t rate, std::int32_t bins, std::int32_t position, const float* frame) noexcept;

private:
    Trace MutableTrace(TraceId which) const noexcept;
    void FollowStream(std::int32_t rate, std::int32_t bins) noexcept;
    LevelScale CurrentScale() const noexcept;

    // Buffers from the aligned table; the atomics are constructed in place.
    std::int32_t* map_ = nullptr;
    std::atomic<float>* traces_[3] = {};
    std::atomic<bool> started_{false};
    std::int32_t maxBins_ = 0;

    std::atomic<bool> windowOpen_{false};
    std::atomic<bool> decibel_{false};
    std::atomic<int> decay_{kDefaultDecay};
    std::atomic<int> depth_{kDefaultDepth};
    std::atomic<int> top_{kDefaultTop};
    std::atomic<float> low_{kDefaultLow};
    std::atomic<float> high_{kDefaultHigh};
    std::atomic<int> columns_{0};
    std::atomic<int> height_{0};
    std::atomic<std::uint32_t> viewGeneration_{1};
    std::atomic<int> selections_[3] = {-1, -1, -1};
    std::atomic<bool> repaint_{false};
    std::atomic<std::int32_t> rate_{kInitialRate};
    std::atomic<std::int32_t> bins_{kInitialBins};

    // The audio thread's own: what the column map was built for.
    std::uint32_t mapGeneration_ = 0;
    int mapColumns_ = 0;

    AudioActivity activity_;
    PositionList positions_;
    NoiseSource noise_{activity_};
};

} // namespace lumisett::analyzer
