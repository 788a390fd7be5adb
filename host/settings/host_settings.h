#pragma once
// The host's settings, kept in "quorvex.par" in the program directory: a 1652-byte
// little-endian record read once at start-up and written once at exit.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumisett::host {

inline constexpr const char* kSettingsFileName = "quorvex.par";
inline constexpr std::size_t kSettingsRecordSize = 1652;
inline constexpr std::uint32_t kSettingsMagic = 0x24041967;
inline constexpr std::size_t kSourcePathCapacity = 260; // bytes, terminator included

enum class ChannelMode : std::int16_t { Stereo = 0, Mono = 1, Left = 2, Right = 3 };
enum class SourceType : std::int16_t { Wav = 0, LayerIII = 1, Crescor = 2 };

struct HostSettings {
    std::uint32_t magic = kSettingsMagic;
    std::int32_t sampleRate = 44100;      // of the last source; also the input frequency
    std::int32_t reserved8 = 0;
    std::int16_t sourceType = 0;          // of the last source; no default of its own
    std::int16_t channelMode = 0;         // ChannelMode
    std::int16_t spectralMono = 0;
    std::int16_t sourceChannels = 2;
    std::string sourcePath;               // the last input file
    std::array<std::uint8_t, 1340> reservedArea{}; // written back as it was read
    std::int32_t difference = 0;
    std::int32_t bypassAll = 0;
    std::int32_t notifyByWindow = 1;      // 1: completion on the window thread; 0: audio thread
    std::int32_t overflowWatch = 1;
    std::int16_t bufferPairs = 4096;      // S
    std::int16_t bufferCount = 4;         // M
    std::int16_t inputDevice = 0;
    std::int16_t outputDevice = 0;
    std::int16_t halfTransform = 1024;    // K
    std::int16_t reserved1646 = 0;
    float overlap = 0.5f;

    // Sets every field that has a default to it; the others keep their values.
    void ApplyDefaults();
    // Replaces values that would break the program by their defaults: a buffer size other
    // than 2048, 4096 or 8192, a count outside 4..16, K outside 128..4096 or above S/2, an
    // overlap outside 0.1..1.0, a channel mode outside 0..3. Returns true when any changed.
    bool ReplaceUnusableValues();
};

std::array<std::uint8_t, kSettingsRecordSize> EncodeSettings(const HostSettings& settings);
// The record's fields, or nothing when the bytes are not a record (wrong size or magic).
std::optional<HostSettings> DecodeSettings(std::span<const std::uint8_t> bytes);

// Start-up: reads "quorvex.par" from `programDirectory`. A missing or invalid file shows the
// parameter-file message and yields the defaults; values that would break the program are
// replaced by defaults.
HostSettings LoadSettings(const std::string& programDirectory);

// Exit: writes the record atomically; a failure shows the save message. Returns success.
bool SaveSettings(const std::string& programDirectory, const HostSettings& settings);

} // namespace lumisett::host
