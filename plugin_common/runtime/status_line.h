#pragma once
// The text of an editor's status line.

#include "plugin_common/effect_api.h"

#include <string>
#include <string_view>

namespace lumisett::plugin {

inline constexpr std::size_t kStatusCentreWidth = 42;
inline constexpr std::size_t kStatusLineWidth = 49;

// `text` centred in a field of 42 characters and padded with blanks to 49, so that it sits in
// the middle of the fixed-pitch field; a text longer than 42 starts at the left.
std::string CenterStatusText(std::string_view text);

// The status text of a descriptor's fixed field: up to the first NUL, never past the field.
std::string_view StatusTextOf(const char* field, std::size_t fieldSize);

// The status text a plug-in's descriptor holds now.
inline std::string StatusTextOf(const EffectDescriptor& descriptor) {
    return std::string(StatusTextOf(descriptor.status, sizeof descriptor.status));
}

} // namespace lumisett::plugin
