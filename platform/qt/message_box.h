#pragma once
// The windowed presentation of the message layer.

namespace lumisett::platform {

// Installs the presenter that shows a modal message box (no icon, the exact caption and text)
// when a QApplication with a real display runs and the call comes from the window thread.
// Otherwise, and under the "offscreen" and "minimal" platforms that tests and headless runs
// use, messages go to standard error and nothing blocks.
void InstallQtMessagePresenter();

// True when windows can really be shown: a QApplication exists on a display platform.
bool HasDisplay();

// True when a QApplication exists, whatever its platform: widgets can be created.
bool HasWidgetApplication();

} // namespace lumisett::platform
