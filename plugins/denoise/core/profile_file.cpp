#include "plugins/denoise/core/profile_file.h"

#include "platform/file_io.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace lumisett::denoise {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint32_t GetU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (int k = 3; k >= 0; --k) {
        value = (value << 8) | bytes[offset + static_cast<std::size_t>(k)];
    }
    return value;
}

} // namespace

std::vector<std::uint8_t> EncodeProfile(const SavedProfile& profile) {
    std::vector<std::uint8_t> out(kProfileMagic, kProfileMagic + 4);
    PutU32(out, kProfileVersion);
    PutU32(out, static_cast<std::uint32_t>(profile.values.size() / 2));
    PutU32(out, static_cast<std::uint32_t>(profile.origin.rate));
    PutU32(out, static_cast<std::uint32_t>(profile.origin.bins));
    for (float value : profile.values) {
        PutU32(out, std::bit_cast<std::uint32_t>(value));
    }
    return out;
}

std::optional<SavedProfile> DecodeProfile(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kProfileHeaderSize || std::memcmp(bytes.data(), kProfileMagic, 4) != 0 ||
        GetU32(bytes, 4) != kProfileVersion) {
        return std::nullopt;
    }
    const std::uint32_t n = GetU32(bytes, 8);
    const std::uint32_t rate = GetU32(bytes, 12);
    const std::uint32_t bins = GetU32(bytes, 16);
    if (n < 1 || n > kMaxSavedLength || rate > 1'000'000 || bins > kMaxSavedLength ||
        bytes.size() != kProfileHeaderSize + 8 * static_cast<std::size_t>(n)) {
        return std::nullopt;
    }
    SavedProfile profile;
    profile.origin = {static_cast<std::int32_t>(rate), static_cast<std::int32_t>(bins)};
    profile.values.resize(2 * static_cast<std::size_t>(n));
    for (std::size_t i = 0; i < profile.values.size(); ++i) {
        const float value = std::bit_cast<float>(GetU32(bytes, kProfileHeaderSize + 4 * i));
        if (!std::isfinite(value) || value < 0.0f) {
            return std::nullopt;
        }
        profile.values[i] = value;
    }
    return profile;
}

bool SaveProfileFile(const std::string& path, const SavedProfile& profile) {
    return platform::WriteFileAtomically(path, EncodeProfile(profile));
}

std::optional<SavedProfile> LoadProfileFile(const std::string& path, std::string* error) {
    const auto bytes = platform::ReadWholeFile(path, kProfileHeaderSize + 8 * std::size_t{kMaxSavedLength});
    if (!bytes) {
        if (error != nullptr) {
            *error = "The noise profile \"" + path + "\" could not be read.";
        }
        return std::nullopt;
    }
    auto profile = DecodeProfile(*bytes);
    if (!profile && error != nullptr) {
        *error = "The file \"" + path + "\" is not a noise profile or it is damaged.";
    }
    return profile;
}

} // namespace lumisett::denoise
