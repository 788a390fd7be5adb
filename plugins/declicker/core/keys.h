#pragma once
// The settings a headless run may hand the de-scratcher by name (SetEffectParam):
//   declick, decrackle   strength as the editor shows it, 0 (least) .. 100 (most sensitive)
//   mono, deplop         0 or 1
// Values outside these are refused and change nothing: a batch job must not run with a
// setting other than the one it asked for.

#include "plugins/declicker/core/settings.h"

#include <optional>
#include <string_view>

namespace lumisett::declicker {

// Nothing when `key` is none of the de-scratcher's own; else whether the value was taken.
std::optional<bool> ApplyKey(Settings& settings, std::string_view key, std::string_view value);

} // namespace lumisett::declicker
