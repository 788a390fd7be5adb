#pragma once
// The DC-offset remover behind its exports, without windows: descriptor, runtime, stream.
// The exports forward here; the editor reaches the meters and the host status word through
// Effect() and nothing else.
//
// Threads: Process in the audio context; everything else on the window thread.

#include "plugin_common/effect_api.h"
#include "plugins/zeroline/core/dc_stream.h"

#include <cstdint>
#include <string>

namespace lumisett::zeroline {

class ZerolineEffect {
public:
    // InitEffect: remembers the status word, loads the parameter file from `directory`, fills
    // the descriptor.
    EffectDescriptor* Init(std::int32_t* statusWord, std::string directory);
    // ExitEffect: ends any stream and saves the parameter file. False when the save failed.
    bool Exit();

    bool initialised() const { return initialised_; }
    std::int32_t Open(std::int32_t blockPairs);
    void Close();
    void Process(std::int32_t mask, std::int32_t pairs, std::int16_t* block) noexcept {
        stream_.Process(mask, pairs, block);
    }

    const std::int32_t* statusWord() const { return statusWord_; }
    const EffectDescriptor& descriptor() const { return descriptor_; }
    CorrectionMeters& meters() { return stream_.meters(); }

private:
    EffectDescriptor descriptor_{};
    const std::int32_t* statusWord_ = nullptr;
    DcStream stream_;
    bool initialised_ = false;
};

// The plug-in's one instance.
ZerolineEffect& Effect();

} // namespace lumisett::zeroline
