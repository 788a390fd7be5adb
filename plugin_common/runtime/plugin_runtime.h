#pragma once
// The runtime state every plug-in carries: its directory, its parameter record and whether
// the record goes back to disk at exit. Each plug-in library links its own copy of this
// static library with hidden symbols, so every plug-in has exactly one Runtime() of its own.
//
// Thread: window thread only.

#include "plugin_common/runtime/parameter_record.h"
#include "platform/dynamic_library.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace lumisett::plugin {

// The texts and files that make one plug-in's runtime its own.
struct PluginIdentity {
    ParameterLayout parameters;
    ApplyDefaults applyDefaults = nullptr; // may be null: the record has no defaults of its own
    const char* helpFile = "";             // "zeroline.hlp"
    const char* editorTitle = "";          // "DI-Revivad 2.1"
    const char* aboutMenuItem = "";        // "About DC-offset..."
    const char* aboutTitle = "";
    const char* aboutText = "";
};

class PluginRuntime {
public:
    // InitEffect: remembers `directory` (ending with "/") and loads the parameter file from
    // it; an invalid file is reported and replaced by defaults.
    void Start(const PluginIdentity& identity, std::string directory);

    // ExitEffect: saves the parameter file (unless persistence is off), shows the save-failure
    // message when that fails, and returns every aligned buffer still taken. False when the
    // save failed.
    bool Finish();

    bool started() const { return started_; }
    const PluginIdentity& identity() const { return identity_; }
    const std::string& directory() const { return directory_; }
    std::string PathOf(const char* fileName) const { return directory_ + fileName; }
    std::string ParameterFilePath() const { return PathOf(identity_.parameters.fileName); }
    std::string HelpFilePath() const { return PathOf(identity_.helpFile); }

    ParameterRecord& record() { return record_; }
    const ParameterRecord& record() const { return record_; }

    // Whether ExitEffect writes the parameter file (on unless switched off).
    void SetPersistence(bool on) { persist_ = on; }
    bool persistence() const { return persist_; }

private:
    PluginIdentity identity_;
    std::string directory_;
    ParameterRecord record_;
    bool persist_ = true;
    bool started_ = false;
};

// This plug-in's runtime.
PluginRuntime& Runtime();

// Switches the saving of the parameter file at exit on or off for this plug-in.
void SetParameterPersistence(bool on);

// The keys every plug-in understands in SetEffectParam: "persist" with "0" or "1". Nothing
// when `key` is not one of them (the plug-in's own keys); else whether the value was taken.
std::optional<bool> SetCommonParameter(std::string_view key, std::string_view value);

// The directory of the library this runtime is linked into, ending with "/"; empty when the
// system cannot tell.
std::string FindPluginDirectory();

// Another plug-in of this directory ("analyzer.so"), when the host has loaded it; never loads
// one. The host loads plug-ins from the program directory, which is ours, so the full path names
// the very library it loaded (a bare name would match any library of that name, an older copy
// too); the bare name serves only when our directory is unknown.
std::unique_ptr<platform::DynamicLibrary> FindLoadedPlugin(const std::string& fileName);

// For a plug-in that lends its noise table through GetNoiseTab: a loaded analyzer keeps the
// table's address and must forget it (DenoClose) before the table goes at ExitEffect.
void WithdrawNoiseTable();

} // namespace lumisett::plugin
