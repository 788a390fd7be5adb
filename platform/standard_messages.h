#pragma once
// Message texts that the host and every plug-in show alike, worded exactly as users know them.

#include <string_view>

namespace lumisett::platform {

inline constexpr std::string_view kParameterErrorCaption = " Parameter file error:";
inline constexpr std::string_view kParameterErrorText =
    "\n    The parameter File is invalid. The program   \n"
    "      will start with a set of default parameter.";
inline constexpr std::string_view kSaveErrorCaption = " File error:";
inline constexpr std::string_view kSaveErrorText =
    "\n      The parameter File could not be saved.     \n\n"
    "                                Disk full ?.";

} // namespace lumisett::platform
