#pragma once
// Where an editor window opens, from the rectangle its parameter record remembers.

#include "plugin_common/runtime/parameter_record.h"

#include <optional>

namespace lumisett::plugin {

struct WindowPlacement {
    int x = 0;
    int y = 0;
    int width = 0;  // 0: keep the window's own size
    int height = 0;
};

// The saved place, or nothing when the window should open where the platform puts it: the
// file was invalid at start-up, or no place was ever saved (right edge 0). Coordinates from
// the file are bounded and a rectangle that is empty or inside out keeps the window's own
// size, so a damaged file cannot make a window of absurd size.
std::optional<WindowPlacement> PlacementFromRecord(const ParameterRecord& record);

} // namespace lumisett::plugin
