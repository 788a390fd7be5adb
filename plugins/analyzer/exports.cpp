// The plug-in's C boundary: each export forwards into C++ and lets no exception escape.

#include "plugin_common/effect_api.h"
#include "plugin_common/runtime/c_boundary.h"
#include "plugins/analyzer/analyzer_effect.h"
#include "plugins/analyzer/analyzer_window.h"
#include "platform/qt/message_box.h"

using lumisett::plugin::Guarded;
using lumisett::analyzer::Effect;

extern "C" {

// Window thread. `kMax` bounds the bin count of the frames TransData will look at.
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
        lumisett::analyzer::CloseEditor();
        return Effect().Exit() ? 1 : 0;
    });
}

// Window thread. `owner` is the host's main window (a QWidget*).
int32_t OpenEffWindow(void* owner) {
    Guarded([&] { lumisett::analyzer::OpenEditor(owner); });
    return 0;
}

// Window thread.
int32_t CloseEffWindow(void) {
    Guarded([] { lumisett::analyzer::CloseEditor(); });
    return 0;
}

// Window thread. Nothing to prepare: the analyzer only reads the frames it is shown.
int32_t OpenEffect(int32_t /*blockPairs*/) {
    return Effect().initialised() ? 1 : 0;
}

// Window thread.
int32_t CloseEffect(void) {
    Guarded([] {
        Effect().CloseStream();
        lumisett::analyzer::RefreshEditorStatus();
    });
    return 0;
}

// Window thread (the host announces while it loads and unloads slots). The audio context
// may run TransData meanwhile: the list is published whole.
int32_t TransEff(int32_t n, const char* names) {
    Effect().Announce(n, names);
    Guarded([] { lumisett::analyzer::RefillEditorLists(); });
    return 0;
}

// Audio context. Never throws, allocates, waits or touches a file; returns at once while the
// window is closed.
int32_t TransData(int32_t rate, int32_t /*mask*/, int32_t bins, int32_t position, float* frame) {
    Effect().Observe(rate, bins, position, frame);
    return 0;
}

// Window thread, from the ExitEffect of the plug-in that lent its noise table: once this
// returns, no frame reads that table any more.
void DenoClose(void) {
    Effect().ForgetNoiseSource();
}

// Window thread, before OpenEffect: only the keys every plug-in understands.
int32_t SetEffectParam(const char* key, const char* value) {
    return lumisett::plugin::SetEffectParameter(key, value, lumisett::plugin::NoOwnKeys);
}

} // extern "C"
