#pragma once
// The two detectors of the de-scratcher and the two repairs, on one channel of the work window.
//
// The window holds n + 10 samples x[0 .. n+9]: 512 frames of history and the current block,
// with n = block + 502. Both detectors look at positions 0 .. n; the crackle detector's fourth
// difference reaches x[n + 9], the window's last sample, so neither ever reads past it for any
// block size. Samples are 16-bit values held in 32 bits.
//
// Everything here runs in the audio context: no allocation, the caller's buffers only.

#include <cstdint>

namespace lumisett::declicker {

// Frames of history before the block; also the detection margin at the window's end.
inline constexpr std::int32_t kHistoryFrames = 512;
inline constexpr std::int32_t kDetectionMargin = 10; // window length = n + 10

// Where the detectors record what they find; at most `capacity` events, the rest are dropped.
struct EventList {
    std::int32_t* starts = nullptr;
    std::int32_t* lengths = nullptr;
    std::int32_t capacity = 0;
    std::int32_t count = 0;

    bool full() const noexcept { return count >= capacity; }
    void Add(std::int32_t start, std::int32_t length) noexcept {
        if (!full()) {
            starts[count] = start;
            lengths[count] = length;
            ++count;
        }
    }
};

// Working space of the detectors, each at least n + 8 entries.
struct DetectorScratch {
    std::int64_t* energy = nullptr;     // second-difference energies of the click detector
    std::int32_t* differences = nullptr; // fourth, then fifth differences of the crackle detector
    std::uint8_t* marks = nullptr;
};

struct ClickShape {
    double factor = 100.0;         // D
    std::int32_t mergeGap = 8;     // a
    std::int32_t passes = 12;      // P
    std::int32_t minLength = 1;    // kept when minLength <= raw length < maxLength
    std::int32_t maxLength = 500;
};

// Clicks: positions whose second-difference energy stands out from the window's mean energy,
// found in up to `passes` rounds with the mean recomputed without what was already found;
// nearby positions are merged into events, and each event is widened to the monotone run
// of samples that leads into and out of it. Fills `events` (cleared first).
void DetectClicks(const std::int32_t* x, std::int32_t n, const ClickShape& shape,
                  const DetectorScratch& scratch, EventList& events) noexcept;

// Crackle: runs of positions whose fifth difference stands above `factor` times its mean.
// Fills `events` (cleared first) with runs shorter than `maxLength`.
void DetectCrackles(const std::int32_t* x, std::int32_t n, double factor, std::int32_t maxLength,
                    const DetectorScratch& scratch, EventList& events) noexcept;

// Replaces x[s+1 .. s+L-1] by the straight line from x[s] to x[s+L], truncated toward zero.
// False, and nothing changed, when the event does not lie inside the window of `length`.
bool RepairLine(std::int32_t* x, std::int32_t length, std::int32_t s, std::int32_t L) noexcept;

// Replaces x[s .. s+L-1] by the cubic that leaves x[s] with the slope x[s] - x[s-1] and arrives
// at x[s+L] with the slope x[s+L+1] - x[s+L]. It needs one sample before the event and one
// after its end: an event without them (s = 0, or s + L + 1 past the window) is skipped rather
// than repaired with a slope made up at the edge; the result is then false. The curve may
// overshoot the 16-bit range between steep ends: it is clipped there, never wrapped.
bool RepairCubic(std::int32_t* x, std::int32_t length, std::int32_t s, std::int32_t L) noexcept;

} // namespace lumisett::declicker
