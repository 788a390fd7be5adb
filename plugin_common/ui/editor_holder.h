#pragma once
// The one editor window of a plug-in, as its exports open, close and refresh it.
//
// Thread: window thread only; calls from any other thread, or without a QApplication, do
// nothing.

#include "plugin_common/ui/plugin_editor.h"

#include <QPointer>
#include <QWidget>

namespace lumisett::plugin {

// True when windows can be made here: a QApplication exists and this is its thread.
bool OnWindowThread();

// The editor's texts, help file and remembered rectangle, from this plug-in's runtime.
EditorSetup SetupFromRuntime(const QIcon& icon);

template <typename Editor>
class EditorHolder {
public:
    // Creates the editor with `make(owner)` and shows it, unless it is open. Nothing happens
    // without an owner, off the window thread, or before InitEffect (`ready` false).
    template <typename Make>
    void Open(void* owner, bool ready, Make make) {
        if (owner == nullptr || !ready || !OnWindowThread()) {
            return;
        }
        if (editor_ != nullptr && editor_->isOpen()) {
            return;
        }
        delete editor_.data(); // closed by the user, not yet destroyed by the event loop
        editor_ = make(static_cast<QWidget*>(owner));
        editor_->show();
    }

    // Runs the close action and destroys the editor at once, so that no code of this library
    // is left waiting in the event loop when the host unloads it. Harmless when closed.
    void Close() {
        if (editor_ == nullptr || !OnWindowThread()) {
            return;
        }
        editor_->CloseAction();
        delete editor_.data();
    }

    // Shows the status text again, when the editor is open.
    void RefreshStatus() {
        if (editor_ != nullptr && editor_->isOpen()) {
            editor_->RefreshStatus();
        }
    }

    // The editor while it is open, else null.
    Editor* openEditor() const { return editor_ != nullptr && editor_->isOpen() ? editor_.data() : nullptr; }

private:
    QPointer<Editor> editor_;
};

} // namespace lumisett::plugin
