#pragma once
// Our help viewer: a window that shows one of the suite's HTML help files from its start.

#include <string>

class QWidget;

namespace lumisett::platform {

// Opens (or raises) the help window for `helpFile`, a full path. A missing file is reported
// through the message layer. Window thread only.
void OpenHelpFile(QWidget* parent, const std::string& helpFile);

} // namespace lumisett::platform
