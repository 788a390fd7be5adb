#pragma once
// The editor's life cycle as the exports drive it. Window thread only; calls from another
// thread or without a QApplication do nothing.

namespace lumisett::analyzer {

// Creates and shows the editor unless it is open. Nothing happens without an owner, without a
// QApplication, off the window thread, or before InitEffect.
void OpenEditor(void* owner);
// Runs the close action and destroys the editor at once. Harmless when closed.
void CloseEditor();
// Shows the status text again at the editor's next tick, when it is open.
void RefreshEditorStatus();
// A new position list: the open editor refills its lists and binds its noise source again.
void RefillEditorLists();

} // namespace lumisett::analyzer
