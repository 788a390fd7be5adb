#include "plugins/denoise/denoise_window.h"

#include "plugin_common/runtime/status_line.h"
#include "plugin_common/ui/editor_holder.h"
#include "plugins/denoise/editor/denoise_editor.h"
#include "plugins/denoise/denoise_effect.h"

namespace lumisett::denoise {
namespace {

plugin::EditorHolder<DenoiseEditor> g_editor;

} // namespace

void OpenEditor(void* owner) {
    g_editor.Open(owner, Effect().initialised(), [](QWidget* parent) {
        return new DenoiseEditor(parent, plugin::SetupFromRuntime(DenoiseIcon()), Effect(), plugin::StatusTextOf(Effect().descriptor()));
    });
}

void CloseEditor() {
    g_editor.Close();
}

void RefreshEditorStatus() {
    g_editor.RefreshStatus();
}

} // namespace lumisett::denoise
