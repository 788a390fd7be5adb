#include "plugins/declicker/declicker_window.h"

#include "plugin_common/runtime/status_line.h"
#include "plugin_common/ui/editor_holder.h"
#include "plugins/declicker/editor/declicker_editor.h"
#include "plugins/declicker/declicker_effect.h"

namespace lumisett::declicker {
namespace {

plugin::EditorHolder<DeclickerEditor> g_editor;

EditorLinks LinksFromEffect() {
    DeclickerEffect& effect = Effect();
    return {.settings = &effect.settings(),
            .counters = &effect.counters(),
            .statusWord = effect.statusWord(),
            .statusText = plugin::StatusTextOf(effect.descriptor())};
}

} // namespace

void OpenEditor(void* owner) {
    g_editor.Open(owner, Effect().initialised(), [](QWidget* parent) {
        return new DeclickerEditor(parent, plugin::SetupFromRuntime(DeclickerIcon()), LinksFromEffect());
    });
}

void CloseEditor() {
    g_editor.Close();
}

void RefreshEditorStatus() {
    g_editor.RefreshStatus();
}

} // namespace lumisett::declicker
