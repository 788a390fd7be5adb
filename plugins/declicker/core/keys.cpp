#include "plugins/declicker/core/keys.h"

#include "plugins/declicker/core/editor_math.h"

#include <charconv>

namespace lumisett::declicker {
namespace {

// A plain decimal number from 0 to 100; from_chars ignores the user's locale.
std::optional<double> ParseStrength(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || error != std::errc() || ptr != end || !(value >= 0.0 && value <= 100.0)) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ParseSwitch(std::string_view text) {
    if (text == "0" || text == "1") {
        return text == "1";
    }
    return std::nullopt;
}

} // namespace

std::optional<bool> ApplyKey(Settings& settings, std::string_view key, std::string_view value) {
    if (key == "declick" || key == "decrackle") {
        const auto strength = ParseStrength(value);
        if (!strength) {
            return false;
        }
        // The editor's slider runs from 0 at the top (strength 100) to 100 at the bottom.
        const double position = 100.0 - *strength;
        if (key == "declick") {
            settings.SetDeclick(DeclickOfPosition(position));
        } else {
            settings.SetDecrackle(DecrackleOfPosition(position));
        }
        return true;
    }
    if (key == "mono" || key == "deplop") {
        const auto on = ParseSwitch(value);
        if (!on) {
            return false;
        }
        if (key == "mono") {
            settings.SetMono(*on);
        } else {
            settings.SetDeplop(*on);
        }
        return true;
    }
    return std::nullopt;
}

} // namespace lumisett::declicker
