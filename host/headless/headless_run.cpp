#include "host/headless/headless_run.h"

#include "host/startup/host_messages.h"

#include <strings.h>

namespace lumisett::host {
namespace {

// The registry entry a user's name stands for: a display or base name, exact first, then
// without regard to case.
int FindPlugin(const PluginRegistry& registry, const std::string& name) {
    const auto& entries = registry.entries();
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            for (const std::string& candidate : {entries[i].displayName, entries[i].baseName}) {
                const bool same = pass == 0 ? candidate == name
                                            : strcasecmp(candidate.c_str(), name.c_str()) == 0;
                if (same) {
                    return static_cast<int>(i);
                }
            }
        }
    }
    return -1;
}

std::string KnownPlugins(const PluginRegistry& registry) {
    std::string names;
    for (const auto& entry : registry.entries()) {
        names += (names.empty() ? "" : ", ") + entry.baseName;
    }
    return names.empty() ? "none" : names;
}

} // namespace

std::string FailureText(int code) {
    if (auto message = HostMessageFor(code)) {
        return std::string(message->caption) + "\n" + std::string(message->text);
    }
    return "failure " + std::to_string(code);
}

// Loads the chain into slots 1 to 4 and hands every plug-in its settings.
std::string LoadChainForRun(HostSession& session, const RunOptions& options) {
    ChainSlots& slots = session.slots();
    const PluginRegistry& registry = session.registry();
    for (std::size_t i = 0; i < options.chain.size(); ++i) {
        const int entry = FindPlugin(registry, options.chain[i]);
        if (entry < 0) {
            return "no plug-in is called " + options.chain[i] + " (found: " + KnownPlugins(registry) + ")";
        }
        if (!slots.LoadIntoSlot(static_cast<int>(i), entry)) {
            return "the plug-in " + options.chain[i] + " could not be loaded";
        }
        // A headless run never changes the user's parameter files.
        slots.SetEffectParam(static_cast<int>(i), "persist", "0");
    }
    for (const EffectSetting& setting : options.settings) {
        int slot = 0;
        while (slot < kSlotCount &&
               !(slots.slot(slot).loaded() &&
                 registry.entries()[static_cast<std::size_t>(slots.slot(slot).registryIndex)].baseName ==
                     setting.plugin)) {
            ++slot;
        }
        if (slot == kSlotCount) {
            return "--set names " + setting.plugin + ", which is not in the chain";
        }
        if (!slots.SetEffectParam(slot, setting.key.c_str(), setting.value.c_str())) {
            return "the plug-in " + setting.plugin + " refused " + setting.key + "=" + setting.value;
        }
    }
    return {};
}

std::optional<RunFailure> StartRun(HostSession& session, const RunOptions& options, AudioSource& source) {
    const int opened = source.Open(options.input, &session.decoder());
    if (opened != kSourceOpened) {
        return RunFailure{opened, FailureText(opened)};
    }
    if (std::string error = LoadChainForRun(session, options); !error.empty()) {
        return RunFailure{0, std::move(error)};
    }
    return std::nullopt;
}

bool PrepareSpectralStage(OverlapAddSpectralStage& stage, ProcessingChain& chain,
                          const HostSettings& settings) {
    stage.SetupTransform(settings.halfTransform, settings.overlap);
    if (!stage.Start(settings.bufferPairs)) {
        return false;
    }
    chain.SetSpectralStage(&stage);
    return true;
}

void ApplyRunControls(ChainControls& controls, const HostSettings& settings, const AudioSource& source) {
    // A one-channel source plays in mono mode.
    controls.channelMode = source.channels() == 1 ? 1 : settings.channelMode;
    controls.difference = settings.difference != 0;
    controls.bypassAll = settings.bypassAll != 0;
    controls.spectralMono = settings.spectralMono != 0;
    controls.pauseRequest = false;
}

} // namespace lumisett::host
