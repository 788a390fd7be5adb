#include "plugins/analyzer/analyzer_window.h"

#include "plugin_common/runtime/status_line.h"
#include "plugin_common/ui/editor_holder.h"
#include "plugins/analyzer/analyzer_effect.h"
#include "plugins/analyzer/editor/analyzer_editor.h"

namespace lumisett::analyzer {
namespace {

plugin::EditorHolder<AnalyzerEditor> g_editor;
AnalyzerEditor* g_open = nullptr; // the editor while it is open, for the list refills

std::string StatusText() {
    const EffectDescriptor& descriptor = Effect().descriptor();
    return std::string(plugin::StatusTextOf(descriptor.status, sizeof descriptor.status));
}

} // namespace

void OpenEditor(void* owner) {
    g_editor.Open(owner, Effect().initialised(), [](QWidget* parent) {
        auto* editor = new AnalyzerEditor(parent, plugin::SetupFromRuntime(AnalyzerIcon()), Effect(), StatusText());
        g_open = editor;
        QObject::connect(editor, &QObject::destroyed, [editor] {
            if (g_open == editor) {
                g_open = nullptr;
            }
        });
        return editor;
    });
}

void CloseEditor() {
    g_editor.Close();
}

void RefreshEditorStatus() {
    g_editor.RefreshStatus();
}

void RefillEditorLists() {
    if (g_open != nullptr && g_open->isOpen() && plugin::OnWindowThread()) {
        g_open->RefillLists();
    }
}

} // namespace lumisett::analyzer
