// The plug-in's C boundary: each export forwards into C++ and lets no exception escape.

#include "plugin_common/effect_api.h"
#include "plugin_common/runtime/c_boundary.h"
#include "plugins/denoise/denoise_effect.h"
#include "plugins/denoise/denoise_window.h"
#include "platform/qt/message_box.h"

using lumisett::plugin::Guarded;
using lumisett::denoise::Effect;

extern "C" {

// Window thread. `kMax` is the profile length N: the largest bin count the host will hand
// DoEffect, so the profile and table buffers never need to grow.
EffectDescriptor* InitEffect(int32_t* statusWord, int32_t kMax) {
    return Guarded<EffectDescriptor*>(nullptr, [&] {
        lumisett::platform::InstallQtMessagePresenter();
        return Effect().Init(statusWord, kMax, lumisett::plugin::FindPluginDirectory());
    });
}

// Window thread. Closes the editor first: after ExitEffect the host may unload the library,
// and a window whose code lives here must not outlive it.
int32_t ExitEffect(void) {
    return Guarded<int32_t>(0, [] {
        lumisett::denoise::CloseEditor();
        return Effect().Exit() ? 1 : 0;
    });
}

// Window thread. `owner` is the host's main window (a QWidget*).
int32_t OpenEffWindow(void* owner) {
    Guarded([&] { lumisett::denoise::OpenEditor(owner); });
    return 0;
}

// Window thread.
int32_t CloseEffWindow(void) {
    Guarded([] { lumisett::denoise::CloseEditor(); });
    return 0;
}

// Window thread. The block length does not matter here: every buffer was sized for K-max.
int32_t OpenEffect(int32_t /*blockPairs*/) {
    return Guarded<int32_t>(0, [] { return Effect().Open(); });
}

// Window thread.
int32_t CloseEffect(void) {
    Guarded([] {
        Effect().Close();
        lumisett::denoise::RefreshEditorStatus();
    });
    return 0;
}

// Audio context. Never throws, allocates, waits or touches a file.
int32_t DoEffect(int32_t rate, int32_t mask, int32_t count, int16_t* /*block: spectral only*/,
                 float* frame) {
    Effect().Process(rate, mask, count, frame);
    return 0;
}

// Either thread the analyzer calls from. The addresses stay valid from InitEffect to
// ExitEffect; null before InitEffect.
float* GetNoiseTab(double** reference) {
    auto& denoiser = Effect().denoiser();
    if (reference != nullptr) {
        *reference = denoiser.thresholdAddress();
    }
    return denoiser.noiseTable();
}

// Window thread, before OpenEffect (the "learn" key also between blocks of a render's
// learning pass): the de-noiser's keys and those every plug-in understands.
int32_t SetEffectParam(const char* key, const char* value) {
    return lumisett::plugin::SetEffectParameter(key, value, [](std::string_view k, std::string_view v) {
        return Effect().SetParameter(k, v);
    });
}

} // extern "C"
