#include "plugin_common/ui/plugin_editor.h"

#include "plugin_common/runtime/status_line.h"
#include "plugin_common/runtime/window_placement.h"
#include "plugin_common/ui/level_bar.h"
#include "platform/qt/help_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>

namespace lumisett::plugin {

PluginEditor::PluginEditor(QWidget* owner, EditorSetup setup)
    : QDialog(owner), setup_(std::move(setup)) {
    setModal(false);
    setWindowTitle(setup_.title);
    setWindowIcon(setup_.icon);

    auto* separator = new QAction(this);
    separator->setSeparator(true);
    aboutAction_ = new QAction(setup_.aboutMenuItem, this);
    QObject::connect(aboutAction_, &QAction::triggered, this, [this] { OpenAbout(); });
    addAction(separator);
    addAction(aboutAction_);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    statusLine_ = new QLineEdit(this);
    statusLine_->setReadOnly(true);
    statusLine_->setFocusPolicy(Qt::NoFocus);
    // Centring by blanks needs letters of one width, and room for the whole line.
    statusLine_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const QString fullLine(static_cast<qsizetype>(kStatusLineWidth), QLatin1Char('0'));
    statusLine_->setMinimumWidth(statusLine_->fontMetrics().horizontalAdvance(fullLine) + 12);
}

void PluginEditor::FinishOpening() {
    if (setup_.record != nullptr) {
        if (const auto place = PlacementFromRecord(*setup_.record)) {
            if (place->width > 0) {
                setGeometry(place->x, place->y, place->width, place->height);
            } else {
                move(place->x, place->y);
            }
        }
    }
    tracking_ = true;
}

void PluginEditor::AddLevelBar(LevelBar* bar) {
    levelBars_.push_back(bar);
}

void PluginEditor::ShowStatus(std::string_view statusText) {
    const std::string line = CenterStatusText(statusText);
    statusLine_->setText(QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
    statusLine_->setCursorPosition(0); // show the line from its start, not scrolled to its end
}

void PluginEditor::CloseAction() {
    if (!open_) {
        return;
    }
    open_ = false;
    tracking_ = false;
    StopOwnTimers();
    for (LevelBar* bar : levelBars_) {
        bar->Stop();
    }
    hide();
}

void PluginEditor::CloseByUser() {
    CloseAction();
    // Not deleted at once: we are inside one of the window's own event handlers.
    deleteLater();
}

void PluginEditor::OpenHelp() {
    platform::OpenHelpFile(this, setup_.helpFile);
}

void PluginEditor::OpenAbout() {
    auto* box = new QMessageBox(QMessageBox::NoIcon, setup_.aboutTitle, setup_.aboutText,
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setIconPixmap(setup_.icon.pixmap(32, 32));
    box->open();
}

void PluginEditor::RecordPlacement() {
    if (!tracking_ || setup_.record == nullptr) {
        return;
    }
    const QRect place = geometry();
    setup_.record->SetRectangle({place.left(), place.top(), place.left() + place.width(),
                                 place.top() + place.height()});
}

void PluginEditor::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    RecordPlacement();
}

void PluginEditor::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    RecordPlacement();
}

void PluginEditor::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_F1:
        OpenHelp();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        event->accept(); // Enter must not press any button
        return;
    default:
        QDialog::keyPressEvent(event); // Escape ends in reject()
    }
}

void PluginEditor::closeEvent(QCloseEvent* event) {
    CloseByUser();
    event->accept();
}

void PluginEditor::reject() {
    CloseByUser();
}

} // namespace lumisett::plugin
