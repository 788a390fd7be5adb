#include "host/source/crescor_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace lumisett::host {
namespace {

std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// The residual fields of a block: least significant bit first, a field crossing a word
// boundary continuing in the low bits of the next word. Reading the little-endian words into a
// 64-bit accumulator gives exactly that order, and fields of at most 16 bits always fit.
class BitStream {
public:
    explicit BitStream(std::span<const std::uint8_t> bytes)
        : bytes_(bytes.data()), words_(bytes.size() / 4) {}

    // False when the stream ends before `width` more bits.
    bool Take(int width, std::uint32_t& value) {
        if (bitsHeld_ < width) {
            if (nextWord_ == words_) {
                return false;
            }
            held_ |= static_cast<std::uint64_t>(LoadLe32(bytes_ + 4 * nextWord_)) << bitsHeld_;
            bitsHeld_ += 32;
            ++nextWord_;
        }
        value = static_cast<std::uint32_t>(held_ & ((std::uint64_t{1} << width) - 1));
        held_ >>= width;
        bitsHeld_ -= width;
        return true;
    }

private:
    const std::uint8_t* bytes_;
    std::size_t words_;
    std::size_t nextWord_ = 0;
    std::uint64_t held_ = 0;
    int bitsHeld_ = 0;
};

struct ChannelCoding {
    int width;
    bool order3;
};

ChannelCoding LeftCoding(std::uint16_t parameters) {
    return {(parameters & kCrescorWidthMask) + 1, (parameters & kCrescorLeftOrder3Bit) != 0};
}

ChannelCoding RightCoding(std::uint16_t parameters) {
    return {((parameters >> kCrescorRightWidthShift) & kCrescorWidthMask) + 1,
            (parameters & kCrescorRightOrder3Bit) != 0};
}

std::uint32_t OffsetOfWidth(int width) {
    return width == kCrescorMaxWidth ? kCrescorWidth16Offset : std::uint32_t{1} << (width - 1);
}

// Unpacks n residuals of one channel into every second sample of `channel`.
bool UnpackResiduals(BitStream& bits, int width, int n, std::int16_t* channel) {
    const std::uint32_t offset = OffsetOfWidth(width);
    for (int i = 0; i < n; ++i) {
        std::uint32_t v = 0;
        if (!bits.Take(width, v)) {
            return false;
        }
        if (v != 0) {
            v -= offset; // wraps for width 16, as the samples are 16-bit anyway
        } else if (!bits.Take(kCrescorEscapeBits, v)) {
            return false;
        }
        channel[2 * i] = static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    }
    return true;
}

// One integration pass: a running sum from sample `from` on, wrapping at 16 bits as the
// encoder's differences did.
void RunningSum(std::int16_t* channel, int n, int from) {
    auto sum = static_cast<std::uint16_t>(channel[2 * (from - 1)]);
    for (int i = from; i < n; ++i) {
        sum = static_cast<std::uint16_t>(sum + static_cast<std::uint16_t>(channel[2 * i]));
        channel[2 * i] = static_cast<std::int16_t>(sum);
    }
}

// The first residuals are the first sample and its first (and second) differences, the rest
// second or third differences; summing from the highest order down restores the samples.
void Integrate(std::int16_t* channel, int n, bool order3) {
    if (order3 && n > 3) {
        RunningSum(channel, n, 3);
    }
    if (n > 2) {
        RunningSum(channel, n, 2);
    }
    if (n > 1) {
        RunningSum(channel, n, 1);
    }
}

} // namespace

