#pragma once
// The de-scratcher behind its exports, without windows: descriptor, runtime, settings, stream.
// The exports forward here; the editor reaches the settings, the counters and the host status
// word through Effect() and nothing else.
//
// Threads: Process in the audio context; everything else on the window thread.

#include "plugin_common/effect_api.h"
#include "plugins/declicker/core/descratch_stream.h"
#include "plugins/declicker/core/settings.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumisett::declicker {

class DeclickerEffect {
public:
    // InitEffect: remembers the status word, loads the parameter file from `directory` into
    // the settings, fills the descriptor.
    EffectDescriptor* Init(std::int32_t* statusWord, std::string directory);
    // ExitEffect: ends any stream, puts the settings into the record and saves it. False when
    // the save failed.
    bool Exit();

    bool initialised() const { return initialised_; }
    std::int32_t Open(std::int32_t blockPairs);
    void Close();
    void Process(std::int32_t mask, std::int32_t pairs, std::int16_t* block) noexcept {
        stream_.Process(mask, pairs, block);
    }
    // SetEffectParam: the de-scratcher's own keys, then the ones every plug-in has.
    bool SetParameter(std::string_view key, std::string_view value);

    const std::int32_t* statusWord() const { return statusWord_; }
    const EffectDescriptor& descriptor() const { return descriptor_; }
    Settings& settings() { return settings_; }
    ScratchCounters& counters() { return stream_.counters(); }

private:
    EffectDescriptor descriptor_{};
    const std::int32_t* statusWord_ = nullptr;
    Settings settings_;
    DescratchStream stream_{settings_};
    bool initialised_ = false;
};

// The plug-in's one instance.
DeclickerEffect& Effect();

} // namespace lumisett::declicker
