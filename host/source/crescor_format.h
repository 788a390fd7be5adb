#pragma once
// Layout constants of Crescor (".cq"), the suite's own lossless compressed audio type, shared by
// the reader and the encoder.
//
// A file is a 40-byte header followed by independent blocks. A block is
//   head W (int16) | frame count n (uint16) | parameters (uint16) | 4·(W−1) bytes of bit stream
//   | trailer W (int16)
// so it occupies 4·W + 4 bytes; the trailer lets the reader walk backward for reverse play.
// The bit stream holds the n left residuals, then the n right residuals, as fields of the
// channel's width taken least significant bit first from little-endian 32-bit words.

#include <cstddef>
#include <cstdint>

namespace lumisett::host {

inline constexpr std::uint32_t kCrescorMagic = 0x05031997;
inline constexpr std::size_t kCrescorHeaderSize = 40;
inline constexpr std::int32_t kCrescorMaxFramesPerBlock = 8192;
inline constexpr std::uint16_t kCrescorBitsPerSample = 16;
inline constexpr std::uint16_t kCrescorChannels = 2;

// The reader decodes into a buffer of 8200 pairs. A block's bytes after its head (4·W + 2)
// are read in one piece into a byte buffer of the same size, so a block that claims more
// words than that cannot be valid; such a block ends the stream.
inline constexpr std::size_t kCrescorDecodeBufferSamples = 16400;
inline constexpr std::size_t kCrescorBlockBufferBytes = kCrescorDecodeBufferSamples * 2;
inline constexpr int kCrescorMaxBlockWords = static_cast<int>((kCrescorBlockBufferBytes - 2) / 4);

// Sizes around the bit stream inside a block.
inline constexpr std::size_t kCrescorBlockHeadBytes = 2;    // W
inline constexpr std::size_t kCrescorBlockFieldsBytes = 4;  // n and the parameters
inline constexpr std::size_t kCrescorBlockTrailerBytes = 2; // W again

// Parameter word: bits 0-3 left width − 1, bits 4-7 right width − 1, bit 8 left order 3,
// bit 9 right order 3.
inline constexpr unsigned kCrescorRightWidthShift = 4;
inline constexpr std::uint16_t kCrescorWidthMask = 0x0F;
inline constexpr std::uint16_t kCrescorLeftOrder3Bit = 1u << 8;
inline constexpr std::uint16_t kCrescorRightOrder3Bit = 1u << 9;

// A residual field of width b holds v; v = 0 escapes to a raw 16-bit residual that follows.
inline constexpr int kCrescorEscapeBits = 16;
inline constexpr int kCrescorMaxWidth = 16;
// Stored files with width 16 were decoded with the offset 65535 rather than 2^15; they must go
// on decoding to the same samples, so the reader keeps that offset. The encoder never writes
// width 16.
inline constexpr std::uint32_t kCrescorWidth16Offset = 65535;

// Total bytes a block of W words occupies, head to trailer.
constexpr std::size_t CrescorBlockBytes(int words) {
    return 4 * static_cast<std::size_t>(words) + 4;
}

} // namespace lumisett::host