std::optional<CrescorHeader> ParseCrescorHeader(std::span<const std::uint8_t> bytes,
                                                std::uint64_t fileLength) {
    if (bytes.size() < kCrescorHeaderSize) {
        return std::nullopt;
    }
    const std::uint8_t* p = bytes.data();
    CrescorHeader header;
    header.fileSize = LoadLe32(p + 4);
    header.pcmLength = LoadLe32(p + 8);
    header.maxFramesPerBlock = static_cast<std::int32_t>(LoadLe32(p + 12));
    header.sampleRate = LoadLe32(p + 16);
    header.bitsPerSample = LoadLe16(p + 20);
    header.channels = LoadLe16(p + 22);
    bool valid = LoadLe32(p) == kCrescorMagic && header.fileSize == fileLength &&
                 header.maxFramesPerBlock <= kCrescorMaxFramesPerBlock &&
                 header.bitsPerSample == kCrescorBitsPerSample &&
                 header.channels == kCrescorChannels;
    if (!valid) {
        return std::nullopt;
    }
    return header;
}

std::optional<CrescorHeader> ReadCrescorHeader(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_size < 0) {
        return std::nullopt;
    }
    std::uint8_t bytes[kCrescorHeaderSize];
    std::size_t got = 0;
    while (got < sizeof bytes) {
        ssize_t n = ::pread(fd, bytes + got, sizeof bytes - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return std::nullopt;
        }
        got += static_cast<std::size_t>(n);
    }
    return ParseCrescorHeader(bytes, static_cast<std::uint64_t>(info.st_size));
}

std::optional<int> DecodeCrescorBlock(std::span<const std::uint8_t> body,
                                      std::span<std::int16_t> pairs) noexcept {
    if (body.size() < kCrescorBlockFieldsBytes) {
        return std::nullopt;
    }
    const int n = LoadLe16(body.data());
    const std::uint16_t parameters = LoadLe16(body.data() + 2);
    if (n < 1 || n > kCrescorMaxFramesPerBlock || pairs.size() < 2 * static_cast<std::size_t>(n)) {
        return std::nullopt;
    }
    const ChannelCoding left = LeftCoding(parameters);
    const ChannelCoding right = RightCoding(parameters);
    BitStream bits(body.subspan(kCrescorBlockFieldsBytes));
    if (!UnpackResiduals(bits, left.width, n, pairs.data()) ||
        !UnpackResiduals(bits, right.width, n, pairs.data() + 1)) {
        return std::nullopt;
    }
    Integrate(pairs.data(), n, left.order3);
    Integrate(pairs.data() + 1, n, right.order3);
    return n;
}

CrescorReader::CrescorReader(int fd) noexcept : fd_(fd) {}

void CrescorReader::Reset() noexcept {
    blockEnd_ = kCrescorHeaderSize;
    blockOffset_ = 0;
    buffered_ = 0;
}

int CrescorReader::Read(std::int16_t* dst, int count) noexcept {
    if (dst == nullptr || count <= 0) {
        return 0;
    }
    int delivered = 0;
    for (;;) {
        const int take = std::min(buffered_, count - delivered);
        std::memcpy(dst + delivered, decoded_.data() + blockOffset_,
                    static_cast<std::size_t>(take) * sizeof(std::int16_t));
        delivered += take;
        blockOffset_ += take;
        buffered_ -= take;
        if (delivered == count) {
            return delivered;
        }
        const std::optional<int> frames = DecodeBlockAt(blockEnd_);
        if (!frames) {
            return delivered; // the end of the file, or a block that cannot be trusted
        }
        blockOffset_ = 0;
        buffered_ = 2 * *frames;
    }
}

bool CrescorReader::StepBack(int negativeCount) noexcept {
    if (negativeCount > 0) {
        return false;
    }
    const std::int64_t k = -static_cast<std::int64_t>(negativeCount);
    if (k == 0) {
        return true;
    }
    // The samples just delivered from the decoded block are still in front of the buffered
    // ones; reverse play steps back over one pair per output pair, so this spares the file.
    if (k <= blockOffset_) {
        blockOffset_ -= static_cast<int>(k);
        buffered_ += static_cast<int>(k);
        return true;
    }
    return WalkBack(buffered_ + k);
}

