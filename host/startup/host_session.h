#pragma once
// What the host sets up at start-up and takes down at exit, without any window: the program
// directory, the command-line file, the decoder library, the plug-in registry and the chain
// slots. The windowed program and the headless commands both run through this.

#include "host/plugins/chain_slots.h"
#include "host/plugins/plugin_registry.h"
#include "host/settings/host_settings.h"
#include "host/startup/decoder_library.h"

#include <functional>
#include <string>

namespace lumisett::host {

// The file given on the command line: the first program argument, taken whole (the shell has
// already split the command line, so a path with blanks arrives in one piece). Empty if none.
std::string CommandLineFile(int argc, const char* const* argv);

class HostSession {
public:
    // `programDirectory` ends with "/" (empty: the current folder).
    HostSession(std::string programDirectory, std::string commandLineFile);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // Start-up: binds the decoder library, scans the descriptor files and loads the settings
    // file (an invalid one is reported and replaced by defaults).
    void Start();

    // The windowed program's exit: writes the settings file (a failure is reported). Headless
    // commands never call it.
    bool SaveSettingsFile() const { return SaveSettings(programDirectory_, settings_); }

    // Shutdown, in the order the plug-ins rely on: playback is stopped through `stopPlayback`
    // (when playback runs), then every loaded slot receives ExitEffect in slot order, then the
    // decoder library is unloaded. Runs once; the destructor runs it if nobody did.
    void Shutdown(const std::function<void()>& stopPlayback = {});

    const std::string& programDirectory() const { return programDirectory_; }
    const std::string& commandLineFile() const { return commandLineFile_; }
    bool commandLineFilePending() const { return commandLineFilePending_; }
    void ConsumeCommandLineFile() { commandLineFilePending_ = false; }

    PluginRegistry& registry() { return registry_; }
    ChainSlots& slots() { return slots_; }
    DecoderLibrary& decoder() { return decoder_; }
    HostSettings& settings() { return settings_; }
    // The host status word every plug-in reads; written with std::atomic_ref.
    int32_t* statusWord() { return &statusWord_; }

private:
    std::string programDirectory_;
    std::string commandLineFile_;
    bool commandLineFilePending_;
    alignas(4) int32_t statusWord_ = 0;
    PluginRegistry registry_;
    DecoderLibrary decoder_;
    HostSettings settings_;
    ChainSlots slots_;
    bool shutDown_ = false;
};

} // namespace lumisett::host
