#pragma once
// The rules of the window's up/down controls: the decay factor, the two ends of the level
// scale and the two frequency limits. Each function returns the new value, or the old one
// when the step is refused.

namespace lumisett::analyzer {

inline constexpr int kMinDecay = 1;
inline constexpr int kMaxDecay = 10;
inline constexpr int kScaleStep = 10;     // dB per step of either scale control
inline constexpr int kMinScaleTop = -70;  // the top of the plot reaches +70 dB at most
inline constexpr int kMaxScaleDepth = 120;
inline constexpr double kLowestFrequency = 10.0;   // Hz; the lower limit never goes below
inline constexpr double kHighestFrequency = 21000.0; // Hz; the upper limit stays below
inline constexpr float kLowestLog = 1.0f - 1e-6f;    // log10 of 10 Hz, with rounding room
inline constexpr float kHighestLog = 4.3222193f;     // log10 of 21000 Hz

int StepDecay(int decay, bool up);

// The top offset e moves in steps of 10: up only while e + 10 < n, down only while e >= -60.
int StepScaleTop(int top, int depth, bool up);
// The depth n moves in steps of 10: up only while n < 120, down only while e < n - 10.
int StepScaleDepth(int depth, int top, bool up);

// A frequency limit moves by the base of its decade (1000 Hz in the 10 kHz decade): up adds
// it; down subtracts it, or a tenth of it when the limit sits on the decade's base (so that
// 100 Hz steps to 90 Hz) or in the 10 kHz decade. The lower limit stays below the upper one
// and above 9 Hz; the upper limit stays below 21000 Hz and above the lower one plus 1 Hz.
// Limits are base-10 logarithms of hertz.
float StepLowFrequency(float low, float high, bool up);
float StepHighFrequency(float high, float low, bool up);

// The whole number of hertz a limit stands for.
long FrequencyOf(float logarithm);

} // namespace lumisett::analyzer
