#include "plugins/zeroline/zeroline_window.h"

#include "plugin_common/runtime/status_line.h"
#include "plugin_common/ui/editor_holder.h"
#include "plugins/zeroline/editor/zeroline_editor.h"
#include "plugins/zeroline/zeroline_effect.h"

namespace lumisett::zeroline {
namespace {

plugin::EditorHolder<ZerolineEditor> g_editor;

EditorLinks LinksFromEffect() {
    ZerolineEffect& effect = Effect();
    return {.meters = &effect.meters(),
            .statusWord = effect.statusWord(),
            .statusText = plugin::StatusTextOf(effect.descriptor())};
}

} // namespace

void OpenEditor(void* owner) {
    g_editor.Open(owner, Effect().initialised(), [](QWidget* parent) {
        return new ZerolineEditor(parent, plugin::SetupFromRuntime(ZerolineIcon()), LinksFromEffect());
    });
}

void CloseEditor() {
    g_editor.Close();
}

void RefreshEditorStatus() {
    g_editor.RefreshStatus();
}

} // namespace lumisett::zeroline
