#include "host/source/crescor_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <limits>

namespace lumisett::host {
namespace {

// The widths the encoder chooses from; width 16 is left out (see the header).
constexpr int kWidestChosen = 15;
// A residual's smallest width ranges over 1 .. 17; 16 and 17 escape at every chosen width.
constexpr int kWidthClasses = 18;

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void StoreLe32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void StoreLe16(std::uint8_t* p, std::uint16_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

// Residuals of one channel, read from every second sample: the first sample, its first (and,
// for order 3, second) difference, then differences of the block's order. Arithmetic wraps at
// 16 bits, as the reader's running sums do, so every residual fits 16 bits.
void ComputeResiduals(const std::int16_t* channel, int n, bool order3, std::uint16_t* residuals) {
    auto x = [channel](int i) { return static_cast<int>(static_cast<std::uint16_t>(channel[2 * i])); };
    const int order = order3 ? 3 : 2;
    for (int i = 0; i < n; ++i) {
        int r = 0;
        switch (std::min(i, order)) {
        case 0: r = x(i); break;
        case 1: r = x(i) - x(i - 1); break;
        case 2: r = x(i) - 2 * x(i - 1) + x(i - 2); break;
        default: r = x(i) - 3 * x(i - 1) + 3 * x(i - 2) - x(i - 3); break;
        }
        residuals[i] = static_cast<std::uint16_t>(r);
    }
}

// The smallest width whose field holds the residual without escape: width b holds
// −(2^(b−1) − 1) .. 2^(b−1) − 1, so 0 needs 1 bit and −32768 needs 17 (always escaped).
int SmallestWidth(std::uint16_t residual) {
    const int value = static_cast<std::int16_t>(residual);
    const auto magnitude = static_cast<std::uint32_t>(value < 0 ? -value : value);
    return 1 + static_cast<int>(std::bit_width(magnitude));
}

struct ChannelChoice {
    int width = 1;
    bool order3 = false;
    std::uint64_t bits = std::numeric_limits<std::uint64_t>::max();
};

// Tries every chosen width for one order's residuals and keeps `best` when none is cheaper.
void ConsiderOrder(const std::uint16_t* residuals, int n, bool order3, ChannelChoice& best) {
    std::array<std::uint64_t, kWidthClasses> count{};
    for (int i = 0; i < n; ++i) {
        ++count[static_cast<std::size_t>(SmallestWidth(residuals[i]))];
    }
    std::uint64_t escapes = static_cast<std::uint64_t>(n) - count[1];
    for (int width = 1; width <= kWidestChosen; ++width) {
        const std::uint64_t bits = static_cast<std::uint64_t>(n) * width + escapes * kCrescorEscapeBits;
        if (bits < best.bits) {
            best = {width, order3, bits};
        }
        escapes -= count[static_cast<std::size_t>(width + 1)];
    }
}

class BitWriter {
public:
    explicit BitWriter(std::vector<std::uint8_t>& out) : out_(out) {}

    // Least significant bit first; whole 32-bit words go out little-endian.
    void Put(std::uint32_t value, int width) {
        held_ |= static_cast<std::uint64_t>(value) << bitsHeld_;
        bitsHeld_ += width;
        while (bitsHeld_ >= 32) {
            EmitWord();
        }
    }

    void Finish() {
        if (bitsHeld_ > 0) {
            EmitWord();
        }
    }

private:
    void EmitWord() {
        for (int i = 0; i < 4; ++i) {
            out_.push_back(static_cast<std::uint8_t>(held_ >> (8 * i)));
        }
        held_ >>= 32;
        bitsHeld_ = std::max(bitsHeld_ - 32, 0);
    }

    std::vector<std::uint8_t>& out_;
    std::uint64_t held_ = 0;
    int bitsHeld_ = 0;
};

void PutResiduals(BitWriter& bits, const std::uint16_t* residuals, int n, int width) {
    const int half = 1 << (width - 1);
    for (int i = 0; i < n; ++i) {
        const int value = static_cast<std::int16_t>(residuals[i]);
        if (value > -half && value < half) {
            bits.Put(static_cast<std::uint32_t>(value + half), width);
        } else {
            bits.Put(0, width);
            bits.Put(residuals[i], kCrescorEscapeBits);
        }
    }
}

// Room for both orders' residuals of one channel of the largest block.
struct Scratch {
    explicit Scratch(int frames)
        : order2(static_cast<std::size_t>(frames)), order3(static_cast<std::size_t>(frames)) {}
    std::vector<std::uint16_t> order2;
    std::vector<std::uint16_t> order3;
};

ChannelChoice CheapestCoding(const std::int16_t* channel, int n, Scratch& scratch) {
    ComputeResiduals(channel, n, false, scratch.order2.data());
    ComputeResiduals(channel, n, true, scratch.order3.data());
    ChannelChoice best;
    ConsiderOrder(scratch.order2.data(), n, false, best);
    ConsiderOrder(scratch.order3.data(), n, true, best);
    return best;
}

struct BlockCoding {
    ChannelChoice left;
    ChannelChoice right;
    std::uint64_t words = 0; // the block's W: the bit stream's words and one more
};

BlockCoding CodeBlock(const std::int16_t* pairs, int n, Scratch& scratch) {
    BlockCoding coding;
    coding.left = CheapestCoding(pairs, n, scratch);
    coding.right = CheapestCoding(pairs + 1, n, scratch);
    coding.words = (coding.left.bits + coding.right.bits + 31) / 32 + 1;
    return coding;
}

// Blocks are not split below this length for size alone: shorter ones gain little more than
// they pay in heads and trailers.
constexpr int kShortestSplitBlock = 256;

// Plans the blocks for n pairs and returns their bytes: one block, or each half planned the
// same way when two halves are smaller (a transient then widens only its own block's fields)
// or when one block would exceed what the reader accepts (incompressible noise at 8192 pairs).
std::uint64_t PlanBlocks(const std::int16_t* pairs, int n, Scratch& scratch,
                         std::vector<int>& lengths) {
    const BlockCoding whole = CodeBlock(pairs, n, scratch);
    const bool fits = whole.words <= static_cast<std::uint64_t>(kCrescorMaxBlockWords);
    const auto wholeBytes = static_cast<std::uint64_t>(4 * whole.words + 4);
    if (!fits || n >= 2 * kShortestSplitBlock) {
        // A single pair always fits, so a block that does not fit has two halves.
        const int first = n / 2;
        std::vector<int> halves;
        const std::uint64_t splitBytes = PlanBlocks(pairs, first, scratch, halves) +
                                         PlanBlocks(pairs + 2 * first, n - first, scratch, halves);
        if (!fits || splitBytes < wholeBytes) {
            lengths.insert(lengths.end(), halves.begin(), halves.end());
            return splitBytes;
        }
    }
    lengths.push_back(n);
    return wholeBytes;
}

std::uint16_t ParameterWord(const ChannelChoice& left, const ChannelChoice& right) {
    unsigned word = static_cast<unsigned>(left.width - 1) |
                    (static_cast<unsigned>(right.width - 1) << kCrescorRightWidthShift);
    if (left.order3) {
        word |= kCrescorLeftOrder3Bit;
    }
    if (right.order3) {
        word |= kCrescorRightOrder3Bit;
    }
    return static_cast<std::uint16_t>(word);
}

void PutChannel(BitWriter& bits, const std::int16_t* channel, int n, const ChannelChoice& choice,
                Scratch& scratch) {
    ComputeResiduals(channel, n, choice.order3, scratch.order2.data());
    PutResiduals(bits, scratch.order2.data(), n, choice.width);
}

// Appends one block of n pairs that the plan found to fit.
void AppendBlock(std::vector<std::uint8_t>& out, const std::int16_t* pairs, int n,
                 Scratch& scratch) {
    const BlockCoding coding = CodeBlock(pairs, n, scratch);
    const auto words = static_cast<std::uint16_t>(coding.words);
    AppendLe16(out, words);
    AppendLe16(out, static_cast<std::uint16_t>(n));
    AppendLe16(out, ParameterWord(coding.left, coding.right));
    BitWriter bits(out);
    PutChannel(bits, pairs, n, coding.left, scratch);
    PutChannel(bits, pairs + 1, n, coding.right, scratch);
    bits.Finish();
    AppendLe16(out, words);
}

void StoreHeader(std::vector<std::uint8_t>& out, std::uint32_t pcmLength, int maxFrames,
                 std::uint32_t sampleRate) {
    std::uint8_t* p = out.data();
    StoreLe32(p, kCrescorMagic);
    StoreLe32(p + 4, static_cast<std::uint32_t>(out.size()));
    StoreLe32(p + 8, pcmLength);
    StoreLe32(p + 12, static_cast<std::uint32_t>(maxFrames));
    StoreLe32(p + 16, sampleRate);
    StoreLe16(p + 20, kCrescorBitsPerSample);
    StoreLe16(p + 22, kCrescorChannels);
    // Bytes 24 .. 39 are reserved and stay zero.
}

} // namespace

std::optional<std::vector<std::uint8_t>> EncodeCrescor(
    std::span<const std::int16_t> interleavedStereo, std::uint32_t sampleRate,
    const CrescorEncoderOptions& options) {
    constexpr std::uint64_t kMaxSize = std::numeric_limits<std::uint32_t>::max();
    const std::uint64_t pcmLength = interleavedStereo.size() * sizeof(std::int16_t);
    if (interleavedStereo.size() % 2 != 0 || pcmLength > kMaxSize ||
        options.maxFramesPerBlock < 1 || options.maxFramesPerBlock > kCrescorMaxFramesPerBlock) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out(kCrescorHeaderSize, 0);
    Scratch scratch(options.maxFramesPerBlock);
    const std::size_t pairs = interleavedStereo.size() / 2;
    int largestBlock = 0;
    std::vector<int> lengths;
    for (std::size_t done = 0; done < pairs;) {
        const int n = static_cast<int>(
            std::min<std::size_t>(static_cast<std::size_t>(options.maxFramesPerBlock), pairs - done));
        lengths.clear();
        PlanBlocks(interleavedStereo.data() + 2 * done, n, scratch, lengths);
        for (int length : lengths) {
            AppendBlock(out, interleavedStereo.data() + 2 * done, length, scratch);
            largestBlock = std::max(largestBlock, length);
            done += static_cast<std::size_t>(length);
        }
    }
    if (out.size() > kMaxSize) {
        return std::nullopt;
    }
    StoreHeader(out, static_cast<std::uint32_t>(pcmLength), largestBlock, sampleRate);
    return out;
}

} // namespace lumisett::host
