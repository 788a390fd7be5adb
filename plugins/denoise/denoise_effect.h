#pragma once
// The de-noiser behind its exports, without windows: descriptor, runtime, processing state
// and the headless keys. The exports forward here; the editor reaches the state through
// Effect() and nothing else.
//
// Threads: Process in the audio context; everything else on the window thread.

#include "plugin_common/effect_api.h"
#include "plugins/denoise/core/denoiser.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumisett::denoise {

class DenoiseEffect {
public:
    // InitEffect: `n` is the profile length (the host's K-max). Null when the state cannot
    // be built.
    EffectDescriptor* Init(std::int32_t* statusWord, std::int32_t n, std::string directory);
    // ExitEffect: tells a loaded analyzer to drop our tables, frees them and saves the record.
    // False when the save failed.
    bool Exit();

    bool initialised() const { return denoiser_.initialised(); }
    std::int32_t Open();
    void Close();
    void Process(std::int32_t rate, std::int32_t mode, std::int32_t bins, float* frame) noexcept {
        denoiser_.Process(rate, mode, bins, frame);
    }

    // SetEffectParam's own keys: threshold (dB), reduction (%), profile (white, pink or the
    // path of a saved profile), learn (start, stop). False for an unknown key or a value
    // that is refused; nothing changes then.
    bool SetParameter(std::string_view key, std::string_view value);

    // The editor's parameter changes: into the processing state and the record.
    void SetThreshold(double t);
    void SetReduction(float r);
    // The kind as the editor reopens with it: the record's, until the editor chose another.
    std::int32_t editorKind() const { return editorKind_; }
    void RememberKind(std::int32_t kind) { editorKind_ = kind; }

    const std::int32_t* statusWord() const { return statusWord_; }
    const EffectDescriptor& descriptor() const { return descriptor_; }
    Denoiser& denoiser() { return denoiser_; }

private:
    EffectDescriptor descriptor_{};
    const std::int32_t* statusWord_ = nullptr;
    Denoiser denoiser_;
    std::int32_t editorKind_ = kWhite;
};

DenoiseEffect& Effect();

} // namespace lumisett::denoise
