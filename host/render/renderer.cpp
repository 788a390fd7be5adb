#include "host/render/renderer.h"

#include "host/chain/processing_chain.h"
#include "host/render/wav_output.h"
#include "host/source/audio_source.h"
#include "host/startup/host_messages.h"

#include <algorithm>
#include <strings.h>

namespace lumisett::host {
namespace {

constexpr int kCodeOutputNotCreated = -5;
constexpr int kCodeWriteError = -7;

RenderResult Failed(int code, std::string text = {}) {
    if (text.empty()) {
        if (auto message = HostMessageFor(code)) {
            text = std::string(message->caption) + "\n" + std::string(message->text);
        }
    }
    return RenderResult{false, RenderFailure{code, std::move(text)}, 0, 0};
}

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

// Loads the chain into slots 1 to 4 and hands every plug-in its settings.
std::string LoadChain(HostSession& session, const RenderOptions& options) {
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

void ApplyControls(ChainControls& controls, const HostSettings& settings, const AudioSource& source) {
    // A one-channel source plays in mono mode.
    controls.channelMode = source.channels() == 1 ? 1 : settings.channelMode;
    controls.difference = settings.difference != 0;
    controls.bypassAll = settings.bypassAll != 0;
    controls.spectralMono = settings.spectralMono != 0;
    controls.pauseRequest = false;
}

// Runs blocks through the chain until the source has ended and every pair it delivered has
// come out, dropping the chain's announced latency at the start.
RenderResult Pump(ProcessingChain& chain, AudioSource& source, WavOutput& output, int32_t blockPairs,
                  const RenderProgress& progress) {
    const int64_t unitBytes = 2 * source.channels();
    const int32_t latency = chain.AnnouncedLatency();
    const int64_t expectedPairs = std::max<int64_t>(1, source.dataLength() / unitBytes);
    std::vector<int16_t> block(2 * static_cast<std::size_t>(blockPairs));
    int64_t producedPairs = 0;
    int64_t sourcePairs = -1; // known once the source has ended
    int64_t written = 0;
    while (sourcePairs < 0 || producedPairs < latency + sourcePairs) {
        chain.ProcessBlock(block.data(), source, {});
        if (sourcePairs < 0 && source.endReached()) {
            sourcePairs = (source.position() - source.dataOffset()) / unitBytes;
        }
        int64_t first = std::max<int64_t>(latency, producedPairs);
        int64_t last = producedPairs + blockPairs;
        if (sourcePairs >= 0) {
            last = std::min(last, latency + sourcePairs);
        }
        if (last > first) {
            const auto from = block.begin() + 2 * (first - producedPairs);
            if (!output.Append(std::span<const int16_t>(&*from, static_cast<std::size_t>(2 * (last - first))))) {
                return Failed(kCodeWriteError);
            }
            written += last - first;
        }
        producedPairs += blockPairs;
        if (progress) {
            progress(std::min(1.0, static_cast<double>(written) / static_cast<double>(expectedPairs)));
        }
    }
    return RenderResult{true, {}, written, latency};
}

} // namespace

RenderResult RenderFile(HostSession& session, const HostSettings& settings,
                        const RenderOptions& options, const RenderProgress& progress) {
    AudioSource source;
    const int opened = source.Open(options.input, &session.decoder());
    if (opened != kSourceOpened) {
        return Failed(opened);
    }
    if (std::string error = LoadChain(session, options); !error.empty()) {
        return Failed(0, error);
    }
    const int32_t blockPairs = settings.bufferPairs;
    ChainSlots& slots = session.slots();
    slots.OpenForPlayback(blockPairs);
    for (int i = 0; i < kSlotCount; ++i) {
        if (slots.slot(i).loaded() && slots.slot(i).open.load() == 0) {
            slots.CloseAfterPlayback();
            return Failed(0, "the plug-in " + options.chain[static_cast<std::size_t>(i)] +
                                 " could not start processing");
        }
    }
    ChainControls controls;
    ApplyControls(controls, settings, source);
    ProcessingChain chain(slots, controls);
    chain.Start(blockPairs);
    source.Start(blockPairs);

    WavOutput output;
    RenderResult result = output.Create(options.output, source.sampleRate())
                              ? Pump(chain, source, output, blockPairs, progress)
                              : Failed(kCodeOutputNotCreated);
    if (result.ok && !output.Finish()) {
        result = Failed(kCodeWriteError);
    }
    slots.CloseAfterPlayback();
    chain.Stop();
    return result;
}

} // namespace lumisett::host
