#pragma once
// The de-scratcher's settings: the two detector sensitivities, the mono option and the click
// detector's shape (merge gap, threshold passes, length limits).
//
// The editor and the render's keys write them on the window thread while DoEffect reads them in
// the audio context, so each value is an atomic of its own; a channel pass takes one snapshot at
// its start and works with that. A snapshot may mix values of two consecutive edits, which only
// ever affects one block.

#include <atomic>
#include <cstdint>

namespace lumisett::declicker {

struct SettingsValues {
    double declick = 100.0;        // D: the click threshold, in multiples of the mean energy
    double decrackle = 100.0;      // K: the crackle threshold, in multiples of the mean
    std::int32_t mono = 0;         // 1: stereo output is the average of both channels
    std::int16_t minClick = 1;     // shortest raw click that is kept
    std::int16_t maxEvent = 500;   // events of this raw length or longer are left alone
    std::int16_t mergeGap = 8;     // unmarked positions bridged inside one click
    std::int16_t thresholdPasses = 12;

    bool monoOn() const { return mono == 1; }
    friend bool operator==(const SettingsValues&, const SettingsValues&) = default;
};

// De-plop on: clicks may be long and broken up, and later passes look for smaller ones.
inline constexpr std::int16_t kPlopGap = 8;
inline constexpr std::int16_t kPlopPasses = 12;
// De-plop off: only short, isolated clicks.
inline constexpr std::int16_t kPlainGap = 2;
inline constexpr std::int16_t kPlainPasses = 4;

class Settings {
public:
    SettingsValues Snapshot() const noexcept;
    void Store(const SettingsValues& values) noexcept;

    void SetDeclick(double d) noexcept { declick_.store(d, std::memory_order_relaxed); }
    void SetDecrackle(double k) noexcept { decrackle_.store(k, std::memory_order_relaxed); }
    void SetMono(bool on) noexcept { mono_.store(on ? 1 : 0, std::memory_order_relaxed); }
    // De-plop writes the merge gap and the number of threshold passes together.
    void SetDeplop(bool on) noexcept;
    bool deplop() const noexcept { return mergeGap_.load(std::memory_order_relaxed) == kPlopGap; }

private:
    std::atomic<double> declick_{100.0};
    std::atomic<double> decrackle_{100.0};
    std::atomic<std::int32_t> mono_{0};
    std::atomic<std::int16_t> minClick_{1};
    std::atomic<std::int16_t> maxEvent_{500};
    std::atomic<std::int16_t> mergeGap_{kPlopGap};
    std::atomic<std::int16_t> thresholdPasses_{kPlopPasses};
};

} // namespace lumisett::declicker
