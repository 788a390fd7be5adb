#pragma once
// The editor's two slider scales as plain arithmetic, so that they are tested without windows
// and the headless keys speak the editor's units. Positions run 0 .. 100 with 0 at the top.

#include <cstdint>
#include <string>

namespace lumisett::denoise {

// Threshold: b := 10^((100 − p)·0.025) − 0.9, T := 1/b, shown as 20·log10(b) dB.
double ThresholdDivisor(int position);
double ThresholdFromDecibels(double decibels); // T for the shown value
double DecibelsOfThreshold(double t);          // the shown value for T
int ThresholdPosition(double t);               // where reopening puts the slider

// Reduction: R := (100 − q)·0.01, shown as the percentage.
float ReductionOf(int position);
int ReductionPosition(float r);

// "%4.2f" of a value.
std::string ValueText(double value);

inline constexpr double kMinThresholdDecibels = -20.0;
inline constexpr double kMaxThresholdDecibels = 49.98;

} // namespace lumisett::denoise
