#pragma once
// The de-noiser's arithmetic as pure functions: the display bands, the three noise profiles,
// the noise table, the gain rule and the band levels. The stateful Denoiser strings them
// together; tests drive them one by one.
//
// A noise profile holds 2·N floats (N per channel, left first); a noise table holds 2·bins
// floats (bins per channel, left first), one reciprocal mean noise magnitude per bin.

#include <atomic>
#include <cstdint>
#include <span>

namespace lumisett::denoise {

inline constexpr int kBandCount = 182;
inline constexpr float kWhiteLevel = 65.536f;
inline constexpr float kPinkLevel = 655.36f;
inline constexpr float kLevelCap = 70.0f;

enum ProfileKind : std::int32_t { kWhite = 0, kPink = 1, kUser = 2 };

// Display band i holds magnitude entries up to edges[i]; the bands are spaced logarithmically
// from 100 Hz to half the sample rate. `rate` and `bins` must be positive.
void BuildBandEdges(std::int32_t rate, std::int32_t bins, std::span<std::int32_t, kBandCount> edges);

// The white and pink profiles over 2·N entries (profile.size() is 2·N).
void LoadWhiteProfile(std::span<float> profile);
void LoadPinkProfile(std::span<float> profile);

// table[c·bins + i] := r / (sum of the r profile entries of bin i), r = N div bins. Needs
// 1 <= bins <= N, profile.size() == 2·N and table.size() >= 2·bins.
void BuildNoiseTable(std::span<const float> profile, std::int32_t bins, std::span<float> table);

// The attenuation of a bin whose threshold-scaled magnitude relative to its noise is v < 1.
long double Attenuation(long double v, float reduction);

// The gain rule over one channel's n bins: magnitudes and gains below the threshold are
// multiplied by their attenuation. A bin whose v is not a number (a zero noise level meeting
// a silent bin) is left alone rather than poisoning the gain with NaN.
void ApplyGainRule(std::int32_t bins, const float* table, float* magnitudes, float* gains,
                   float threshold, float reduction) noexcept;

// The smoothed input and removed levels per display band, from the left channel after the
// gain rule. Returns the removed magnitude to add to the level accumulator and counts each
// band into `count`. Leaves everything as it was when the first gain is 0; any other band
// whose sampled bin has a zero gain keeps its left neighbour's levels, like an empty band.
struct LevelUpdate {
    float removed = 0.0f;
    std::int32_t bands = 0;
    bool updated = false;
};
LevelUpdate UpdateBandLevels(std::int32_t bins, const float* magnitudes, const float* gains,
                             std::span<const std::int32_t, kBandCount> edges,
                             std::span<std::atomic<float>, kBandCount> input,
                             std::span<std::atomic<float>, kBandCount> removed) noexcept;

// Averages `from` (length M, per channel halves) into `to` (length N, per channel halves):
// each entry of the new length is the mean of the old entries it covers, or a copy of the one
// old entry it falls into. Both sizes even and nonzero.
void ResampleProfile(std::span<const float> from, std::span<float> to);

} // namespace lumisett::denoise
