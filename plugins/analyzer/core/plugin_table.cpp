#include "plugins/analyzer/core/plugin_table.h"

#include "host/plugins/descriptor_file.h"
#include "platform/file_io.h"

#include <filesystem>
#include <system_error>

namespace lumisett::analyzer {
namespace {

// A descriptor is two short lines; anything larger is not one and is not read.
constexpr std::size_t kDescriptorReadLimit = 64 * 1024;

bool IsDescriptorName(const std::string& name) {
    const std::string_view extension = host::kDescriptorExtension;
    return name.size() > extension.size() &&
           name.compare(name.size() - extension.size(), extension.size(), extension) == 0;
}

std::optional<PluginEntry> ReadEntry(const std::filesystem::path& file) {
    const auto base = host::BaseNameOfDescriptor(file.filename().string());
    if (!base) {
        return std::nullopt;
    }
    const auto bytes = platform::ReadWholeFile(file.string(), kDescriptorReadLimit);
    if (!bytes) {
        return std::nullopt;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
    auto name = host::ParseDescriptorText(text);
    if (!name) {
        return std::nullopt;
    }
    return PluginEntry{.baseName = *base, .displayName = std::move(*name)};
}

} // namespace

std::vector<PluginEntry> ScanPluginTable(const std::string& directory) {
    std::vector<PluginEntry> table;
    if (directory.empty()) {
        return table;
    }
    std::error_code error;
    std::filesystem::directory_iterator files(directory, error);
    for (auto it = files; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (table.size() >= kMaxPluginEntries) {
            break;
        }
        const std::string name = it->path().filename().string();
        std::error_code kindError;
        if (!IsDescriptorName(name) || !it->is_regular_file(kindError)) {
            continue;
        }
        if (auto entry = ReadEntry(it->path())) {
            table.push_back(std::move(*entry));
        }
    }
    return table;
}

std::optional<PluginEntry> FindPlugin(const std::vector<PluginEntry>& table, std::string_view displayName) {
    for (const PluginEntry& entry : table) {
        if (entry.displayName == displayName) {
            return entry;
        }
    }
    return std::nullopt;
}

std::string LibraryFileName(const PluginEntry& entry) {
    return entry.baseName + ".so";
}

} // namespace lumisett::analyzer
