#pragma once
// Plain, correct reading and writing of 16-bit PCM WAV files for our tools, tests and rendered
// output. (The host's recognition of playable files follows its own, looser rules elsewhere.)

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumisett::host {

struct WavAudio {
    int channels = 0;            // 1 or 2
    std::uint32_t sampleRate = 0; // Hz
    std::vector<std::int16_t> samples; // interleaved, left first
};

struct WavReadResult {
    WavAudio audio;
    std::string error; // what is wrong with the file, in words for the user; empty on success
    bool ok() const { return error.empty(); }
};

// Walks the RIFF chunks for "fmt " and "data" (in either order, skipping others and their pad
// bytes) and accepts 16-bit PCM with one or two channels, plain or in the extensible format.
// Anything else, and a data chunk that runs past the end, is an error.
WavReadResult ParseWav(std::span<const std::uint8_t> bytes);
WavReadResult ReadWavFile(const std::string& path);

// A canonical file: 44-byte header ("RIFF", "WAVE", a 16-byte "fmt " chunk, "data") and the
// samples. Nothing when the channel count is not 1 or 2, the samples are not whole frames, or
// they are too many for the 32-bit sizes.
std::optional<std::vector<std::uint8_t>> WavFileBytes(const WavAudio& audio);

// Writes WavFileBytes atomically (temporary file, then rename); false when the audio is not
// writable as above or the file cannot be written.
bool WriteWavFile(const std::string& path, const WavAudio& audio);

} // namespace lumisett::host
