#pragma once
// The names, files and record layout that make the low/high-pass filter itself.

#include "plugin_common/runtime/plugin_runtime.h"

#include <cstdint>

namespace lumisett::hilofilt {

// The analyzer finds the filter by this exact name.
inline constexpr const char* kDisplayName = "Zi-Di";
inline constexpr const char* kStatusText = "spectral high-pass and low-pass filter";

// hilofilt.par: magic, 12 bytes kept as read, f_hp, s_hp, f_lp, s_lp as floats, the editor
// rectangle.
inline constexpr std::size_t kRecordSize = 48;
inline constexpr std::uint32_t kRecordMagic = 0x26031970;
inline constexpr std::size_t kHighPassHzOffset = 16;
inline constexpr std::size_t kHighPassSlopeOffset = 20;
inline constexpr std::size_t kLowPassHzOffset = 24;
inline constexpr std::size_t kLowPassSlopeOffset = 28;
inline constexpr std::size_t kRectangleOffset = 32;

void ApplyDefaults(plugin::ParameterRecord& record);

inline const plugin::PluginIdentity kIdentity{
    .parameters = {.fileName = "hilofilt.par",
                   .size = kRecordSize,
                   .magic = kRecordMagic,
                   .rectangleOffset = kRectangleOffset},
    .applyDefaults = &ApplyDefaults,
    .helpFile = "hilofilt.hlp",
    .editorTitle = "High- Lowpass 2.1",
    .aboutMenuItem = "About low- highpass...",
    .aboutTitle = "High- Lowpass 2.1",
    .aboutText = "High- Lowpass 2.1\n\n"
                 "Removes rumble below an adjustable low corner\n"
                 "and hiss above an adjustable high corner,\n"
                 "without any phase shift.",
};

} // namespace lumisett::hilofilt
