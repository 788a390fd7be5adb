#include "plugins/analyzer/core/spectrum_watch.h"

#include "plugin_common/runtime/aligned_buffers.h"
#include "plugins/analyzer/core/stepping.h"

#include <algorithm>
#include <memory>

namespace lumisett::analyzer {
namespace {

constexpr std::size_t kBufferBytes = kMaxColumns * 4; // 4000 bytes: 1000 entries of 32 bits
static_assert(sizeof(std::atomic<float>) == 4 && std::atomic<float>::is_always_lock_free);

std::atomic<float>* StartTrace(void* memory) {
    auto* values = static_cast<std::atomic<float>*>(memory);
    for (int i = 0; i < kMaxColumns; ++i) {
        std::construct_at(values + i, 0.0f);
    }
    return values;
}

std::size_t Index(TraceId which) {
    return static_cast<std::size_t>(which);
}

} // namespace

SpectrumWatch::~SpectrumWatch() {
    Stop();
}

bool SpectrumWatch::Start(const DisplaySettings& settings, std::int32_t maxBins) {
    Stop();
    void* buffers[4] = {};
    for (void*& buffer : buffers) {
        buffer = plugin::AllocateAligned(kBufferBytes);
        if (buffer == nullptr) {
            for (void* taken : buffers) {
                plugin::FreeAligned(taken);
            }
            return false;
        }
    }
    map_ = static_cast<std::int32_t*>(buffers[0]);
    std::fill_n(map_, kMaxColumns, 0);
    for (std::size_t i = 0; i < 3; ++i) {
        traces_[i] = StartTrace(buffers[i + 1]);
    }
    maxBins_ = maxBins;
    mapGeneration_ = 0;
    mapColumns_ = 0;
    rate_.store(kInitialRate, std::memory_order_relaxed);
    bins_.store(kInitialBins, std::memory_order_relaxed);
    SetSettings(settings);
    started_.store(true, std::memory_order_release);
    return true;
}

void SpectrumWatch::Stop() {
    if (map_ == nullptr) {
        return;
    }
    windowOpen_.store(false, std::memory_order_seq_cst);
    started_.store(false, std::memory_order_seq_cst);
    noise_.Forget(); // also waits until no frame is inside Observe
    plugin::FreeAligned(map_);
    map_ = nullptr;
    for (auto*& values : traces_) {
        plugin::FreeAligned(values); // atomic<float> is trivially destructible
        values = nullptr;
    }
}

void SpectrumWatch::SetWindowOpen(bool open) noexcept {
    windowOpen_.store(open, std::memory_order_seq_cst);
}

void SpectrumWatch::SetSettings(const DisplaySettings& settings) noexcept {
    decibel_.store(settings.decibel, std::memory_order_relaxed);
    decay_.store(std::clamp(settings.decay, kMinDecay, kMaxDecay), std::memory_order_relaxed);
    depth_.store(settings.depth, std::memory_order_relaxed);
    top_.store(settings.top, std::memory_order_relaxed);
    const bool newLimits = low_.load(std::memory_order_relaxed) != settings.low ||
                           high_.load(std::memory_order_relaxed) != settings.high;
    low_.store(settings.low, std::memory_order_relaxed);
    high_.store(settings.high, std::memory_order_relaxed);
    if (newLimits) {
        viewGeneration_.fetch_add(1, std::memory_order_release);
    }
}

DisplaySettings SpectrumWatch::settings() const noexcept {
    return {.decibel = decibel_.load(std::memory_order_relaxed),
            .decay = decay_.load(std::memory_order_relaxed),
            .depth = depth_.load(std::memory_order_relaxed),
            .top = top_.load(std::memory_order_relaxed),
            .low = low_.load(std::memory_order_relaxed),
            .high = high_.load(std::memory_order_relaxed)};
}

void SpectrumWatch::SetPlotArea(int columns, int height) noexcept {
    columns_.store(std::clamp(columns, 2, kMaxColumns), std::memory_order_relaxed);
    height_.store(std::max(height, 1), std::memory_order_relaxed);
    viewGeneration_.fetch_add(1, std::memory_order_release);
}

void SpectrumWatch::SetSelection(TraceId which, int selection) noexcept {
    selections_[Index(which)].store(selection < 0 ? -1 : selection, std::memory_order_relaxed);
}

int SpectrumWatch::selection(TraceId which) const noexcept {
    return selections_[Index(which)].load(std::memory_order_relaxed);
}

Trace SpectrumWatch::MutableTrace(TraceId which) const noexcept {
    std::atomic<float>* values = traces_[Index(which)];
    return values != nullptr ? Trace(values, kMaxColumns) : Trace();
}

ConstTrace SpectrumWatch::trace(TraceId which) const noexcept {
    return MutableTrace(which);
}

void SpectrumWatch::ClearTraces(bool noiseToo) noexcept {
    ClearTrace(MutableTrace(TraceId::kFirst));
    ClearTrace(MutableTrace(TraceId::kSecond));
    if (noiseToo) {
        ClearTrace(MutableTrace(TraceId::kNoise));
    }
    RequestRepaint();
}

LevelScale SpectrumWatch::CurrentScale() const noexcept {
    return {.decibel = decibel_.load(std::memory_order_relaxed),
            .depth = depth_.load(std::memory_order_relaxed),
            .top = top_.load(std::memory_order_relaxed),
            .height = static_cast<float>(height_.load(std::memory_order_relaxed))};
}

// A new rate or bin count, new frequency limits or a new plot width: the map follows.
void SpectrumWatch::FollowStream(std::int32_t rate, std::int32_t bins) noexcept {
    const bool newStream = rate != rate_.load(std::memory_order_relaxed) ||
                           bins != bins_.load(std::memory_order_relaxed);
    const std::uint32_t generation = viewGeneration_.load(std::memory_order_acquire);
    if (!newStream && generation == mapGeneration_) {
        return;
    }
    rate_.store(rate, std::memory_order_relaxed);
    bins_.store(bins, std::memory_order_relaxed);
    mapGeneration_ = generation;
    mapColumns_ = columns_.load(std::memory_order_relaxed);
    BuildColumnMap({map_, static_cast<std::size_t>(mapColumns_)}, low_.load(std::memory_order_relaxed),
                   high_.load(std::memory_order_relaxed), bins, rate);
}

void SpectrumWatch::Observe(std::int32_t rate, std::int32_t bins, std::int32_t position,
                            const float* frame) noexcept {
    AudioActivity::Pass pass(activity_);
    if (!windowOpen_.load(std::memory_order_seq_cst) || !started_.load(std::memory_order_seq_cst)) {
        return;
    }
    // Frames the contract does not allow (no rate, fewer than two bins, more than K-max) are
    // not looked at: the map and the noise table are only valid up to K-max.
    if (rate <= 0 || bins < 2 || bins > maxBins_ || columns_.load(std::memory_order_relaxed) < 2) {
        return;
    }
    FollowStream(rate, bins);
    const std::span<const std::int32_t> map(map_, static_cast<std::size_t>(mapColumns_));
    const LevelScale scale = CurrentScale();
    const int decay = decay_.load(std::memory_order_relaxed);
    for (TraceId which : {TraceId::kFirst, TraceId::kSecond}) {
        const int chosen = selection(which);
        if (position == (chosen + 1) / 2) {
            UpdateTrace(MutableTrace(which).first(map.size()), map, chosen == -1 ? nullptr : frame, scale, decay);
        }
    }
    if (position == positions_.nameCount()) {
        // Without a source (none chosen, or withdrawn by DenoClose) the curve empties.
        const NoiseSource::View source =
            selection(TraceId::kNoise) == -1 ? NoiseSource::View{} : noise_.Read();
        UpdateNoiseCurve(MutableTrace(TraceId::kNoise).first(map.size()), map, source.table,
                         source.reference, scale);
        RequestRepaint();
    }
}

} // namespace lumisett::analyzer
