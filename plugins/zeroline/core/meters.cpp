#include "plugins/zeroline/core/meters.h"

#include <charconv>
#include <cmath>

namespace lumisett::zeroline {

float LevelOfPeak(std::int32_t peak) {
    if (peak <= 0) {
        return kSilenceDb;
    }
    return static_cast<float>(20.0 * std::log10(peak / 32768.0));
}

std::string HeldText(float held) {
    if (!(held > kSilenceDb)) {
        return "-inf";
    }
    // The printf form "%+5.1f", written without printf: a Qt application switches the C
    // locale to the user's, which could turn the decimal point into a comma.
    char digits[32];
    const auto result = std::to_chars(digits, digits + sizeof digits, std::fabs(held),
                                      std::chars_format::fixed, 1);
    std::string text(std::signbit(held) ? "-" : "+");
    text.append(digits, result.ptr);
    if (text.size() < 5) {
        text.insert(0, 5 - text.size(), ' ');
    }
    return text;
}

float BarTargetOf(float level) {
    return level >= -80.0f ? (level + 80.0f) * 0.0166f : 0.0f;
}

ChannelReading ReadChannel(std::int32_t peak, float& held) {
    ChannelReading reading;
    reading.level = LevelOfPeak(peak);
    if (reading.level > held) {
        held = reading.level;
    }
    reading.held = held;
    reading.text = HeldText(held);
    reading.barTarget = BarTargetOf(reading.level);
    return reading;
}

void CorrectionMeters::Publish(std::int32_t left, std::int32_t right) noexcept {
    peaks_[0].store(left, std::memory_order_relaxed);
    peaks_[1].store(right, std::memory_order_relaxed);
}

std::array<ChannelReading, 2> CorrectionMeters::Tick(bool paused) {
    std::array<ChannelReading, 2> readings;
    for (std::size_t i = 0; i < 2; ++i) {
        readings[i] = ReadChannel(peaks_[i].load(std::memory_order_relaxed), held_[i]);
    }
    if (paused) {
        Publish(0, 0);
    }
    return readings;
}

void CorrectionMeters::ResetHeld() {
    held_ = {kSilenceDb, kSilenceDb};
}

void CorrectionMeters::Reset() {
    Publish(0, 0);
    ResetHeld();
}

} // namespace lumisett::zeroline
