#pragma once
// The response table H and the noise curve made from it, and the spectral routine that applies
// H to a frame. Plain functions on caller-owned arrays: no state, no allocation.

#include "plugins/hilofilt/core/filter_parameters.h"

#include <cstdint>

namespace lumisett::hilofilt {

// The sample rate and bin count the host uses until the first frame tells otherwise.
inline constexpr std::int32_t kDefaultRate = 44100;
inline constexpr std::int32_t kDefaultBins = 1024;

// The noise curve is 1 / (H · 46341): with H = 1 it lies at 1/46341, the level the analyzer
// draws as the flat line.
inline constexpr double kNoiseScale = 46341.0;

// Fills h[0 .. bins) for the bin spacing d = rate / (2 · bins). Below the high-pass corner the
// gain in decibels is (5/6) · s_hp · (1 − f_hp / f), above the low-pass corner
// (5/6) · s_lp · (1 − f / f_lp), 1 between them. Element j ≥ 1 is evaluated at the frequency
// j · d, as the filter has always done (the curve sits one bin above the bins' own
// frequencies); element 0 at d, its own frequency, under the high-pass only.
// `rate` and `bins` must be positive.
void BuildResponse(const FilterParameters& parameters, std::int32_t rate, std::int32_t bins, float* h);

// The noise value for one response value: 1 / (h · 46341), kept finite where h underflowed
// to 0.
float NoiseValue(float h);

// The spectral routine: multiplies element j of both magnitude rows and both gain rows of a
// frame of 4 · bins floats by h[j]. Both channels always, whatever the host's mode.
void ApplyResponse(const float* h, std::int32_t bins, float* frame) noexcept;

} // namespace lumisett::hilofilt
