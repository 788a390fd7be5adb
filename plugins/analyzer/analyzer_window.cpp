#include "plugins/analyzer/analyzer_window.h"

#include "plugin_common/runtime/status_line.h"
#include "plugin_common/ui/editor_holder.h"
#include "plugins/analyzer/analyzer_effect.h"
#include "plugins/analyzer/editor/analyzer_editor.h"

namespace lumisett::analyzer {
namespace {

plugin::EditorHolder<AnalyzerEditor> g_editor;

} // namespace

void OpenEditor(void* owner) {
    g_editor.Open(owner, Effect().initialised(), [](QWidget* parent) {
        return new AnalyzerEditor(parent, plugin::SetupFromRuntime(AnalyzerIcon()), Effect(),
                                  plugin::StatusTextOf(Effect().descriptor()));
    });
}

void CloseEditor() {
    g_editor.Close();
}

void RefreshEditorStatus() {
    g_editor.RefreshStatus();
}

void RefillEditorLists() {
    if (!plugin::OnWindowThread()) {
        return;
    }
    if (AnalyzerEditor* editor = g_editor.openEditor()) {
        editor->RefillLists();
    }
}

} // namespace lumisett::analyzer
