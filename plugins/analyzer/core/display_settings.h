#pragma once
// The analyzer's display settings and their place in "analyzer.par".
//
// analyzer.par (56 bytes, little-endian): magic, 12 reserved bytes kept as read, the log flag
// (signed 32-bit), decay factor D, scale depth n and scale top offset e (signed 16-bit each),
// 2 bytes of padding, the frequency limits lo and hi as base-10 logarithms of hertz (floats),
// the editor rectangle and 4 reserved bytes.

#include "plugin_common/runtime/parameter_record.h"

#include <cstddef>
#include <cstdint>

namespace lumisett::analyzer {

inline constexpr std::size_t kRecordSize = 56;
inline constexpr std::uint32_t kRecordMagic = 0x05021980;
inline constexpr std::size_t kLogOffset = 16;
inline constexpr std::size_t kDecayOffset = 20;
inline constexpr std::size_t kDepthOffset = 22;
inline constexpr std::size_t kTopOffset = 24;
inline constexpr std::size_t kLowOffset = 28;
inline constexpr std::size_t kHighOffset = 32;
inline constexpr std::size_t kRectangleOffset = 36;

inline constexpr int kDefaultDecay = 2;
inline constexpr int kDefaultDepth = 50;
inline constexpr int kDefaultTop = 0;
inline constexpr float kDefaultLow = 2.0f;  // 100 Hz
inline constexpr float kDefaultHigh = 4.0f; // 10 kHz

struct DisplaySettings {
    bool decibel = false; // the log flag: decibel scale, else linear amplitude
    int decay = kDefaultDecay;
    int depth = kDefaultDepth; // bottom of the plot at -depth dB
    int top = kDefaultTop;     // top of the plot at -top dB
    float low = kDefaultLow;   // log10 of the lowest frequency shown
    float high = kDefaultHigh; // log10 of the highest frequency shown
    friend bool operator==(const DisplaySettings&, const DisplaySettings&) = default;
};

// The defaults of an invalid file: D, n, e, lo and hi; the log flag keeps what was read.
void ApplyDefaults(plugin::ParameterRecord& record);

// The settings a record holds. Values that no control could have produced (a damaged or
// foreign file: D outside 1..10, a scale whose top is not above its bottom, frequency limits
// out of order or outside 10 Hz .. 21 kHz) are replaced by their defaults, so that no
// division by zero or inverted axis can follow from a file.
DisplaySettings ReadSettings(const plugin::ParameterRecord& record);
void WriteSettings(plugin::ParameterRecord& record, const DisplaySettings& settings);

} // namespace lumisett::analyzer
