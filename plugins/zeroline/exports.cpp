// The plug-in's C boundary: each export forwards into C++ and lets no exception escape.

#include "plugin_common/effect_api.h"
#include "plugin_common/runtime/c_boundary.h"
#include "plugins/zeroline/zeroline_effect.h"
#include "plugins/zeroline/zeroline_window.h"
#include "platform/qt/message_box.h"

using lumisett::plugin::Guarded;
using lumisett::zeroline::Effect;

extern "C" {

// Window thread.
EffectDescriptor* InitEffect(int32_t* statusWord, int32_t /*kMax: no bin tables here*/) {
    return Guarded<EffectDescriptor*>(nullptr, [&] {
        lumisett::platform::InstallQtMessagePresenter();
        return Effect().Init(statusWord, lumisett::plugin::FindPluginDirectory());
    });
}

// Window thread. Closes the editor too: after ExitEffect the host may unload the library,
// and a window whose code lives here must not outlive it.
int32_t ExitEffect(void) {
    return Guarded<int32_t>(0, [] {
        const bool saved = Effect().Exit();
        lumisett::zeroline::CloseEditor();
        return saved ? 1 : 0;
    });
}

// Window thread. `owner` is the host's main window (a QWidget*).
int32_t OpenEffWindow(void* owner) {
    Guarded([&] { lumisett::zeroline::OpenEditor(owner); });
    return 0;
}

// Window thread.
int32_t CloseEffWindow(void) {
    Guarded([] { lumisett::zeroline::CloseEditor(); });
    return 0;
}

// Window thread. 1 when the stream is open.
int32_t OpenEffect(int32_t blockPairs) {
    return Guarded<int32_t>(0, [&] { return Effect().Open(blockPairs); });
}

// Window thread.
int32_t CloseEffect(void) {
    Guarded([] {
        Effect().Close();
        lumisett::zeroline::RefreshEditorStatus();
    });
    return 0;
}

// Audio context. Never throws, allocates or locks.
int32_t DoEffect(int32_t /*rate*/, int32_t mask, int32_t count, int16_t* block,
                 float* /*frame: not a spectral plug-in*/) {
    Effect().Process(mask, count, block);
    return 0;
}

// Window thread, before OpenEffect. zeroline has no parameters of its own; only the keys
// every plug-in understands are taken.
int32_t SetEffectParam(const char* key, const char* value) {
    return lumisett::plugin::SetEffectParameter(key, value, lumisett::plugin::NoOwnKeys);
}

} // extern "C"
