#include "plugins/zeroline/zeroline_window.h"

#include "plugin_common/runtime/plugin_runtime.h"
#include "plugin_common/runtime/status_line.h"
#include "plugins/zeroline/editor/zeroline_editor.h"
#include "plugins/zeroline/zeroline_effect.h"
#include "platform/qt/message_box.h"

#include <QApplication>
#include <QPointer>
#include <QThread>

namespace lumisett::zeroline {
namespace {

QPointer<ZerolineEditor> g_editor;

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
            .icon = ZerolineIcon(),
            .helpFile = runtime.HelpFilePath(),
            .record = &runtime.record()};
}

EditorLinks LinksFromEffect() {
    ZerolineEffect& effect = Effect();
    const EffectDescriptor& descriptor = effect.descriptor();
    return {.meters = &effect.meters(),
            .statusWord = effect.statusWord(),
            .statusText = std::string(
                plugin::StatusTextOf(descriptor.status, sizeof descriptor.status))};
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
    g_editor = new ZerolineEditor(static_cast<QWidget*>(owner), SetupFromRuntime(),
                                  LinksFromEffect());
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

} // namespace lumisett::zeroline
