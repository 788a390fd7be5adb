#pragma once
// Crescor files built for tests, written from the format's description and independently of the
// suite's encoder: a bit list filled one bit at a time, blocks assembled field by field, and a
// deliberately simple encoder (order 2 and width 15 everywhere, escapes for the rest).

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

namespace lumisett::test::crescor {

inline void PutLe16(std::vector<std::uint8_t>& out, unsigned value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

inline void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

// Bits least significant first, packed into 32-bit little-endian words.
class BitList {
public:
    void Put(std::uint32_t value, int width) {
        for (int i = 0; i < width; ++i) {
            bits_.push_back(((value >> i) & 1) != 0);
        }
    }
    std::size_t size() const { return bits_.size(); }

    // Whole words; the last one is padded with zero bits.
    std::vector<std::uint8_t> Words() const {
        std::vector<std::uint8_t> bytes((bits_.size() + 31) / 32 * 4, 0);
        for (std::size_t i = 0; i < bits_.size(); ++i) {
            if (bits_[i]) {
                bytes[i / 8] = static_cast<std::uint8_t>(bytes[i / 8] | (1u << (i % 8)));
            }
        }
        return bytes;
    }

private:
    std::vector<bool> bits_;
};

inline unsigned Parameters(int leftWidth, int rightWidth, bool leftOrder3, bool rightOrder3) {
    return static_cast<unsigned>(leftWidth - 1) | (static_cast<unsigned>(rightWidth - 1) << 4) |
           (leftOrder3 ? 1u << 8 : 0u) | (rightOrder3 ? 1u << 9 : 0u);
}

// What the block decoder takes: frame count, parameters, bit stream.
inline std::vector<std::uint8_t> BlockBody(unsigned frames, unsigned parameters,
                                           const std::vector<std::uint8_t>& stream) {
    std::vector<std::uint8_t> body;
    PutLe16(body, frames);
    PutLe16(body, parameters);
    body.insert(body.end(), stream.begin(), stream.end());
    return body;
}

// A whole block: head W, body, trailer W, with W = stream words + 1.
inline std::vector<std::uint8_t> Block(unsigned frames, unsigned parameters,
                                       const std::vector<std::uint8_t>& stream) {
    const unsigned words = static_cast<unsigned>(stream.size() / 4 + 1);
    std::vector<std::uint8_t> block;
    PutLe16(block, words);
    std::vector<std::uint8_t> body = BlockBody(frames, parameters, stream);
    block.insert(block.end(), body.begin(), body.end());
    PutLe16(block, words);
    return block;
}

struct HeaderFields {
    std::uint32_t magic = 0x05031997;
    std::uint32_t pcmLength = 0;
    std::int32_t maxFrames = 8192;
    std::uint32_t sampleRate = 44100;
    unsigned bits = 16;
    unsigned channels = 2;
};

// The 40-byte header for a file of `fileSize` bytes.
inline std::vector<std::uint8_t> Header(std::uint32_t fileSize, const HeaderFields& fields = {}) {
    std::vector<std::uint8_t> header;
    PutLe32(header, fields.magic);
    PutLe32(header, fileSize);
    PutLe32(header, fields.pcmLength);
    PutLe32(header, static_cast<std::uint32_t>(fields.maxFrames));
    PutLe32(header, fields.sampleRate);
    PutLe16(header, fields.bits);
    PutLe16(header, fields.channels);
    header.resize(40, 0);
    return header;
}

// A file of the given blocks with a header that describes it.
inline std::vector<std::uint8_t> FileOfBlocks(const std::vector<std::vector<std::uint8_t>>& blocks,
                                              std::uint32_t pcmLength) {
    std::size_t size = 40;
    for (const auto& block : blocks) {
        size += block.size();
    }
    HeaderFields fields;
    fields.pcmLength = pcmLength;
    std::vector<std::uint8_t> file = Header(static_cast<std::uint32_t>(size), fields);
    for (const auto& block : blocks) {
        file.insert(file.end(), block.begin(), block.end());
    }
    return file;
}

// The simplest valid encoding of one channel: second differences (with the first sample and
// first difference in front) in 15-bit fields, escaped when they do not fit.
inline void PutChannelSimply(BitList& bits, std::span<const std::int16_t> interleaved,
                             std::size_t first, std::size_t frames, int channel) {
    auto sample = [&](std::size_t i) {
        return static_cast<int>(interleaved[2 * (first + i) + static_cast<std::size_t>(channel)]);
    };
    for (std::size_t i = 0; i < frames; ++i) {
        int residual = sample(i);
        if (i >= 1) residual -= sample(i - 1);
        if (i >= 2) residual -= sample(i - 1) - sample(i - 2);
        const auto wrapped = static_cast<std::int16_t>(static_cast<std::uint16_t>(residual & 0xFFFF));
        if (wrapped > -16384 && wrapped < 16384) {
            bits.Put(static_cast<std::uint32_t>(wrapped + 16384), 15);
        } else {
            bits.Put(0, 15);
            bits.Put(static_cast<std::uint16_t>(wrapped), 16);
        }
    }
}

inline std::vector<std::uint8_t> SimplyEncodedFile(std::span<const std::int16_t> interleaved,
                                                   std::size_t pairsPerBlock) {
    std::vector<std::vector<std::uint8_t>> blocks;
    const std::size_t pairs = interleaved.size() / 2;
    for (std::size_t first = 0; first < pairs; first += pairsPerBlock) {
        const std::size_t frames = std::min(pairsPerBlock, pairs - first);
        BitList bits;
        PutChannelSimply(bits, interleaved, first, frames, 0);
        PutChannelSimply(bits, interleaved, first, frames, 1);
        blocks.push_back(Block(static_cast<unsigned>(frames), Parameters(15, 15, false, false),
                               bits.Words()));
    }
    return FileOfBlocks(blocks, static_cast<std::uint32_t>(interleaved.size() * 2));
}

} // namespace lumisett::test::crescor
