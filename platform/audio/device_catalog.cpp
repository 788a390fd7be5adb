#include "platform/audio/device_catalog.h"

#include "platform/audio/alsa_output_device.h"
#include "platform/audio/alsa_query.h"
#include "platform/audio/null_output_device.h"

#include <algorithm>

namespace lumisett::platform {

namespace {

constexpr const char* kDefaultDevice = "default";
constexpr std::size_t kShownNameLength = 27;
constexpr const char* kFullDuplexMark = " *";

alsa::Direction AlsaDirection(DeviceProbe::Direction direction) {
    return direction == DeviceProbe::Direction::Output ? alsa::Direction::Playback : alsa::Direction::Capture;
}

class AlsaProbe final : public DeviceProbe {
public:
    std::vector<std::string> Names(Direction direction) override { return alsa::HintedNames(AlsaDirection(direction)); }
    uint16_t RateMask(const std::string& name, Direction direction) override {
        return alsa::RateMask(name, AlsaDirection(direction));
    }
    bool OpensTogether(const std::string& input, const std::string& output) override {
        return alsa::OpensTogether(input, output);
    }
};

// The first 27 characters, never cutting a UTF-8 sequence in two.
std::string ShownName(const std::string& name) {
    if (name.size() <= kShownNameLength) {
        return name;
    }
    std::size_t length = kShownNameLength;
    while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) {
        --length;
    }
    return name.substr(0, length);
}

std::vector<DeviceCapabilities> ListDevices(DeviceProbe& probe, DeviceProbe::Direction direction) {
    std::vector<std::string> names{kDefaultDevice};
    for (std::string& name : probe.Names(direction)) {
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            names.push_back(std::move(name));
        }
    }
    std::vector<DeviceCapabilities> table;
    for (const std::string& name : names) {
        if (table.size() == static_cast<std::size_t>(kMaxListedDevices)) {
            break;
        }
        const uint16_t mask = probe.RateMask(name, direction);
        // ALSA's hints name many PCMs that cannot take 16-bit stereo (surround layouts, busy
        // hardware); a device that accepts no listed rate could not be chosen for anything.
        // "default" stays, so that the list is never empty.
        if (mask == 0 && name != kDefaultDevice) {
            continue;
        }
        table.push_back(DeviceCapabilities{ShownName(name), mask, false, name});
    }
    return table;
}

} // namespace

DeviceProbe& AlsaDeviceProbe() {
    static AlsaProbe probe;
    return probe;
}

DeviceTables EnumerateDevices(DeviceProbe& probe) {
    DeviceTables tables;
    tables.inputs = ListDevices(probe, DeviceProbe::Direction::Input);
    tables.outputs = ListDevices(probe, DeviceProbe::Direction::Output);
    const std::size_t pairs = std::min(tables.inputs.size(), tables.outputs.size());
    for (std::size_t i = 0; i < pairs; ++i) {
        if (probe.OpensTogether(tables.inputs[i].deviceName, tables.outputs[i].deviceName)) {
            for (DeviceCapabilities* entry : {&tables.inputs[i], &tables.outputs[i]}) {
                entry->name += kFullDuplexMark;
                entry->fullDuplex = true;
            }
        }
    }
    return tables;
}

std::unique_ptr<OutputDevice> CreateOutputDevice(const std::string& deviceName, Clock& clock) {
    if (deviceName == kNullDeviceName) {
        return std::make_unique<NullOutputDevice>(NullPacing::RealTime, clock);
    }
    if (deviceName.empty() || !alsa::Opens(deviceName, alsa::Direction::Playback)) {
        return nullptr;
    }
    return std::make_unique<AlsaOutputDevice>(deviceName, clock);
}

} // namespace lumisett::platform
