// The plug-in's C boundary: each export forwards into C++ and lets no exception escape.

#include "plugin_common/effect_api.h"
#include "plugin_common/runtime/c_boundary.h"
#include "plugins/hilofilt/hilofilt_effect.h"
#include "plugins/hilofilt/hilofilt_window.h"
#include "platform/qt/message_box.h"

using lumisett::plugin::Guarded;
using lumisett::hilofilt::Effect;

extern "C" {

// Window thread. The filter never reads the host status word. `kMax` is the largest bin count
// the host will hand DoEffect, so the tables never need to grow.
EffectDescriptor* InitEffect(int32_t* /*statusWord*/, int32_t kMax) {
    return Guarded<EffectDescriptor*>(nullptr, [&] {
        lumisett::platform::InstallQtMessagePresenter();
        return Effect().Init(kMax, lumisett::plugin::FindPluginDirectory());
    });
}

// Window thread. Closes the editor first: after ExitEffect the host may unload the library,
// and a window whose code lives here must not outlive it (nor the tables it rebuilds).
int32_t ExitEffect(void) {
    return Guarded<int32_t>(0, [] {
        lumisett::hilofilt::CloseEditor();
        return Effect().Exit() ? 1 : 0;
    });
}

// Window thread. `owner` is the host's main window (a QWidget*).
int32_t OpenEffWindow(void* owner) {
    Guarded([&] { lumisett::hilofilt::OpenEditor(owner); });
    return 0;
}

// Window thread.
int32_t CloseEffWindow(void) {
    Guarded([] { lumisett::hilofilt::CloseEditor(); });
    return 0;
}

// Window thread. Nothing to allocate: the tables were sized for K-max in InitEffect.
int32_t OpenEffect(int32_t /*blockPairs*/) {
    return Effect().Open();
}

// Window thread.
int32_t CloseEffect(void) {
    Guarded([] { lumisett::hilofilt::RefreshEditorStatus(); });
    return 0;
}

// Audio context. Never throws, allocates, waits or touches a file.
int32_t DoEffect(int32_t rate, int32_t mask, int32_t count, int16_t* /*block: spectral only*/,
                 float* frame) {
    Effect().Process(rate, mask, count, frame);
    return 0;
}

// Either thread the analyzer calls from. The noise table and the reference level (always
// 1.0) keep their addresses from InitEffect to ExitEffect; the table is null outside them.
float* GetNoiseTab(double** reference) {
    auto& filter = Effect().filter();
    if (reference != nullptr) {
        *reference = filter.referenceLevel();
    }
    return filter.noiseTable();
}

// Window thread: the filter's keys and those every plug-in understands.
int32_t SetEffectParam(const char* key, const char* value) {
    return lumisett::plugin::SetEffectParameter(key, value, [](std::string_view k, std::string_view v) {
        return Effect().SetParameter(k, v);
    });
}

} // extern "C"
