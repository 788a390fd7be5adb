#pragma once
// The names, files and record layout that make the de-noiser itself.

#include "plugin_common/runtime/plugin_runtime.h"

#include <cstdint>

namespace lumisett::denoise {

// The analyzer finds the de-noiser by this exact name.
inline constexpr const char* kDisplayName = "Ve-Vidare";
inline constexpr const char* kStatusText = "spectral noise reduction by noise profile";

// denoise.par: magic, profile kind, 8 bytes kept as read, threshold factor T and reduction
// weight R as floats, the editor rectangle.
inline constexpr std::size_t kRecordSize = 40;
inline constexpr std::uint32_t kRecordMagic = 0x06031943;
inline constexpr std::size_t kKindOffset = 4;
inline constexpr std::size_t kThresholdOffset = 16;
inline constexpr std::size_t kReductionOffset = 20;
inline constexpr std::size_t kRectangleOffset = 24;

// Defaults for a missing or invalid file, inside what the sliders produce and chosen with the
// quality benchmark: T = 1/b with b = 10 (the threshold slider's text 20.00 dB, position 58),
// and R = 0.5 (reduction 50 %), which together take typical hiss down clearly without
// hollowing out quiet passages.
inline constexpr float kDefaultThreshold = 0.1f;
inline constexpr float kDefaultReduction = 0.5f;

void ApplyDefaults(plugin::ParameterRecord& record);

inline const plugin::PluginIdentity kIdentity{
    .parameters = {.fileName = "denoise.par",
                   .size = kRecordSize,
                   .magic = kRecordMagic,
                   .rectangleOffset = kRectangleOffset},
    .applyDefaults = &ApplyDefaults,
    .helpFile = "denoise.hlp",
    .editorTitle = " Ve-Vidare 2.1",
    .aboutMenuItem = "About Denoiser...",
    .aboutTitle = "Ve-Vidare 2.1",
    .aboutText = "Ve-Vidare 2.1\n\n"
                 "Spectral noise reduction with white, pink\n"
                 "and fingerprinted noise profiles.",
};

} // namespace lumisett::denoise
