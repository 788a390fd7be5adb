#pragma once
// The noise table another plug-in lends the analyzer through GetNoiseTab, with the reference
// value that scales it.
//
// Threads. The window thread binds and forgets (window open, list refill, the user's pick,
// and DenoClose from the lending plug-in's ExitEffect, which frees the table right after);
// the audio thread reads the table in TransData, inside an AudioActivity pass. Forget
// unpublishes the table and then waits for the pass in progress, so once it returns no frame
// can still touch the table.

#include "plugins/analyzer/core/audio_activity.h"

#include <atomic>

namespace lumisett::analyzer {

class NoiseSource {
public:
    explicit NoiseSource(AudioActivity& activity) : activity_(activity) {}

    // Window thread. A null table or reference binds nothing.
    void Bind(const float* table, const double* reference) noexcept;
    void Forget() noexcept;
    bool bound() const noexcept { return table_.load(std::memory_order_acquire) != nullptr; }

    // Audio thread, inside a pass: the table (null when none) and its reference.
    struct View {
        const float* table = nullptr;
        double reference = 0.0;
    };
    View Read() const noexcept;

private:
    AudioActivity& activity_;
    std::atomic<const float*> table_{nullptr};
    std::atomic<const double*> reference_{nullptr};
};

} // namespace lumisett::analyzer
