#pragma once
// Saved noise profiles: a small file of our own, so that a fingerprint outlives the session
// and serves batch work. Little-endian, field by field:
//
//   offset 0   4 bytes  "LNPF"
//   offset 4   u32      version, 1
//   offset 8   u32      profile length N (1 .. 65536) the values were kept at
//   offset 12  u32      sample rate the fingerprint was recorded at (0: unknown)
//   offset 16  u32      bin count it was recorded at (0: unknown)
//   offset 20  2·N f32  left channel's N values, then the right channel's
//
// Anything else (another length, magic or version, a value that is negative or not finite)
// is refused as a whole.

#include "plugins/denoise/core/denoiser.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumisett::denoise {

inline constexpr char kProfileMagic[4] = {'L', 'N', 'P', 'F'};
inline constexpr std::uint32_t kProfileVersion = 1;
inline constexpr std::size_t kProfileHeaderSize = 20;
inline constexpr std::uint32_t kMaxSavedLength = 65536;

struct SavedProfile {
    ProfileOrigin origin;
    std::vector<float> values; // 2·N
};

std::vector<std::uint8_t> EncodeProfile(const SavedProfile& profile);
// Nothing when the bytes are not a profile of ours.
std::optional<SavedProfile> DecodeProfile(std::span<const std::uint8_t> bytes);

// Whole files; the write replaces the file in one step. The read refuses missing, unreadable
// and foreign files alike; `error` then holds the text to show.
bool SaveProfileFile(const std::string& path, const SavedProfile& profile);
std::optional<SavedProfile> LoadProfileFile(const std::string& path, std::string* error = nullptr);

} // namespace lumisett::denoise
