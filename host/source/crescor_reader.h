#pragma once
// Reading Crescor (".cq") files: the header check that recognises the type, the decoding of one
// block, and the reader that the source reader calls for forward and reverse play.

#include "host/source/crescor_format.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace lumisett::host {

struct CrescorHeader {
    std::uint32_t fileSize = 0;
    std::uint32_t pcmLength = 0;  // bytes of decoded 16-bit PCM: the source's data length
    std::int32_t maxFramesPerBlock = 0;
    std::uint32_t sampleRate = 0; // Hz
    std::uint16_t bitsPerSample = 0;
    std::uint16_t channels = 0;
};

// The header's fields when `bytes` (the file's first bytes, at least 40) hold a valid Crescor
// header for a file of `fileLength` bytes: the magic, a file size equal to the length, at most
// 8192 frames per block, 16 bits and two channels. Nothing otherwise: the file is not of this
// type. The maximum frame count is signed and only bounded above, as stored files expect.
std::optional<CrescorHeader> ParseCrescorHeader(std::span<const std::uint8_t> bytes,
                                                std::uint64_t fileLength);

// Reads the first 40 bytes and the length of the open file `fd` (without moving its offset)
// and checks them as above.
std::optional<CrescorHeader> ReadCrescorHeader(int fd);

// Decodes one block from its bytes after the head: the frame count, the parameters and the bit
// stream (a block of W words gives 4·W bytes here; the trailer may follow and is ignored, as is
// any part of a 32-bit word at the end). Writes the n pairs interleaved (left, right) to
// `pairs` and returns n. Nothing when n is outside 1 .. 8192, when `pairs` has no room for 2n
// samples, or when the residuals need more bits than the stream holds: a damaged block, of
// which nothing may be used. Reads and writes nothing outside the two spans.
std::optional<int> DecodeCrescorBlock(std::span<const std::uint8_t> body,
                                      std::span<std::int16_t> pairs) noexcept;

// Decodes a Crescor file's blocks from an open file descriptor that the caller owns and keeps
// open. Positions are the reader's own: it reads with pread and leaves the descriptor's offset
// alone, so nothing else that uses the descriptor can disturb it.
//
// Real time: Read and StepBack run on the audio path. They allocate nothing (both buffers are
// members, sized for the largest valid block), take no lock and touch no file but the source.
// Damaged or truncated data ends the stream (Read returns fewer samples); it never makes the
// reader read or write outside its buffers, nor seek before the first block.
//
// Thread: one thread at a time; the buffer-completion context during playback.
class CrescorReader {
public:
    explicit CrescorReader(int fd) noexcept;

    // Forgets buffered samples and the remembered pair; the next read starts at the first block.
    void Reset() noexcept;

    // Delivers up to `count` 16-bit samples (pairs interleaved, left first) to `dst`: first the
    // buffered ones, then from the following blocks. Returns the number delivered, fewer than
    // `count` at the end of the file or at a truncated or damaged block. Samples of a decoded
    // block beyond the request stay buffered for the next read.
    int Read(std::int16_t* dst, int count) noexcept;

    // Moves the read position back by k = −negativeCount samples. Stepping back over the last
    // delivered pair (k = 2, the common case in reverse play) takes it from the decoded block
    // when it is still there; otherwise the reader walks backward over the blocks' trailers to
    // the block holding the target and decodes it. False when that is impossible: the target
    // lies before the first block or the chain of trailers is damaged. After a false the
    // position is unchanged, except that a target block which fails to decode also drops the
    // buffered samples. A positive argument is refused; zero changes nothing.
    bool StepBack(int negativeCount) noexcept;

    // Decoded samples not yet delivered.
    int Buffered() const noexcept { return buffered_; }

private:
    struct BlockShape {
        std::int64_t start = 0; // file offset of the head
        int words = 0;
        int frames = 0;
    };

    std::optional<int> DecodeBlockAt(std::int64_t start) noexcept;
    std::optional<BlockShape> ShapeOfBlockEndingAt(std::int64_t end) noexcept;
    bool WalkBack(std::int64_t samplesBack) noexcept;
    bool ReadExactly(std::int64_t offset, std::uint8_t* dst, std::size_t size) noexcept;

    int fd_;
    // The samples of the block that ends at blockEnd_ lie in decoded_; the buffered ones are
    // its last buffered_ samples, from blockOffset_ on. After a reset no block is decoded and
    // blockEnd_ is the start of the first block.
    std::int64_t blockEnd_ = kCrescorHeaderSize;
    int blockOffset_ = 0;
    int buffered_ = 0;
    std::array<std::uint8_t, kCrescorBlockBufferBytes> blockBytes_{};
    std::array<std::int16_t, kCrescorDecodeBufferSamples> decoded_{};
};

} // namespace lumisett::host
