#include "host/app/io_options_logic.h"

#include <algorithm>
#include <cstdio>

namespace lumisett::host {
namespace {

constexpr int16_t kFewestBuffers = 4;
constexpr int16_t kMostBuffers = 16;
constexpr int16_t kSmallestBuffer = 2048;
constexpr int16_t kLargestBuffer = 8192;

uint16_t RateMaskOf(const std::vector<platform::DeviceCapabilities>& table, int device) {
    return device >= 0 && static_cast<std::size_t>(device) < table.size()
               ? table[static_cast<std::size_t>(device)].rateMask
               : 0;
}

} // namespace

IoOptionsLogic::IoOptionsLogic(HostSettings& settings, platform::DeviceTables devices,
                               std::function<void()> transformChanged)
    : settings_(settings), devices_(std::move(devices)), transformChanged_(std::move(transformChanged)) {}

void IoOptionsLogic::ChooseInput(int device) {
    settings_.inputDevice = static_cast<int16_t>(device);
    KeepRateCommon();
}

void IoOptionsLogic::ChooseOutput(int device) {
    settings_.outputDevice = static_cast<int16_t>(device);
    KeepRateCommon();
}

std::vector<int32_t> IoOptionsLogic::CommonRates() const {
    const uint16_t common = RateMaskOf(devices_.inputs, settings_.inputDevice) &
                            RateMaskOf(devices_.outputs, settings_.outputDevice);
    std::vector<int32_t> rates;
    for (std::size_t i = 0; i < std::size(platform::kDeviceRates); ++i) {
        if ((common >> i) & 1u) {
            rates.push_back(platform::kDeviceRates[i]);
        }
    }
    return rates;
}

void IoOptionsLogic::KeepRateCommon() {
    const std::vector<int32_t> rates = CommonRates();
    if (!rates.empty() && std::find(rates.begin(), rates.end(), settings_.sampleRate) == rates.end()) {
        settings_.sampleRate = rates.front();
    }
}

void IoOptionsLogic::ChooseRate(int32_t rate) {
    settings_.sampleRate = rate;
}

void IoOptionsLogic::BufferCountUp() {
    settings_.bufferCount = std::min<int16_t>(kMostBuffers, settings_.bufferCount + 1);
    BuffersChanged();
}

void IoOptionsLogic::BufferCountDown() {
    settings_.bufferCount = std::max<int16_t>(kFewestBuffers, settings_.bufferCount - 1);
    BuffersChanged();
}

void IoOptionsLogic::BufferSizeUp() {
    settings_.bufferPairs = std::min<int16_t>(kLargestBuffer, settings_.bufferPairs * 2);
    BuffersChanged();
}

void IoOptionsLogic::BufferSizeDown() {
    settings_.bufferPairs = std::max<int16_t>(kSmallestBuffer, settings_.bufferPairs / 2);
    BuffersChanged();
}

void IoOptionsLogic::BuffersChanged() {
    // A transform larger than a buffer could never be filled by one block.
    if (settings_.bufferPairs < 2 * settings_.halfTransform) {
        settings_.halfTransform = static_cast<int16_t>(settings_.bufferPairs / 2);
    }
    if (transformChanged_) {
        transformChanged_();
    }
}

std::string IoOptionsLogic::DelayText() const {
    char text[32];
    const double seconds = static_cast<double>(settings_.bufferCount) * settings_.bufferPairs /
                           std::max(1, settings_.sampleRate);
    std::snprintf(text, sizeof text, "%5.3f", seconds);
    return text;
}

} // namespace lumisett::host
