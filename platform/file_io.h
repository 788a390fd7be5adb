#pragma once
// Whole-file reads and crash-safe whole-file writes.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumisett::platform {

// The file's bytes, or nothing when it cannot be opened or read. Files larger than
// `limit` bytes are not read (nothing is returned).
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                       std::size_t limit = 1 << 20);

// Writes `bytes` to a temporary file in the same folder, flushes it to disk and renames it
// over `path`, so that a crash or a full disk never leaves a truncated file behind: either the
// old file or the complete new one remains. False when any step fails (the old file is kept).
bool WriteFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes);

} // namespace lumisett::platform
