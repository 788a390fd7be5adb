#include "plugins/analyzer/core/noise_source.h"

#include <cstdint>
#include <cstring>

namespace lumisett::analyzer {
namespace {

// The lending plug-in may change the reference while we read it (the de-noiser's threshold
// slider); it does so atomically, and so do we.
double ReadReference(const double* reference) {
    if (reinterpret_cast<std::uintptr_t>(reference) % std::atomic_ref<double>::required_alignment != 0) {
        double value = 0;
        std::memcpy(&value, reference, sizeof value);
        return value;
    }
    return std::atomic_ref<double>(*const_cast<double*>(reference)).load(std::memory_order_relaxed);
}

} // namespace

void NoiseSource::Bind(const float* table, const double* reference) noexcept {
    Forget();
    if (table == nullptr || reference == nullptr) {
        return;
    }
    reference_.store(reference, std::memory_order_relaxed);
    table_.store(table, std::memory_order_release);
}

void NoiseSource::Forget() noexcept {
    table_.store(nullptr, std::memory_order_seq_cst);
    activity_.WaitUntilIdle();
    reference_.store(nullptr, std::memory_order_relaxed);
}

NoiseSource::View NoiseSource::Read() const noexcept {
    const float* table = table_.load(std::memory_order_seq_cst);
    if (table == nullptr) {
        return {};
    }
    const double* reference = reference_.load(std::memory_order_relaxed);
    if (reference == nullptr) {
        return {};
    }
    return {table, ReadReference(reference)};
}

} // namespace lumisett::analyzer
