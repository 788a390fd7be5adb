#pragma once
// The message layer shared by the host and the plug-ins.
//
// Cores report user-facing messages (a caption and a text, worded exactly as the system shows
// them) through ShowMessage. A presenter decides how they appear: the windowed edge installs
// one that shows a modal message box when a display is there; without a presenter, and
// whenever no box can be shown, the caption and text go to standard error. Nothing here ever
// blocks a thread other than the window thread.

#include <string_view>

namespace lumisett::platform {

using MessagePresenter = void (*)(std::string_view caption, std::string_view text);

// Either thread.
void ShowMessage(std::string_view caption, std::string_view text);

// Installs `presenter` (null restores the standard-error default) and returns the previous one.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

// The default presentation: caption and text on standard error.
void WriteMessageToStderr(std::string_view caption, std::string_view text);

} // namespace lumisett::platform
