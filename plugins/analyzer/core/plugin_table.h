#pragma once
// The plug-ins the analyzer knows of, from the descriptor files beside it: which library a
// display name belongs to, so that a noise source chosen by name can be found among the
// loaded modules.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumisett::analyzer {

inline constexpr std::size_t kMaxPluginEntries = 10;

struct PluginEntry {
    std::string baseName;    // library file name without ".so"
    std::string displayName; // at most 20 characters
    friend bool operator==(const PluginEntry&, const PluginEntry&) = default;
};

// Reads the "*.eff" files of `directory` (ending with "/") in listing order, at most 10 valid
// ones; files that are unreadable, lack the magic or a name are skipped.
std::vector<PluginEntry> ScanPluginTable(const std::string& directory);

// The entry whose display name is `displayName` exactly.
std::optional<PluginEntry> FindPlugin(const std::vector<PluginEntry>& table, std::string_view displayName);

// The file name the loaded library of `entry` goes by.
std::string LibraryFileName(const PluginEntry& entry);

} // namespace lumisett::analyzer
