#pragma once
// The editor window every plug-in builds on: a modeless dialog owned by the host's main
// window, with the common behaviour of all editors.
//
// - An "About ..." entry in the window's context menu (Qt's nearest thing to a system menu)
//   opens the about box.
// - The window opens at the place its parameter record remembers, when that place is trusted,
//   and from then on every move is written back into the record, so the place saved at exit
//   is the last one the window had.
// - F1 opens the plug-in's help file; Enter does nothing (editors have no default button);
//   Escape and the close box run the close action and destroy the window.
//
// A plug-in derives its editor from PluginEditor, builds its controls in the constructor and
// ends it with FinishOpening(). Thread: window thread only.

#include "plugin_common/runtime/parameter_record.h"

#include <QDialog>
#include <QIcon>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

class QAction;
class QLineEdit;

namespace lumisett::plugin {

class LevelBar;

struct EditorSetup {
    QString title;
    QString aboutMenuItem;
    QString aboutTitle;
    QString aboutText;
    QIcon icon;
    std::string helpFile;              // full path of the help file
    ParameterRecord* record = nullptr; // keeps the window rectangle; may be null
};

class PluginEditor : public QDialog {
public:
    PluginEditor(QWidget* owner, EditorSetup setup);

    // True from creation until the close action has run.
    bool isOpen() const { return open_; }
    // True from the end of FinishOpening until the close action.
    bool tracking() const { return tracking_; }

    // Stops the editor's timers and level bars, hides the window and stops recording its
    // place. Runs once; the window itself is destroyed by whoever called it (Escape and the
    // close box destroy it later, from the event loop).
    void CloseAction();

    void OpenHelp();
    void OpenAbout();

    QAction* aboutAction() const { return aboutAction_; }
    QLineEdit* statusLine() const { return statusLine_; }
    // Shows a descriptor's status text, centred for the fixed-pitch status field.
    void ShowStatus(std::string_view statusText);

protected:
    // The derived constructor calls this last: the window moves to its saved place and starts
    // recording its moves.
    void FinishOpening();
    // Level bars that the close action stops.
    void AddLevelBar(LevelBar* bar);
    // The plug-in's own timers, stopped by the close action.
    virtual void StopOwnTimers() {}

    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void RecordPlacement();
    void CloseByUser();

    EditorSetup setup_;
    QAction* aboutAction_ = nullptr;
    QLineEdit* statusLine_ = nullptr;
    std::vector<LevelBar*> levelBars_;
    bool open_ = true;
    bool tracking_ = false;
};

} // namespace lumisett::plugin
