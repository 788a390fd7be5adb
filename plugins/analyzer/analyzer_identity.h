#pragma once
// The names, files and record layout that make the analyzer itself.

#include "plugin_common/runtime/plugin_runtime.h"
#include "plugins/analyzer/core/display_settings.h"

namespace lumisett::analyzer {

inline constexpr const char* kDisplayName = "Analyzer";
inline constexpr const char* kStatusText = "spectra of every stage of the chain";

inline const plugin::PluginIdentity kIdentity{
    .parameters = {.fileName = "analyzer.par",
                   .size = kRecordSize,
                   .magic = kRecordMagic,
                   .rectangleOffset = kRectangleOffset},
    .applyDefaults = &ApplyDefaults,
    .helpFile = "analyzer.hlp",
    .editorTitle = "Analyzer 2.1",
    .aboutMenuItem = "About Analyzer...",
    .aboutTitle = "Analyzer 2.1",
    .aboutText = "Analyzer 2.1\n\n"
                 "Spectra at every stage of the chain,\n"
                 "with the noise curve of a de-noiser or filter.",
};

} // namespace lumisett::analyzer
