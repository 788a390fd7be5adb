#pragma once
// The machine's audio devices as the I/O options show them: an input and an output table, each
// with the 16-bit stereo rates every device accepts and a mark for the devices that can record
// and play at the same time; and the output device behind a chosen name.

#include "platform/audio/output_device.h"

#include <memory>
#include <string>
#include <vector>

namespace lumisett::platform {

struct DeviceTables {
    std::vector<DeviceCapabilities> inputs;  // at most kMaxListedDevices; the index is the device number
    std::vector<DeviceCapabilities> outputs;
};

// What the catalog asks of the sound system: ALSA's answers in the program, a table in tests.
class DeviceProbe {
public:
    enum class Direction { Input, Output };
    virtual ~DeviceProbe() = default;
    // Device names in the system's order.
    virtual std::vector<std::string> Names(Direction direction) = 0;
    // The kDeviceRates the device accepts for 16-bit stereo (bit i for kDeviceRates[i]), asked
    // without opening a stream; 0 when it cannot be opened at all.
    virtual uint16_t RateMask(const std::string& name, Direction direction) = 0;
    // Whether `input` records and `output` plays at 44100 Hz, both open at once.
    virtual bool OpensTogether(const std::string& input, const std::string& output) = 0;
};

// ALSA's device hints and query-only opens.
DeviceProbe& AlsaDeviceProbe();

// Builds both tables: "default" first, then the other devices in the probe's order that accept
// at least one of the listed rates, at most kMaxListedDevices each. Input i and output i are
// opened together; when both open, " *" is appended to both names.
DeviceTables EnumerateDevices(DeviceProbe& probe = AlsaDeviceProbe());

// The name under which the suite's own null device is found: it plays in real time by the clock
// and discards the audio.
inline constexpr const char* kNullDeviceName = "null";

// The output device for a DeviceCapabilities::deviceName: kNullDeviceName gives the null device,
// any other name an ALSA device. Null when the name is empty or ALSA cannot open that PCM.
std::unique_ptr<OutputDevice> CreateOutputDevice(const std::string& deviceName, Clock& clock = SystemClock());

} // namespace lumisett::platform
