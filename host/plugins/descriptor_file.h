#pragma once
// The plug-in descriptor files "<base>.eff": a first line that begins with the magic token,
// then the plug-in's display name as the next token.

#include <optional>
#include <string>
#include <string_view>

namespace lumisett::host {

inline constexpr std::string_view kDescriptorMagic = "KORVENTIX";
inline constexpr std::string_view kDescriptorExtension = ".eff";
inline constexpr std::size_t kDisplayNameMaxLength = 20;
inline constexpr std::size_t kBaseNameMaxLength = 9;

// The display name a descriptor file's text declares, or nothing when the file is not a
// valid descriptor (no magic as a whole first token, no line after it, or no name there).
// The name is cut at 20 characters, as the registry holds no more.
std::optional<std::string> ParseDescriptorText(std::string_view text);

// The plug-in library's base name for a descriptor file name: the part before the first "."
// looked for within the first 10 characters; without such a dot, the first 10 characters.
// Nothing when the result is empty or longer than a base name may be (9 characters).
std::optional<std::string> BaseNameOfDescriptor(std::string_view fileName);

} // namespace lumisett::host
