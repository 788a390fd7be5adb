#pragma once
// The editor's life cycle as the exports drive it. Window thread only.

namespace lumisett::hilofilt {

// Creates and shows the editor unless it is open. Nothing happens without an owner, without a
// QApplication, off the window thread, or before InitEffect.
void OpenEditor(void* owner);
// Runs the close action and destroys the editor at once, so that no code of this library is
// left waiting in the event loop when the host unloads it. Harmless when closed.
void CloseEditor();
// Shows the status text again at the editor's next tick, when it is open.
void RefreshEditorStatus();

} // namespace lumisett::hilofilt
