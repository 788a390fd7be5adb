#pragma once
// The filter's state: its parameters, the response tables the spectral routine reads, the
// noise table the analyzer reads, and the stream values of the last frame.
//
// Threads. Process runs in the audio context; SetParameters and everything else on the window
// thread. A table is rebuilt on the window thread when the parameters change and in the audio
// context when a frame brings another sample rate or bin count.
//
// How a rebuilt table reaches the frames whole. There are three response tables. A rebuild
// writes into a table that is neither the published one nor the one a frame is reading, and
// then publishes it by storing its index. A frame takes the published index once, marks it as
// the one it reads, and checks that it is still published before it trusts it (if not, it
// takes the newer one): with sequentially consistent order a rebuild that starts after that
// check is bound to see the mark and leave that table alone. So a frame meets exactly one
// table, old or new, never a mix, and the audio context never waits for the window thread.
//
// The two kinds of rebuild exclude each other through a claim flag. The window thread waits
// for it (the audio context holds it for one rebuild at most); the audio context only tries,
// and when the editor holds it that frame makes do with the table it finds (see Process) and
// the next frame tries again.
//
// The noise table has one address from Init to Exit, because the analyzer keeps it. Each
// rebuild rewrites it in place after its response table (element by element, atomically): a
// reader may see a curve that is partly old and partly new, which only ever gets drawn.

#include "plugin_common/runtime/shared_claim.h"
#include "plugins/hilofilt/core/filter_parameters.h"
#include "plugins/hilofilt/core/response_table.h"

#include <array>
#include <atomic>
#include <cstdint>

namespace lumisett::hilofilt {

inline constexpr std::int32_t kMaxBins = 16384;

class ResponseFilter {
public:
    ResponseFilter() = default;
    ~ResponseFilter();
    ResponseFilter(const ResponseFilter&) = delete;
    ResponseFilter& operator=(const ResponseFilter&) = delete;

    // InitEffect: takes the tables for up to `kMax` bins (1 .. kMaxBins) from the plug-in's
    // aligned buffers and builds them for 44100 Hz and 1024 bins (or kMax, when smaller), so
    // the noise table holds the filter's curve before the first frame. False when `kMax` is
    // out of range or memory ran out; nothing is kept then.
    bool Init(std::int32_t kMax, const FilterParameters& parameters);
    // ExitEffect: returns the tables. Harmless when not initialised.
    void Exit();
    bool initialised() const { return noise_ != nullptr; }
    std::int32_t maxBins() const { return kMax_; }

    // --- window thread ---------------------------------------------------------------------
    // Takes the parameters and rebuilds the table for the current stream values at once; the
    // next frame uses it.
    void SetParameters(const FilterParameters& parameters);
    const FilterParameters& parameters() const { return parameters_; }

    // --- either thread ---------------------------------------------------------------------
    // GetNoiseTab: 2 · kMax floats (left half, then right half, of the current bin count) and
    // the reference level 1.0. Both addresses stay the same from Init to Exit; the noise
    // table is null before Init.
    float* noiseTable() noexcept { return noise_; }
    double* referenceLevel() noexcept { return &reference_; }
    // The values of the last valid frame (44100 and 1024 before the first).
    std::int32_t rate() const noexcept { return rate_.load(std::memory_order_relaxed); }
    std::int32_t bins() const noexcept { return bins_.load(std::memory_order_relaxed); }

    // --- audio context ---------------------------------------------------------------------
    // DoEffect: notes the stream values, rebuilds when the published table was made for
    // others, and with a nonzero mask applies the table to the frame. A frame with no data,
    // a rate below 1 or a bin count outside 1 .. kMax is left as it is.
    void Process(std::int32_t rate, std::int32_t mask, std::int32_t bins, float* frame) noexcept;

private:
    struct Table {
        float* h = nullptr;
        std::int32_t rate = 0; // what the values were built for
        std::int32_t bins = 0;
    };
    static constexpr int kTables = 3;
    static constexpr int kNoTable = -1;

    // With the claim held: builds the parameters into a free table for the current stream
    // values, rewrites the noise table and publishes.
    void Rebuild();
    int FreeTable() const;
    // The published table, marked as read until Release.
    int Acquire() noexcept;
    void Release() noexcept;

    std::int32_t kMax_ = 0;
    std::array<Table, kTables> tables_{};
    float* noise_ = nullptr;
    double reference_ = 1.0;

    // Written on the window thread with the claim held, read by rebuilds (which hold it).
    FilterParameters parameters_{};

    plugin::SharedClaim claim_;
    std::atomic<int> published_{0};
    std::atomic<int> reading_{kNoTable};
    std::atomic<std::int32_t> rate_{kDefaultRate};
    std::atomic<std::int32_t> bins_{kDefaultBins};
};

} // namespace lumisett::hilofilt
