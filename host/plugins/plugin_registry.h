#pragma once
// The plug-in registry: the effects the host found through descriptor files in its program
// directory, in file-name order. It is filled once at start-up and never rescanned.

#include <string>
#include <vector>

namespace lumisett::host {

inline constexpr std::size_t kRegistryCapacity = 20;

struct RegistryEntry {
    std::string baseName;    // the library is "<baseName>.so" in the program directory
    std::string displayName; // shown in the slot lists
    bool inUse = false;      // loaded in some slot; one entry sits in at most one slot
};

class PluginRegistry {
public:
    // Reads every "*.eff" file in `programDirectory` (which ends with "/"), in file-name
    // order, and registers the valid ones; files that cannot be read, lack the magic or a
    // display name, or name no usable library are skipped silently, and so is every file
    // after the twentieth entry.
    void ScanDescriptors(const std::string& programDirectory);

    const std::vector<RegistryEntry>& entries() const { return entries_; }
    std::vector<RegistryEntry>& entries() { return entries_; }
    int count() const { return static_cast<int>(entries_.size()); }
    // The list index that stands for "none" in every slot list.
    int noneIndex() const { return count(); }

private:
    std::vector<RegistryEntry> entries_;
};

} // namespace lumisett::host
