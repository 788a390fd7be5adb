#include "host/settings/host_settings.h"

#include "platform/file_io.h"
#include "platform/message.h"
#include "platform/standard_messages.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace lumisett::host {
namespace {

// Field offsets in the record.
enum Offset : std::size_t {
    kMagic = 0, kSampleRate = 4, kReserved8 = 8, kSourceType = 12, kChannelMode = 14,
    kSpectralMono = 16, kSourceChannels = 18, kSourcePath = 20, kReservedArea = 280,
    kDifference = 1620, kBypassAll = 1624, kNotifyByWindow = 1628, kOverflowWatch = 1632,
    kBufferPairs = 1636, kBufferCount = 1638, kInputDevice = 1640, kOutputDevice = 1642,
    kHalfTransform = 1644, kReserved1646 = 1646, kOverlap = 1648,
};

using Record = std::array<std::uint8_t, kSettingsRecordSize>;

void PutLittleEndian(Record& bytes, std::size_t offset, std::uint32_t value, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void Put32(Record& bytes, std::size_t offset, std::int32_t value) {
    PutLittleEndian(bytes, offset, static_cast<std::uint32_t>(value), 4);
}
void Put16(Record& bytes, std::size_t offset, std::int16_t value) {
    PutLittleEndian(bytes, offset, static_cast<std::uint16_t>(value), 2);
}

std::uint32_t GetLittleEndian(std::span<const std::uint8_t> bytes, std::size_t offset,
                              std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(bytes[offset + i]) << (8 * i);
    }
    return value;
}

std::int32_t Get32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int32_t>(GetLittleEndian(bytes, offset, 4));
}
std::int16_t Get16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::int16_t>(GetLittleEndian(bytes, offset, 2));
}

// Every field of a record of the right size, whatever its magic says.
HostSettings ReadFields(std::span<const std::uint8_t> bytes) {
    HostSettings s;
    s.magic = GetLittleEndian(bytes, kMagic, 4);
    s.sampleRate = Get32(bytes, kSampleRate);
    s.reserved8 = Get32(bytes, kReserved8);
    s.sourceType = Get16(bytes, kSourceType);
    s.channelMode = Get16(bytes, kChannelMode);
    s.spectralMono = Get16(bytes, kSpectralMono);
    s.sourceChannels = Get16(bytes, kSourceChannels);
    const auto* path = reinterpret_cast<const char*>(bytes.data() + kSourcePath);
    s.sourcePath.assign(path, strnlen(path, kSourcePathCapacity - 1));
    std::copy_n(bytes.begin() + kReservedArea, s.reservedArea.size(), s.reservedArea.begin());
    s.difference = Get32(bytes, kDifference);
    s.bypassAll = Get32(bytes, kBypassAll);
    s.notifyByWindow = Get32(bytes, kNotifyByWindow);
    s.overflowWatch = Get32(bytes, kOverflowWatch);
    s.bufferPairs = Get16(bytes, kBufferPairs);
    s.bufferCount = Get16(bytes, kBufferCount);
    s.inputDevice = Get16(bytes, kInputDevice);
    s.outputDevice = Get16(bytes, kOutputDevice);
    s.halfTransform = Get16(bytes, kHalfTransform);
    s.reserved1646 = Get16(bytes, kReserved1646);
    s.overlap = std::bit_cast<float>(GetLittleEndian(bytes, kOverlap, 4));
    return s;
}

} // namespace

void HostSettings::ApplyDefaults() {
    const HostSettings defaults;
    const std::int16_t keptSourceType = sourceType;
    const auto keptReservedArea = reservedArea;
    *this = defaults;
    sourceType = keptSourceType;
    reservedArea = keptReservedArea;
}

bool HostSettings::ReplaceUnusableValues() {
    const HostSettings defaults;
    bool changed = false;
    auto replace = [&changed](auto& field, auto fallback, bool usable) {
        if (!usable) {
            field = fallback;
            changed = true;
        }
    };
    replace(bufferPairs, defaults.bufferPairs,
            bufferPairs == 2048 || bufferPairs == 4096 || bufferPairs == 8192);
    replace(bufferCount, defaults.bufferCount, bufferCount >= 4 && bufferCount <= 16);
    replace(halfTransform, std::min(defaults.halfTransform, static_cast<std::int16_t>(bufferPairs / 2)),
            halfTransform >= 128 && halfTransform <= 4096 && halfTransform <= bufferPairs / 2);
    replace(overlap, defaults.overlap, overlap >= 0.1f && overlap <= 1.0f);
    replace(channelMode, defaults.channelMode, channelMode >= 0 && channelMode <= 3);
    return changed;
}

std::array<std::uint8_t, kSettingsRecordSize> EncodeSettings(const HostSettings& s) {
    Record bytes{};
    PutLittleEndian(bytes, kMagic, s.magic, 4);
    Put32(bytes, kSampleRate, s.sampleRate);
    Put32(bytes, kReserved8, s.reserved8);
    Put16(bytes, kSourceType, s.sourceType);
    Put16(bytes, kChannelMode, s.channelMode);
    Put16(bytes, kSpectralMono, s.spectralMono);
    Put16(bytes, kSourceChannels, s.sourceChannels);
    std::memcpy(bytes.data() + kSourcePath, s.sourcePath.data(),
                std::min(s.sourcePath.size(), kSourcePathCapacity - 1));
    std::copy(s.reservedArea.begin(), s.reservedArea.end(), bytes.begin() + kReservedArea);
    Put32(bytes, kDifference, s.difference);
    Put32(bytes, kBypassAll, s.bypassAll);
    Put32(bytes, kNotifyByWindow, s.notifyByWindow);
    Put32(bytes, kOverflowWatch, s.overflowWatch);
    Put16(bytes, kBufferPairs, s.bufferPairs);
    Put16(bytes, kBufferCount, s.bufferCount);
    Put16(bytes, kInputDevice, s.inputDevice);
    Put16(bytes, kOutputDevice, s.outputDevice);
    Put16(bytes, kHalfTransform, s.halfTransform);
    Put16(bytes, kReserved1646, s.reserved1646);
    PutLittleEndian(bytes, kOverlap, std::bit_cast<std::uint32_t>(s.overlap), 4);
    return bytes;
}

std::optional<HostSettings> DecodeSettings(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != kSettingsRecordSize) {
        return std::nullopt;
    }
    HostSettings settings = ReadFields(bytes);
    if (settings.magic != kSettingsMagic) {
        return std::nullopt;
    }
    return settings;
}

HostSettings LoadSettings(const std::string& programDirectory) {
    auto bytes = platform::ReadWholeFile(programDirectory + kSettingsFileName, kSettingsRecordSize);
    if (bytes && bytes->size() == kSettingsRecordSize) {
        HostSettings settings = ReadFields(*bytes);
        if (settings.magic == kSettingsMagic) {
            settings.ReplaceUnusableValues();
            return settings;
        }
        // A record of the right size but the wrong magic: the fields without a default keep
        // what it held.
        platform::ShowMessage(platform::kParameterErrorCaption, platform::kParameterErrorText);
        settings.ApplyDefaults();
        return settings;
    }
    platform::ShowMessage(platform::kParameterErrorCaption, platform::kParameterErrorText);
    return HostSettings{};
}

bool SaveSettings(const std::string& programDirectory, const HostSettings& settings) {
    const auto bytes = EncodeSettings(settings);
    if (!platform::WriteFileAtomically(programDirectory + kSettingsFileName, bytes)) {
        platform::ShowMessage(platform::kSaveErrorCaption, platform::kSaveErrorText);
        return false;
    }
    return true;
}

} // namespace lumisett::host
