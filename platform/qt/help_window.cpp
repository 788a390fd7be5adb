#include "platform/qt/help_window.h"

#include "platform/message.h"

#include <QDialog>
#include <QFile>
#include <QPointer>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace lumisett::platform {
namespace {

// One help window per library instance; asking again for the same file raises it.
struct OpenHelp {
    std::string file;
    QPointer<QDialog> window;
};
OpenHelp g_open;

} // namespace

void OpenHelpFile(QWidget* parent, const std::string& helpFile) {
    if (g_open.window != nullptr && g_open.file == helpFile) {
        g_open.window->raise();
        g_open.window->activateWindow();
        return;
    }
    QFile file(QString::fromStdString(helpFile));
    if (!file.open(QIODevice::ReadOnly)) {
        ShowMessage(" Help:", "\n    The help file " + helpFile + " could not be opened.   \n");
        return;
    }
    const QString html = QString::fromUtf8(file.readAll());

    auto* window = new QDialog(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    auto* browser = new QTextBrowser(window);
    browser->setOpenExternalLinks(true);
    browser->setHtml(html);
    browser->moveCursor(QTextCursor::Start);
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    const QString title = browser->documentTitle();
    window->setWindowTitle(title.isEmpty() ? QStringLiteral("Help") : title);
    window->resize(560, 480);
    window->show();
    g_open = {helpFile, window};
}

} // namespace lumisett::platform
