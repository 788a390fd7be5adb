#pragma once
// The filter's four parameters, their defaults, the "Flat" setting and the ranges the editor
// (and the headless keys) keep them in.

#include <optional>
#include <string_view>

namespace lumisett::hilofilt {

struct FilterParameters {
    float highPassHz = 30.0f;     // f_hp
    float highPassSlope = 12.0f;  // s_hp, dB per octave
    float lowPassHz = 13000.0f;   // f_lp
    float lowPassSlope = 12.0f;   // s_lp, dB per octave
    friend bool operator==(const FilterParameters&, const FilterParameters&) = default;
};

// A missing or invalid parameter file starts here.
inline constexpr FilterParameters kDefaultParameters{};
// "Flat": both corners at the ends of their ranges, both slopes 0, so every gain is 1.
inline constexpr FilterParameters kFlatParameters{20.0f, 0.0f, 20000.0f, 0.0f};

struct ParameterRange {
    float low;
    float high;
    bool Contains(double value) const { return value >= low && value <= high; }
    float Limit(double value) const;
};

inline constexpr ParameterRange kHighPassRange{20.0f, 180.0f};
inline constexpr ParameterRange kLowPassRange{2000.0f, 20000.0f};
inline constexpr ParameterRange kSlopeRange{0.0f, 24.0f};

// A valid parameter file is taken as it is, also outside the editor's ranges; only values that
// would make the table useless or dangerous fall back to their defaults, one by one: a corner
// that is not a positive finite number (a division by it, or an index from it, would be
// undefined), a slope that is not finite, or a negative slope (it would turn the stop band
// into a boost of up to hundreds of decibels).
FilterParameters Sanitized(FilterParameters parameters);

// The headless keys: "hp_freq", "hp_slope", "lp_freq", "lp_slope" in Hz and dB/oct within the
// editor's ranges, and "flat" = "1". The parameters after the change, or nothing for an
// unknown key or a value that is refused.
std::optional<FilterParameters> WithSetting(FilterParameters parameters, std::string_view key,
                                            std::string_view value);

} // namespace lumisett::hilofilt
