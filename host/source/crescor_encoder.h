#pragma once
// Writing Crescor (".cq") files. Per block and channel the encoder picks the difference order
// (2 or 3) and the residual width (1 .. 15 bits) that need the fewest bits, escaping residuals
// that do not fit. It never writes width 16, whose stored offset is irregular.

#include "host/source/crescor_format.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace lumisett::host {

struct CrescorEncoderOptions {
    // Blocks hold up to this many pairs (1 .. 8192); shorter ones where that saves bytes, or
    // where a block would not fit the reader's block buffer (incompressible noise).
    int maxFramesPerBlock = kCrescorMaxFramesPerBlock;
};

// The complete file for interleaved stereo samples (left, right) at `sampleRate`. Nothing when
// the sample count is odd, the options are out of range, or the audio is too long for the
// header's 32-bit sizes.
std::optional<std::vector<std::uint8_t>> EncodeCrescor(
    std::span<const std::int16_t> interleavedStereo, std::uint32_t sampleRate,
    const CrescorEncoderOptions& options = {});

} // namespace lumisett::host
