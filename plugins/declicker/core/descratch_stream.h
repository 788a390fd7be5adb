#pragma once
// One playback stream through the de-scratcher: the work window of 512 history frames plus
// the block, the detectors' working space and event lists, and the counters for the editor.
//
// Every block leaves 512 frames later than it came: each frame is examined in the call that
// brings it and again while it sits in the history, so a click that straddles two blocks is
// seen whole. The delay is the same in every mode, bypass included, so that switching a slot
// off and on never shifts the audio.
//
// Threads: Open and Close on the window thread, never while Process runs (the host calls
// Process only between them); Process in the audio context, where it allocates nothing, takes
// no lock and reads the settings once per channel pass.

#include "plugins/declicker/core/counters.h"
#include "plugins/declicker/core/detectors.h"
#include "plugins/declicker/core/settings.h"

#include <cstdint>

namespace lumisett::declicker {

inline constexpr std::int32_t kLatencyFrames = kHistoryFrames;

class DescratchStream {
public:
    explicit DescratchStream(const Settings& settings) : settings_(settings) {}
    ~DescratchStream();
    DescratchStream(const DescratchStream&) = delete;
    DescratchStream& operator=(const DescratchStream&) = delete;

    // Buffers for blocks of up to `blockPairs` frames, with silent history. False when they
    // cannot be had, or for a block size outside 1 .. kMaxBlockPairs.
    bool Open(std::int32_t blockPairs);
    // Frees the buffers; not running, no repaired samples. Harmless when not open.
    void Close();
    bool isOpen() const { return window_ != nullptr; }

    // One block in place. Mask bit 1 repairs the left channel, bit 2 the right; with the mono
    // option and mask 3 both outputs carry the floor of the channels' mean. A block that is
    // missing, empty, longer than announced in Open, or arrives while closed is left untouched.
    void Process(std::int32_t mask, std::int32_t pairs, std::int16_t* block) noexcept;

    ScratchCounters& counters() { return counters_; }

    // Large enough for any block the host plays; small enough that the energies' 64-bit sum
    // over a window of full-scale clicks cannot overflow.
    static constexpr std::int32_t kMaxBlockPairs = 1 << 20;

private:
    void ChannelPass(int channel, std::int32_t pairs, std::int32_t& clicks,
                     std::int32_t& crackles) noexcept;

    const Settings& settings_;
    ScratchCounters counters_;
    std::int32_t capacity_ = 0;

    // From the plug-in's aligned buffer table.
    std::int16_t* window_ = nullptr;  // (capacity + 512) stereo frames
    std::int32_t* samples_ = nullptr; // one channel of the window, capacity + 512
    DetectorScratch scratch_;         // capacity + 532 entries each
    std::int32_t* starts_ = nullptr;  // capacity entries
    std::int32_t* lengths_ = nullptr;
};

} // namespace lumisett::declicker
