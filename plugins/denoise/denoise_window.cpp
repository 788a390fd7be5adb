#include "plugins/denoise/denoise_window.h"

#include "plugin_common/runtime/plugin_runtime.h"
#include "plugin_common/runtime/status_line.h"
#include "plugins/denoise/denoise_effect.h"
#include "plugins/denoise/editor/denoise_editor.h"
#include "platform/qt/message_box.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

namespace lumisett::denoise {
namespace {

QPointer<DenoiseEditor> g_editor;

bool OnWindowThread() {
    return platform::HasWidgetApplication() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

plugin::EditorSetup SetupFromRuntime() {
    plugin::PluginRuntime& runtime = plugin::Runtime();
    const plugin::PluginIdentity& identity = runtime.identity();
    return {.title = QString::fromUtf8(identity.editorTitle),
            .aboutMenuItem = QString::fromUtf8(identity.aboutMenuItem),
            .aboutTitle = QString::fromUtf8(identity.aboutTitle),
            .aboutText = QString::fromUtf8(identity.aboutText),
            .icon = DenoiseIcon(),
            .helpFile = runtime.HelpFilePath(),
            .record = &runtime.record()};
}

} // namespace

void OpenEditor(void* owner) {
    if (owner == nullptr || !OnWindowThread() || !Effect().initialised()) {
        return;
    }
    if (g_editor != nullptr && g_editor->isOpen()) {
        return;
    }
    delete g_editor.data(); // closed by the user, not yet destroyed by the event loop
    const EffectDescriptor& descriptor = Effect().descriptor();
    g_editor = new DenoiseEditor(static_cast<QWidget*>(owner), SetupFromRuntime(), Effect(),
                                 std::string(plugin::StatusTextOf(descriptor.status, sizeof descriptor.status)));
    g_editor->show();
}

void CloseEditor() {
    if (g_editor == nullptr || !OnWindowThread()) {
        return;
    }
    g_editor->CloseAction();
    delete g_editor.data();
}

void RefreshEditorStatus() {
    if (g_editor != nullptr && g_editor->isOpen()) {
        g_editor->RefreshStatus();
    }
}

} // namespace lumisett::denoise
