#include "plugins/hilofilt/core/filter_parameters.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace lumisett::hilofilt {
namespace {

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

bool UsableCorner(float hz) {
    return std::isfinite(hz) && hz > 0.0f;
}

bool UsableSlope(float slope) {
    return std::isfinite(slope) && slope >= 0.0f;
}

} // namespace

float ParameterRange::Limit(double value) const {
    return static_cast<float>(std::clamp(value, static_cast<double>(low), static_cast<double>(high)));
}

FilterParameters Sanitized(FilterParameters p) {
    if (!UsableCorner(p.highPassHz)) p.highPassHz = kDefaultParameters.highPassHz;
    if (!UsableSlope(p.highPassSlope)) p.highPassSlope = kDefaultParameters.highPassSlope;
    if (!UsableCorner(p.lowPassHz)) p.lowPassHz = kDefaultParameters.lowPassHz;
    if (!UsableSlope(p.lowPassSlope)) p.lowPassSlope = kDefaultParameters.lowPassSlope;
    return p;
}

std::optional<FilterParameters> WithSetting(FilterParameters p, std::string_view key, std::string_view value) {
    if (key == "flat") {
        if (value != "1") {
            return std::nullopt;
        }
        return kFlatParameters;
    }
    struct Key {
        std::string_view name;
        float FilterParameters::*field;
        ParameterRange range;
    };
    static constexpr Key kKeys[] = {
        {"hp_freq", &FilterParameters::highPassHz, kHighPassRange},
        {"hp_slope", &FilterParameters::highPassSlope, kSlopeRange},
        {"lp_freq", &FilterParameters::lowPassHz, kLowPassRange},
        {"lp_slope", &FilterParameters::lowPassSlope, kSlopeRange},
    };
    for (const Key& k : kKeys) {
        if (key != k.name) {
            continue;
        }
        const auto number = ParseNumber(value);
        if (!number || !k.range.Contains(*number)) {
            return std::nullopt;
        }
        p.*k.field = static_cast<float>(*number);
        return p;
    }
    return std::nullopt;
}

} // namespace lumisett::hilofilt
