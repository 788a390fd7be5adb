#pragma once
// The analyzer behind its exports, without windows: descriptor, runtime, the watch that
// TransData feeds, the plug-in table, the remembered list texts and the binding of a noise
// source. The exports forward here; the editor reaches the state through Effect().
//
// Threads: Observe in the audio context; everything else on the window thread.

#include "plugin_common/effect_api.h"
#include "plugins/analyzer/core/plugin_table.h"
#include "plugins/analyzer/core/remembered_text.h"
#include "plugins/analyzer/core/spectrum_watch.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace lumisett::analyzer {

// What one of the window's lists shows: its entries ("none" last) and the entry chosen.
struct ListView {
    std::vector<std::string> entries;
    int index = 0;
};

class AnalyzerEffect {
public:
    // InitEffect. Null when the buffers cannot be had.
    EffectDescriptor* Init(std::int32_t* statusWord, std::int32_t maxBins, std::string directory);
    // ExitEffect: stops the watch, saves the record. False when the save failed.
    bool Exit();
    bool initialised() const { return watch_.started(); }

    // CloseEffect: traces 1 and 2 empty.
    void CloseStream();
    // TransEff: a new position list.
    void Announce(std::int32_t n, const char* names) noexcept { watch_.positions().Announce(n, names); }
    // TransData.
    void Observe(std::int32_t rate, std::int32_t bins, std::int32_t position, const float* frame) noexcept {
        watch_.Observe(rate, bins, position, frame);
    }
    // DenoClose: the lending plug-in is about to free its table.
    void ForgetNoiseSource();

    // --- the window's operations ----------------------------------------------------------
    // The window opened (the watch starts) or closed (all selections "none", nothing runs).
    void WindowOpened();
    void WindowClosed();

    // Refills the three lists from the position list and the loaded noise sources: each picks
    // its remembered text, the selections follow and the noise source is bound again.
    std::array<ListView, 3> RefillLists();
    // The user closed a list on entry `index` of `entries`; returns the entry the list shows
    // (for the noise list "none" when the source cannot be bound).
    int Pick(TraceId which, const std::vector<std::string>& entries, int index);
    const std::string& rememberedText(TraceId which) const;

    // The display names of the table's plug-ins that are loaded now and lend a noise table.
    std::vector<std::string> LoadedNoiseSources() const;

    // Settings changed in the window: into the watch and the record.
    void ChangeSettings(const DisplaySettings& settings);
    DisplaySettings settings() const { return watch_.settings(); }

    const std::int32_t* statusWord() const { return statusWord_; }
    const EffectDescriptor& descriptor() const { return descriptor_; }
    const std::vector<PluginEntry>& pluginTable() const { return table_; }
    SpectrumWatch& watch() { return watch_; }

private:
    bool BindNoiseSource(const std::string& displayName);

    EffectDescriptor descriptor_{};
    const std::int32_t* statusWord_ = nullptr;
    std::vector<PluginEntry> table_;
    std::array<std::string, 3> remembered_{kInitialTrace1Text, kInitialTrace2Text, kInitialNoiseText};
    SpectrumWatch watch_;
};

AnalyzerEffect& Effect();

} // namespace lumisett::analyzer