// Walks from the end of the current block toward the file start until the blocks passed hold
// at least `samplesBack` samples, then decodes the block reached and skips into it. Every step
// moves back by at least one block of 8 bytes and stops at the first block, so a damaged chain
// of trailers ends the walk instead of looping.
bool CrescorReader::WalkBack(std::int64_t samplesBack) noexcept {
    std::int64_t end = blockEnd_;
    std::int64_t sum = 0;
    BlockShape target;
    while (sum < samplesBack) {
        const std::optional<BlockShape> shape = ShapeOfBlockEndingAt(end);
        if (!shape) {
            return false;
        }
        target = *shape;
        sum += 2 * target.frames;
        end = target.start;
    }
    const std::optional<int> frames = DecodeBlockAt(target.start);
    if (!frames) {
        return false;
    }
    if (*frames != target.frames) { // the file changed under the reader
        blockOffset_ = 0;
        buffered_ = 0;
        return false;
    }
    const int skip = static_cast<int>(sum - samplesBack);
    blockOffset_ = skip;
    buffered_ = 2 * target.frames - skip;
    return true;
}

// The block whose trailer ends at `end`, when its trailer, head and frame count agree and it
// lies wholly after the header.
std::optional<CrescorReader::BlockShape> CrescorReader::ShapeOfBlockEndingAt(
    std::int64_t end) noexcept {
    std::uint8_t field[kCrescorBlockHeadBytes + kCrescorBlockFieldsBytes];
    if (end < static_cast<std::int64_t>(kCrescorHeaderSize + CrescorBlockBytes(1)) ||
        !ReadExactly(end - static_cast<std::int64_t>(kCrescorBlockTrailerBytes), field,
                     kCrescorBlockTrailerBytes)) {
        return std::nullopt;
    }
    const int words = static_cast<std::int16_t>(LoadLe16(field));
    if (words < 1 || words > kCrescorMaxBlockWords) {
        return std::nullopt;
    }
    const std::int64_t start = end - static_cast<std::int64_t>(CrescorBlockBytes(words));
    if (start < static_cast<std::int64_t>(kCrescorHeaderSize) ||
        !ReadExactly(start, field, sizeof field)) {
        return std::nullopt;
    }
    const int head = static_cast<std::int16_t>(LoadLe16(field));
    const int frames = LoadLe16(field + kCrescorBlockHeadBytes);
    if (head != words || frames < 1 || frames > kCrescorMaxFramesPerBlock) {
        return std::nullopt;
    }
    return BlockShape{start, words, frames};
}

// Reads the block whose head is at `start` and decodes it into decoded_; on success it becomes
// the current block. Nothing when the block is truncated, claims more words than a valid block
// can have, or fails to decode; only the last case drops the buffered samples, as decoding
// has overwritten them.
std::optional<int> CrescorReader::DecodeBlockAt(std::int64_t start) noexcept {
    std::uint8_t head[kCrescorBlockHeadBytes];
    if (!ReadExactly(start, head, sizeof head)) {
        return std::nullopt;
    }
    const int words = static_cast<std::int16_t>(LoadLe16(head));
    if (words < 1 || words > kCrescorMaxBlockWords) {
        return std::nullopt;
    }
    const std::size_t afterHead = CrescorBlockBytes(words) - kCrescorBlockHeadBytes;
    if (!ReadExactly(start + static_cast<std::int64_t>(kCrescorBlockHeadBytes),
                     blockBytes_.data(), afterHead)) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> body(blockBytes_.data(),
                                             afterHead - kCrescorBlockTrailerBytes);
    const std::optional<int> frames = DecodeCrescorBlock(body, decoded_);
    if (!frames) {
        blockOffset_ = 0;
        buffered_ = 0;
        return std::nullopt;
    }
    blockEnd_ = start + static_cast<std::int64_t>(CrescorBlockBytes(words));
    return frames;
}

bool CrescorReader::ReadExactly(std::int64_t offset, std::uint8_t* dst, std::size_t size) noexcept {
    std::size_t got = 0;
    while (got < size) {
        ssize_t n = ::pread(fd_, dst + got, size - got, static_cast<off_t>(offset) +
                                                            static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace lumisett::host
