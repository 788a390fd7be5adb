#pragma once
// The names, files and record layout that make the DC-offset remover itself.

#include "plugin_common/runtime/plugin_runtime.h"

#include <cstdint>

namespace lumisett::zeroline {

inline constexpr const char* kDisplayName = "DI-Revivad";
inline constexpr const char* kStatusText = "DC removal, high-pass near 1.4 Hz";

// zeroline.par: magic, 12 reserved bytes kept as read, the editor rectangle.
inline constexpr std::size_t kRecordSize = 32;
inline constexpr std::uint32_t kRecordMagic = 0x26031970;
inline constexpr std::size_t kRectangleOffset = 16;

inline const plugin::PluginIdentity kIdentity{
    .parameters = {.fileName = "zeroline.par",
                   .size = kRecordSize,
                   .magic = kRecordMagic,
                   .rectangleOffset = kRectangleOffset},
    .applyDefaults = nullptr, // the filter is fixed: nothing but the place to default
    .helpFile = "zeroline.hlp",
    .editorTitle = "DI-Revivad 2.1",
    .aboutMenuItem = "About DC-offset...",
    .aboutTitle = "DI-Revivad 2.1",
    .aboutText = "DI-Revivad 2.1\n\n"
                 "Removes DC offset and sub-audio drift\n"
                 "from both channels of the stream.",
};

} // namespace lumisett::zeroline
