#include "plugins/hilofilt/core/response_filter.h"

#include "plugin_common/runtime/aligned_buffers.h"

#include <algorithm>

namespace lumisett::hilofilt {

ResponseFilter::~ResponseFilter() {
    Exit();
}

bool ResponseFilter::Init(std::int32_t kMax, const FilterParameters& parameters) {
    Exit();
    if (kMax < 1 || kMax > kMaxBins) {
        return false;
    }
    const auto floats = static_cast<std::size_t>(kMax);
    for (Table& table : tables_) {
        table.h = static_cast<float*>(plugin::AllocateAligned(floats * sizeof(float)));
    }
    noise_ = static_cast<float*>(plugin::AllocateAligned(2 * floats * sizeof(float)));
    const bool allThere = noise_ != nullptr && std::ranges::all_of(tables_, [](const Table& t) {
        return t.h != nullptr;
    });
    if (!allThere) {
        Exit();
        return false;
    }
    kMax_ = kMax;
    // Every value defined, also past the bin count a table was last built for.
    for (Table& table : tables_) {
        std::fill_n(table.h, floats, 1.0f);
        table.rate = table.bins = 0;
    }
    std::fill_n(noise_, 2 * floats, NoiseValue(1.0f));
    parameters_ = parameters;
    rate_.store(kDefaultRate);
    bins_.store(std::min(kDefaultBins, kMax));
    published_.store(0);
    reading_.store(kNoTable);
    claim_.Release(); // free at the start, whatever an earlier run left
    Rebuild();
    return true;
}

void ResponseFilter::Exit() {
    for (Table& table : tables_) {
        plugin::FreeAligned(table.h);
        table = Table{};
    }
    plugin::FreeAligned(noise_);
    noise_ = nullptr;
    kMax_ = 0;
}

void ResponseFilter::SetParameters(const FilterParameters& parameters) {
    if (!initialised()) {
        parameters_ = parameters;
        return;
    }
    plugin::SharedClaim::WindowHold hold(claim_); // one rebuild
    parameters_ = parameters;
    Rebuild();
}

int ResponseFilter::FreeTable() const {
    const int published = published_.load(std::memory_order_seq_cst);
    const int reading = reading_.load(std::memory_order_seq_cst);
    for (int i = 0; i < kTables; ++i) {
        if (i != published && i != reading) {
            return i;
        }
    }
    return kNoTable; // unreachable: three tables, at most two of them taken
}

void ResponseFilter::Rebuild() {
    const std::int32_t rate = rate_.load(std::memory_order_relaxed);
    const std::int32_t bins = bins_.load(std::memory_order_relaxed);
    Table& table = tables_[static_cast<std::size_t>(FreeTable())];
    BuildResponse(parameters_, rate, bins, table.h);
    table.rate = rate;
    table.bins = bins;
    // The analyzer may be reading the noise table while it changes: element-wise atomic
    // stores keep that a benign, drawing-only inconsistency rather than a data race.
    const auto k = static_cast<std::size_t>(bins);
    for (std::size_t j = 0; j < k; ++j) {
        const float noise = NoiseValue(table.h[j]);
        std::atomic_ref<float>(noise_[k + j]).store(noise, std::memory_order_relaxed);
        std::atomic_ref<float>(noise_[j]).store(noise, std::memory_order_relaxed);
    }
    published_.store(static_cast<int>(&table - tables_.data()), std::memory_order_seq_cst);
}

int ResponseFilter::Acquire() noexcept {
    int index = published_.load(std::memory_order_seq_cst);
    for (;;) {
        reading_.store(index, std::memory_order_seq_cst);
        const int now = published_.load(std::memory_order_seq_cst);
        if (now == index) {
            return index;
        }
        index = now;
    }
}

void ResponseFilter::Release() noexcept {
    reading_.store(kNoTable, std::memory_order_release);
}

void ResponseFilter::Process(std::int32_t rate, std::int32_t mask, std::int32_t bins, float* frame) noexcept {
    if (frame == nullptr || !initialised() || rate < 1 || bins < 1 || bins > kMax_) {
        return;
    }
    rate_.store(rate, std::memory_order_relaxed);
    bins_.store(bins, std::memory_order_relaxed);
    int index = Acquire();
    const Table* table = &tables_[static_cast<std::size_t>(index)];
    if (table->rate != rate || table->bins != bins) {
        Release();
        if (claim_.TryTake()) {
            Rebuild();
            claim_.Release();
        }
        index = Acquire();
        table = &tables_[static_cast<std::size_t>(index)];
    }
    // Only when the editor held the claim can the table still be for another stream: one made
    // for the previous rate is still the filter, shifted a little, and serves for this frame;
    // one made for another bin count would put its gains on the wrong bins, so the frame then
    // passes as it is. The next frame tries the rebuild again.
    if (mask != 0 && table->bins == bins) {
        ApplyResponse(table->h, bins, frame);
    }
    Release();
}

} // namespace lumisett::hilofilt
