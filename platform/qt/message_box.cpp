#include "platform/qt/message_box.h"

#include "platform/message.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QThread>

namespace lumisett::platform {
namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void PresentInMessageBox(std::string_view caption, std::string_view text) {
    if (!HasDisplay() || QThread::currentThread() != QCoreApplication::instance()->thread()) {
        WriteMessageToStderr(caption, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, ToQString(caption), ToQString(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace

bool HasWidgetApplication() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

bool HasDisplay() {
    if (!HasWidgetApplication()) {
        return false;
    }
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void InstallQtMessagePresenter() {
    SetMessagePresenter(&PresentInMessageBox);
}

} // namespace lumisett::platform
