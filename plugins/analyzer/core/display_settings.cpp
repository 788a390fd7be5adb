#include "plugins/analyzer/core/display_settings.h"

#include "plugins/analyzer/core/stepping.h"

#include <cmath>

namespace lumisett::analyzer {
namespace {

// The record offers 32-bit access only; a 16-bit field is one half of an aligned word.
std::int16_t ReadI16(const plugin::ParameterRecord& record, std::size_t offset) {
    const std::uint32_t word = record.U32(offset & ~std::size_t{3});
    return static_cast<std::int16_t>(word >> (8 * (offset & 3)));
}

void WriteI16(plugin::ParameterRecord& record, std::size_t offset, int value) {
    const std::size_t at = offset & ~std::size_t{3};
    const unsigned shift = static_cast<unsigned>(8 * (offset & 3));
    std::uint32_t word = record.U32(at);
    word &= ~(std::uint32_t{0xFFFF} << shift);
    word |= (static_cast<std::uint32_t>(value) & 0xFFFF) << shift;
    record.SetU32(at, word);
}

bool ScaleIsUsable(int depth, int top) {
    return top >= kMinScaleTop && top + kScaleStep <= depth && depth <= kMaxScaleDepth;
}

bool FrequenciesAreUsable(float low, float high) {
    return std::isfinite(low) && std::isfinite(high) && low >= kLowestLog && low < high &&
           high < kHighestLog;
}

} // namespace

void ApplyDefaults(plugin::ParameterRecord& record) {
    const std::int32_t logFlag = record.I32(kLogOffset); // not reset by the defaults
    WriteSettings(record, DisplaySettings{});
    record.SetI32(kLogOffset, logFlag);
}

DisplaySettings ReadSettings(const plugin::ParameterRecord& record) {
    DisplaySettings settings;
    settings.decibel = record.I32(kLogOffset) != 0;
    const int decay = ReadI16(record, kDecayOffset);
    if (decay >= kMinDecay && decay <= kMaxDecay) {
        settings.decay = decay;
    }
    const int depth = ReadI16(record, kDepthOffset);
    const int top = ReadI16(record, kTopOffset);
    if (ScaleIsUsable(depth, top)) {
        settings.depth = depth;
        settings.top = top;
    }
    const float low = record.F32(kLowOffset);
    const float high = record.F32(kHighOffset);
    if (FrequenciesAreUsable(low, high)) {
        settings.low = low;
        settings.high = high;
    }
    return settings;
}

void WriteSettings(plugin::ParameterRecord& record, const DisplaySettings& settings) {
    record.SetI32(kLogOffset, settings.decibel ? 1 : 0);
    WriteI16(record, kDecayOffset, settings.decay);
    WriteI16(record, kDepthOffset, settings.depth);
    WriteI16(record, kTopOffset, settings.top);
    record.SetF32(kLowOffset, settings.low);
    record.SetF32(kHighOffset, settings.high);
}

} // namespace lumisett::analyzer
