#pragma once
// A 16-bit two-channel WAV written as it is rendered. The samples go to a temporary file
// beside the destination, which replaces the destination only when the render completes:
// an interrupted or failed render leaves no half-written file and keeps an existing one.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace lumisett::host {

class WavOutput {
public:
    ~WavOutput(); // removes the temporary file of an unfinished render

    // Creates the temporary file; false when it cannot be created.
    bool Create(const std::string& path, int32_t sampleRate);
    // Appends interleaved stereo samples; false on a write error or when the file would pass
    // the format's 4 GiB limit.
    bool Append(std::span<const int16_t> samples);
    // Completes the header and moves the file into place.
    bool Finish();

private:
    void Discard();

    std::string path_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    int32_t sampleRate_ = 0;
    uint64_t dataBytes_ = 0;
};

} // namespace lumisett::host
