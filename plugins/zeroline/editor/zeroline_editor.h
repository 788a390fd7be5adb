#pragma once
// The editor of the DC-offset remover: for each channel a level bar with the current
// correction and a field with the highest correction since the last reset, a status line, and
// the Reset and Help buttons.
//
// It reaches the effect only through the correction meters and the host status word.
// Thread: window thread only.

#include "plugin_common/ui/plugin_editor.h"
#include "plugins/zeroline/core/meters.h"

#include <QTimer>

#include <array>
#include <cstdint>
#include <string>

class QLineEdit;

namespace lumisett::plugin {
class LevelBar;
}

namespace lumisett::zeroline {

struct EditorLinks {
    CorrectionMeters* meters = nullptr;
    const std::int32_t* statusWord = nullptr; // read only, may be null
    std::string statusText;
};

class ZerolineEditor : public plugin::PluginEditor {
public:
    ZerolineEditor(QWidget* owner, plugin::EditorSetup setup, EditorLinks links);

    // Shows the descriptor's status text again (after each CloseEffect).
    void RefreshStatus();

private:
    void Tick();
    void StopOwnTimers() override;

    EditorLinks links_;
    QTimer meterTimer_;
    std::array<plugin::LevelBar*, 2> bars_{};
    std::array<QLineEdit*, 2> values_{};
};

// The plug-in icon: a trace pulled back onto its zero line.
QIcon ZerolineIcon();

} // namespace lumisett::zeroline
