#include "plugins/hilofilt/hilofilt_window.h"

#include "plugin_common/runtime/status_line.h"
#include "plugin_common/ui/editor_holder.h"
#include "plugins/hilofilt/editor/hilofilt_editor.h"
#include "plugins/hilofilt/hilofilt_effect.h"

namespace lumisett::hilofilt {
namespace {

plugin::EditorHolder<HilofiltEditor> g_editor;

} // namespace

void OpenEditor(void* owner) {
    g_editor.Open(owner, Effect().initialised(), [](QWidget* parent) {
        return new HilofiltEditor(parent, plugin::SetupFromRuntime(HilofiltIcon()), Effect(), plugin::StatusTextOf(Effect().descriptor()));
    });
}

void CloseEditor() {
    g_editor.Close();
}

void RefreshEditorStatus() {
    g_editor.RefreshStatus();
}

} // namespace lumisett::hilofilt
