#pragma once
// The DC-offset filter: a first-order high-pass with its corner near 1.4 Hz at 44.1 kHz,
//   y[n] - 0.9998 y[n-1] = 0.9999 (x[n] - x[n-1]),   H(z) = 0.9999 (1 - 1/z) / (1 - 0.9998/z),
// zero gain at DC and gain exactly 1 at the Nyquist frequency (0.9999 = (1 + 0.9998) / 2).

#include <cstdint>

namespace lumisett::zeroline {

// Filter state of one channel: 0 at the start of every stream.
struct ChannelState {
    double carry = 0.0;
};

// The plug-in's processing routine: filters `pairs` interleaved stereo pairs in place, left
// and right independently. Outputs are rounded to the nearest integer, ties to even (under
// the default rounding mode, which the host keeps), and clipped to 16 bits, never wrapped.
// Audio thread; allocates nothing.
void FilterBlock(std::int16_t* block, std::int32_t pairs, ChannelState& left,
                 ChannelState& right) noexcept;

} // namespace lumisett::zeroline
