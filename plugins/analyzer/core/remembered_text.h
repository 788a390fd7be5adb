#pragma once
// The texts the window's lists remember across refills, and how a refilled list finds them
// again: the first entry that begins with the text, letter case ignored.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumisett::analyzer {

// Trace texts name the de-noiser by its display name, so that they find its positions.
inline constexpr const char* kInitialTrace1Text = "Ve-Vidare in";
inline constexpr const char* kInitialTrace2Text = "Ve-Vidare out";
inline constexpr const char* kInitialNoiseText = "Ve-Vidare";

// The index of the first entry that begins with `text` (ASCII letters compared without case).
std::optional<std::size_t> FindByPrefix(const std::vector<std::string>& entries, std::string_view text);

// What a refilled list shows: `entries` end with "none".
struct ListChoice {
    int index = 0;         // the list entry shown
    int selection = -1;    // the same, or -1 for "none"
    std::string remembered; // the text the list remembers from now on
};

// The entry the remembered text finds; without one, "none", which then becomes the text.
ListChoice ChooseRemembered(const std::vector<std::string>& entries, std::string_view remembered);

// What a list shows after the user picked entry `index` of `entries`.
ListChoice ChooseEntry(const std::vector<std::string>& entries, int index);

} // namespace lumisett::analyzer
