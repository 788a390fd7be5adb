#pragma once
// The filter's editor: the response graph with its two handles, a status line, and the Help
// and Flat buttons.
//
// It reaches the processing only through HilofiltEffect's parameters: every drag step and
// Flat hand it the new parameters, which rebuild the response table at once.
// Thread: window thread only.

#include "plugin_common/ui/plugin_editor.h"
#include "plugins/hilofilt/hilofilt_effect.h"

#include <QTimer>

#include <string>

namespace lumisett::hilofilt {

class ResponseGraph;

class HilofiltEditor : public plugin::PluginEditor {
public:
    HilofiltEditor(QWidget* owner, plugin::EditorSetup setup, HilofiltEffect& effect, std::string statusText);

    // Shows the status text again at the next tick (after each CloseEffect).
    void RefreshStatus() { statusPending_ = true; }

    ResponseGraph* graph() const { return graph_; }
    void Tick();

private:
    void StopOwnTimers() override;

    HilofiltEffect& effect_;
    std::string statusText_;
    ResponseGraph* graph_ = nullptr;
    QTimer statusTimer_;
    bool statusPending_ = true;
};

// The plug-in icon: a response curve that falls off at both ends.
QIcon HilofiltIcon();

} // namespace lumisett::hilofilt
