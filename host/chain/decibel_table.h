#pragma once
// Peak values (0..32768) to decibels below full scale, for the level meters.

#include <array>
#include <cstdint>

namespace lumisett::host {

inline constexpr int kDecibelTableSize = 32769;

// Entry 0 is −100.0; entry v is 20·log10(v / 32768), so entry 32768 is 0.0. Built once.
const std::array<float, kDecibelTableSize>& DecibelTable();

} // namespace lumisett::host
