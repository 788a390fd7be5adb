#include "plugins/analyzer/core/spectrum_math.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace lumisett::analyzer {
namespace {

double DecibelHeight(double a, const LevelScale& s) {
    return (s.depth - kReferenceDecibels + 20.0 * std::log10(a)) * s.height / (s.depth - s.top);
}

double LinearHeight(double a, const LevelScale& s) {
    const double bottom = std::pow(10.0, (kReferenceDecibels - s.depth) / 20.0);
    const double top = std::pow(10.0, (kReferenceDecibels - s.top) / 20.0);
    return (a - bottom) * s.height / (top - bottom);
}

double Capped(double y, const LevelScale& s) {
    return std::min(y, double{s.height});
}

// Reads the noise table as the relaxed atomic loads that its owner's writes pair with when
// they are atomic too; a misaligned table (never handed out by our plug-ins) is copied.
float ReadShared(const float* table, std::int32_t j) {
    const float* at = table + j;
    if (reinterpret_cast<std::uintptr_t>(at) % alignof(float) != 0) {
        float value = 0;
        std::memcpy(&value, at, sizeof value);
        return value;
    }
    return std::atomic_ref<float>(*const_cast<float*>(at)).load(std::memory_order_relaxed);
}

// Walks the columns as both updates do: column 0 starts at 0 and takes column 1's value at
// the end; a column whose element was already used repeats the column before it.
template <typename ColumnValue>
void WalkColumns(Trace trace, std::span<const std::int32_t> map, ColumnValue value) {
    const std::size_t width = std::min(trace.size(), map.size());
    if (width < 2) {
        for (std::size_t i = 0; i < width; ++i) {
            trace[i].store(0.0f, std::memory_order_relaxed);
        }
        return;
    }
    trace[0].store(0.0f, std::memory_order_relaxed);
    std::int32_t first = map[1];
    for (std::size_t i = 1; i < width; ++i) {
        const std::int32_t last = map[i];
        if (last < first) {
            trace[i].store(trace[i - 1].load(std::memory_order_relaxed), std::memory_order_relaxed);
            continue;
        }
        trace[i].store(value(trace[i].load(std::memory_order_relaxed), first, last),
                       std::memory_order_relaxed);
        first = last + 1;
    }
    trace[0].store(trace[1].load(std::memory_order_relaxed), std::memory_order_relaxed);
}

} // namespace

void BuildColumnMap(std::span<std::int32_t> map, double low, double high, std::int32_t bins,
                    std::int32_t rate) {
    const double width = static_cast<double>(map.size());
    std::int32_t running = 0;
    for (std::size_t i = 0; i < map.size(); ++i) {
        const double f = std::pow(10.0, low + static_cast<double>(i) * (high - low) / width);
        const double element = std::trunc(f * 2.0 * bins / rate) + 1.0;
        const auto h = static_cast<std::int32_t>(std::min(element, static_cast<double>(bins - 1)));
        running = std::max(running, h);
        map[i] = running;
    }
}

double TraceHeight(double a, const LevelScale& scale) {
    if (scale.decibel) {
        return a > 0.0 ? Capped(DecibelHeight(a, scale), scale) : 0.0;
    }
    return std::isnan(a) ? 0.0 : Capped(LinearHeight(a, scale), scale);
}

double NoiseHeight(double a, const LevelScale& scale) {
    if (!(a > std::pow(10.0, (kReferenceDecibels - scale.depth) / 20.0))) {
        return 0.0;
    }
    return Capped(scale.decibel ? DecibelHeight(a, scale) : LinearHeight(a, scale), scale);
}

void UpdateTrace(Trace trace, std::span<const std::int32_t> map, const float* magnitudes,
                 const LevelScale& scale, int decay) noexcept {
    if (magnitudes == nullptr) {
        ClearTrace(trace);
        return;
    }
    const double d = std::max(decay, 1);
    WalkColumns(trace, map, [&](float shown, std::int32_t first, std::int32_t last) {
        double sum = 0.0;
        for (std::int32_t j = first; j <= last; ++j) {
            sum += magnitudes[j];
        }
        const double y = TraceHeight(sum / (last - first + 1), scale);
        return static_cast<float>(shown + (y - shown) / d);
    });
}

void UpdateNoiseCurve(Trace curve, std::span<const std::int32_t> map, const float* table,
                      double reference, const LevelScale& scale) noexcept {
    if (table == nullptr || !(reference > 0.0) || !std::isfinite(reference)) {
        ClearTrace(curve);
        return;
    }
    WalkColumns(curve, map, [&](float, std::int32_t first, std::int32_t last) {
        double sum = 0.0;
        for (std::int32_t j = first; j <= last; ++j) {
            sum += 1.0 / ReadShared(table, j);
        }
        return static_cast<float>(NoiseHeight(sum / (last - first + 1) / reference, scale));
    });
}

void ClearTrace(Trace trace) noexcept {
    for (auto& value : trace) {
        value.store(0.0f, std::memory_order_relaxed);
    }
}

int DecayMilliseconds(int decay, std::int32_t bins, std::int32_t rate) {
    if (decay < 1 || rate <= 0) {
        return 0;
    }
    // 2.718 rather than e: the figure the window has always shown.
    return static_cast<int>(std::trunc(std::log(double(decay)) / std::log(2.718) * 1000.0 * bins / rate));
}

std::string DecayFigure(int decay, std::int32_t bins, std::int32_t rate) {
    char text[16];
    std::snprintf(text, sizeof text, "%4d", DecayMilliseconds(decay, bins, rate));
    return text;
}

} // namespace lumisett::analyzer
