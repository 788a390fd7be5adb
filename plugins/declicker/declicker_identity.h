#pragma once
// The names, files and texts that make the de-scratcher itself.

#include "plugin_common/runtime/plugin_runtime.h"
#include "plugins/declicker/core/parameter_fields.h"

namespace lumisett::declicker {

inline constexpr const char* kDisplayName = "De-scratcher";
inline constexpr const char* kStatusText = "Clicks, crackle and plops out; 512 frames late";

inline const plugin::PluginIdentity kIdentity{
    .parameters = {.fileName = "declicker.par",
                   .size = kRecordSize,
                   .magic = kRecordMagic,
                   .rectangleOffset = kRectangleOffset},
    .applyDefaults = &ApplyRecordDefaults,
    .helpFile = "declicker.hlp",
    .editorTitle = " Di-Rodivorer 2.1",
    .aboutMenuItem = "About Descratcher...",
    .aboutTitle = "Di-Rodivorer 2.1",
    .aboutText = "Di-Rodivorer 2.1\n\n"
                 "Removes clicks, crackle and plops\n"
                 "from record transfers, in the time domain.",
};

} // namespace lumisett::declicker
