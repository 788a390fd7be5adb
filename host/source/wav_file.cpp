#include "host/source/wav_file.h"

#include "platform/file_io.h"

#include <cstring>
#include <limits>

namespace lumisett::host {
namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::size_t kPlainFmtSize = 16;
constexpr std::size_t kExtensibleFmtSize = 40;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kRiffHeaderSize = 12;
constexpr std::size_t kCanonicalHeaderSize = 44;
constexpr int kBitsPerSample = 16;
// The sub-format GUID of extensible PCM after its leading format tag:
// 0000xxxx-0000-0010-8000-00AA00389B71, stored little-endian.
constexpr std::uint8_t kPcmGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                           0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
// A WAV file cannot exceed what its 32-bit sizes describe.
constexpr std::size_t kLargestWav = std::size_t{std::numeric_limits<std::uint32_t>::max()} + 8;

std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void AppendLe16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void AppendLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void AppendTag(std::vector<std::uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

bool HasTag(const std::uint8_t* p, const char* tag) {
    return std::memcmp(p, tag, 4) == 0;
}

struct Format {
    std::uint16_t tag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
};

// The format chunk's fields; the extensible format's real format sits in its sub-format GUID.
std::string ParseFormat(std::span<const std::uint8_t> chunk, Format& format) {
    if (chunk.size() < kPlainFmtSize) {
        return "the fmt chunk is too short";
    }
    const std::uint8_t* p = chunk.data();
    format.tag = LoadLe16(p);
    format.channels = LoadLe16(p + 2);
    format.sampleRate = LoadLe32(p + 4);
    format.blockAlign = LoadLe16(p + 12);
    format.bits = LoadLe16(p + 14);
    if (format.tag == kFormatExtensible) {
        if (chunk.size() < kExtensibleFmtSize) {
            return "the extensible fmt chunk is too short";
        }
        const std::uint8_t* guid = p + 24;
        bool pcm = LoadLe16(guid) == kFormatPcm &&
                   std::memcmp(guid + 2, kPcmGuidTail, sizeof kPcmGuidTail) == 0;
        format.tag = pcm ? kFormatPcm : 0;
    }
    return {};
}

std::string CheckFormat(const Format& format) {
    if (format.tag != kFormatPcm) {
        return "the samples are not PCM (format tag " + std::to_string(format.tag) + ")";
    }
    if (format.bits != kBitsPerSample) {
        return "the samples have " + std::to_string(format.bits) +
               " bits; only 16-bit samples are supported";
    }
    if (format.channels != 1 && format.channels != 2) {
        return "the file has " + std::to_string(format.channels) +
               " channels; only 1 or 2 are supported";
    }
    if (format.blockAlign != format.channels * 2) {
        return "the block alignment " + std::to_string(format.blockAlign) +
               " does not match 16-bit samples";
    }
    if (format.sampleRate == 0) {
        return "the sample rate is 0";
    }
    return {};
}

std::vector<std::int16_t> SamplesOf(std::span<const std::uint8_t> data) {
    std::vector<std::int16_t> samples(data.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(LoadLe16(data.data() + 2 * i));
    }
    return samples;
}

WavReadResult Failure(std::string error) {
    WavReadResult result;
    result.error = std::move(error);
    return result;
}

} // namespace

WavReadResult ParseWav(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kRiffHeaderSize || !HasTag(bytes.data(), "RIFF") ||
        !HasTag(bytes.data() + 8, "WAVE")) {
        return Failure("not a RIFF WAVE file");
    }
    std::optional<Format> format;
    std::optional<std::span<const std::uint8_t>> data;
    // Positions are 64-bit so that hostile chunk sizes cannot wrap around.
    std::uint64_t pos = kRiffHeaderSize;
    while (pos + kChunkHeaderSize <= bytes.size()) {
        const std::uint8_t* chunk = bytes.data() + pos;
        const std::uint64_t size = LoadLe32(chunk + 4);
        const std::uint64_t bodyStart = pos + kChunkHeaderSize;
        const bool complete = bodyStart + size <= bytes.size();
        const auto body = bytes.subspan(static_cast<std::size_t>(bodyStart),
                                        complete ? static_cast<std::size_t>(size) : 0);
        if (HasTag(chunk, "fmt ") && !format) {
            if (!complete) {
                return Failure("the fmt chunk runs past the end of the file");
            }
            Format parsed;
            if (std::string error = ParseFormat(body, parsed); !error.empty()) {
                return Failure(error);
            }
            format = parsed;
        } else if (HasTag(chunk, "data") && !data) {
            if (!complete) {
                return Failure("the data chunk runs past the end of the file (truncated?)");
            }
            data = body;
        }
        pos = bodyStart + size + (size & 1); // chunks are padded to even sizes
    }
    if (!format) {
        return Failure("the file has no fmt chunk");
    }
    if (!data) {
        return Failure("the file has no data chunk");
    }
    if (std::string error = CheckFormat(*format); !error.empty()) {
        return Failure(error);
    }
    if (data->size() % format->blockAlign != 0) {
        return Failure("the data chunk does not hold whole sample frames");
    }
    WavReadResult result;
    result.audio.channels = format->channels;
    result.audio.sampleRate = format->sampleRate;
    result.audio.samples = SamplesOf(*data);
    return result;
}

WavReadResult ReadWavFile(const std::string& path) {
    std::optional<std::vector<std::uint8_t>> bytes = platform::ReadWholeFile(path, kLargestWav);
    if (!bytes) {
        return Failure("cannot read the file");
    }
    return ParseWav(*bytes);
}

std::optional<std::vector<std::uint8_t>> WavFileBytes(const WavAudio& audio) {
    if (audio.channels != 1 && audio.channels != 2) {
        return std::nullopt;
    }
    const std::uint64_t dataSize = audio.samples.size() * sizeof(std::int16_t);
    const std::uint64_t riffSize = dataSize + kCanonicalHeaderSize - 8;
    if (audio.samples.size() % static_cast<std::size_t>(audio.channels) != 0 ||
        riffSize > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    const auto channels = static_cast<std::uint16_t>(audio.channels);
    const auto blockAlign = static_cast<std::uint16_t>(channels * 2);
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(riffSize + 8));
    AppendTag(out, "RIFF");
    AppendLe32(out, static_cast<std::uint32_t>(riffSize));
    AppendTag(out, "WAVE");
    AppendTag(out, "fmt ");
    AppendLe32(out, kPlainFmtSize);
    AppendLe16(out, kFormatPcm);
    AppendLe16(out, channels);
    AppendLe32(out, audio.sampleRate);
    AppendLe32(out, audio.sampleRate * blockAlign);
    AppendLe16(out, blockAlign);
    AppendLe16(out, kBitsPerSample);
    AppendTag(out, "data");
    AppendLe32(out, static_cast<std::uint32_t>(dataSize));
    for (std::int16_t sample : audio.samples) {
        AppendLe16(out, static_cast<std::uint16_t>(sample));
    }
    return out;
}

bool WriteWavFile(const std::string& path, const WavAudio& audio) {
    std::optional<std::vector<std::uint8_t>> bytes = WavFileBytes(audio);
    return bytes && platform::WriteFileAtomically(path, *bytes);
}

} // namespace lumisett::host
