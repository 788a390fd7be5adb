#pragma once
// The text of an editor's status line.

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

} // namespace lumisett::plugin
