#include "plugin_common/ui/editor_holder.h"

#include "plugin_common/runtime/plugin_runtime.h"
#include "platform/qt/message_box.h"

#include <QCoreApplication>
#include <QThread>

namespace lumisett::plugin {

bool OnWindowThread() {
    return platform::HasWidgetApplication() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

EditorSetup SetupFromRuntime(const QIcon& icon) {
    PluginRuntime& runtime = Runtime();
    const PluginIdentity& identity = runtime.identity();
    return {.title = QString::fromUtf8(identity.editorTitle),
            .aboutMenuItem = QString::fromUtf8(identity.aboutMenuItem),
            .aboutTitle = QString::fromUtf8(identity.aboutTitle),
            .aboutText = QString::fromUtf8(identity.aboutText),
            .icon = icon,
            .helpFile = runtime.HelpFilePath(),
            .record = &runtime.record()};
}

} // namespace lumisett::plugin
