#include "plugin_common/runtime/plugin_runtime.h"

#include "plugin_common/effect_api.h"
#include "plugin_common/runtime/aligned_buffers.h"
#include "platform/program_path.h"

namespace lumisett::plugin {

void PluginRuntime::Start(const PluginIdentity& identity, std::string directory) {
    identity_ = identity;
    directory_ = std::move(directory);
    record_ = ParameterRecord(identity.parameters);
    persist_ = true; // every InitEffect starts saving again; a headless run switches it off
    // An unknown directory reads as a missing file: defaults, and the user is told.
    LoadParameterFile(record_, directory_.empty() ? std::string() : ParameterFilePath(),
                      identity.applyDefaults);
    started_ = true;
}

bool PluginRuntime::Finish() {
    if (!started_) {
        return true;
    }
    started_ = false;
    bool saved = true;
    if (persist_) {
        // Without a known directory there is nowhere safe to write: never the working folder.
        saved = !directory_.empty() && SaveParameterFile(record_, ParameterFilePath());
        if (!saved) {
            ShowSaveFailure();
        }
    }
    FreeAllAligned();
    return saved;
}

PluginRuntime& Runtime() {
    static PluginRuntime runtime;
    return runtime;
}

std::optional<bool> SetCommonParameter(std::string_view key, std::string_view value) {
    if (key != "persist") {
        return std::nullopt;
    }
    if (value != "0" && value != "1") {
        return false;
    }
    SetParameterPersistence(value == "1");
    return true;
}

void SetParameterPersistence(bool on) {
    Runtime().SetPersistence(on);
}

std::string FindPluginDirectory() {
    // Any address inside this library will do: the runtime is linked into the plug-in.
    return platform::LibraryDirectoryOf(reinterpret_cast<const void*>(&FindPluginDirectory));
}

std::unique_ptr<platform::DynamicLibrary> FindLoadedPlugin(const std::string& fileName) {
    const std::string& directory = Runtime().directory();
    return platform::DynamicLibrary::FindLoaded(directory.empty() ? fileName : directory + fileName);
}

void WithdrawNoiseTable() {
    const auto analyzer = FindLoadedPlugin("analyzer.so");
    if (analyzer == nullptr) {
        return;
    }
    if (auto close = analyzer->Function<DenoCloseFn>("DenoClose"); close != nullptr) {
        close();
    }
}

} // namespace lumisett::plugin
