#include "plugins/declicker/core/settings.h"

namespace lumisett::declicker {

SettingsValues Settings::Snapshot() const noexcept {
    constexpr auto relaxed = std::memory_order_relaxed;
    return {.declick = declick_.load(relaxed),
            .decrackle = decrackle_.load(relaxed),
            .mono = mono_.load(relaxed),
            .minClick = minClick_.load(relaxed),
            .maxEvent = maxEvent_.load(relaxed),
            .mergeGap = mergeGap_.load(relaxed),
            .thresholdPasses = thresholdPasses_.load(relaxed)};
}

void Settings::Store(const SettingsValues& values) noexcept {
    constexpr auto relaxed = std::memory_order_relaxed;
    declick_.store(values.declick, relaxed);
    decrackle_.store(values.decrackle, relaxed);
    mono_.store(values.mono, relaxed);
    minClick_.store(values.minClick, relaxed);
    maxEvent_.store(values.maxEvent, relaxed);
    mergeGap_.store(values.mergeGap, relaxed);
    thresholdPasses_.store(values.thresholdPasses, relaxed);
}

void Settings::SetDeplop(bool on) noexcept {
    mergeGap_.store(on ? kPlopGap : kPlainGap, std::memory_order_relaxed);
    thresholdPasses_.store(on ? kPlopPasses : kPlainPasses, std::memory_order_relaxed);
}

} // namespace lumisett::declicker
