#pragma once
// One playback stream through the DC-offset remover: the per-stream input copy, the filter
// state and the correction meters.
//
// Threads: Open and Close on the window thread, never while a Process call runs (the host
// calls Process only between them); Process in the audio context; the meters are read by the
// editor on the window thread.

#include "plugins/zeroline/core/dc_filter.h"
#include "plugins/zeroline/core/meters.h"

#include <cstdint>

namespace lumisett::zeroline {

class DcStream {
public:
    DcStream() = default;
    ~DcStream();
    DcStream(const DcStream&) = delete;
    DcStream& operator=(const DcStream&) = delete;

    // Prepares for blocks of up to `blockPairs` pairs: an aligned, zeroed input copy and a
    // filter at rest. False when the copy cannot be had (or `blockPairs` is not positive).
    bool Open(std::int32_t blockPairs);
    // Frees the input copy and clears the meters. Harmless when not open.
    void Close();
    bool isOpen() const { return input_ != nullptr; }

    // One block, in place. A nonzero mask filters both channels; mask 0 leaves the block as
    // it is and reports no correction. Blocks that are missing, larger than announced in
    // Open, or arrive while closed are left untouched.
    void Process(std::int32_t mask, std::int32_t pairs, std::int16_t* block) noexcept;

    CorrectionMeters& meters() { return meters_; }

private:
    std::int16_t* input_ = nullptr; // aligned buffer of the plug-in's table
    std::int32_t capacity_ = 0;     // pairs
    ChannelState left_;
    ChannelState right_;
    CorrectionMeters meters_;
};

} // namespace lumisett::zeroline
