#include "host/plugins/plugin_registry.h"

#include "host/plugins/descriptor_file.h"
#include "platform/file_io.h"

#include <algorithm>
#include <filesystem>

namespace lumisett::host {
namespace {

// A descriptor is a few lines of text; anything larger is not one.
constexpr std::size_t kDescriptorFileLimit = 64 * 1024;

std::vector<std::string> DescriptorFileNames(const std::string& directory) {
    std::vector<std::string> names;
    std::error_code error;
    std::filesystem::directory_iterator it(directory.empty() ? "." : directory, error);
    for (; !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
        std::string name = it->path().filename().string();
        if (name.size() >= kDescriptorExtension.size() &&
            name.ends_with(kDescriptorExtension) && it->is_regular_file(error)) {
            names.push_back(std::move(name));
        }
    }
    // Directory listings on Linux come in no useful order; file-name order keeps the slot
    // lists the same from run to run.
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

void PluginRegistry::ScanDescriptors(const std::string& programDirectory) {
    entries_.clear();
    for (const std::string& fileName : DescriptorFileNames(programDirectory)) {
        if (entries_.size() == kRegistryCapacity) {
            break;
        }
        auto bytes = platform::ReadWholeFile(programDirectory + fileName, kDescriptorFileLimit);
        if (!bytes) {
            continue;
        }
        std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
        auto displayName = ParseDescriptorText(text);
        auto baseName = BaseNameOfDescriptor(fileName);
        if (!displayName || !baseName) {
            continue;
        }
        entries_.push_back({*baseName, *displayName, false});
    }
}

} // namespace lumisett::host
