#pragma once
// The de-scratcher's editor: the declick and decrackle sliders with their strength texts, the
// mono and de-plop check boxes, the scratch scope with its legend, the scratch level bar, the
// status line and Help.
//
// It reaches the effect only through the shared settings, the counters and the host status
// word. Thread: window thread only.

#include "plugin_common/ui/plugin_editor.h"
#include "plugins/declicker/core/counters.h"
#include "plugins/declicker/core/settings.h"

#include <QTimer>

#include <cstdint>
#include <string>

class QCheckBox;
class QLineEdit;
class QSlider;

namespace lumisett::plugin {
class LevelBar;
}

namespace lumisett::declicker {

class ScratchScope;

struct EditorLinks {
    Settings* settings = nullptr;
    ScratchCounters* counters = nullptr;
    const std::int32_t* statusWord = nullptr; // read only, may be null
    std::string statusText;
};

class DeclickerEditor : public plugin::PluginEditor {
public:
    DeclickerEditor(QWidget* owner, plugin::EditorSetup setup, EditorLinks links);

    // Shows the descriptor's status text again (after each CloseEffect).
    void RefreshStatus();

private:
    void SlidersMoved();
    void Tick();
    void StopOwnTimers() override;

    EditorLinks links_;
    QTimer editorTimer_;
    QSlider* declick_ = nullptr;
    QSlider* decrackle_ = nullptr;
    QLineEdit* declickValue_ = nullptr;
    QLineEdit* decrackleValue_ = nullptr;
    QCheckBox* mono_ = nullptr;
    QCheckBox* deplop_ = nullptr;
    ScratchScope* scope_ = nullptr;
    plugin::LevelBar* level_ = nullptr;
};

// The plug-in icon: a waveform with its click cut out.
QIcon DeclickerIcon();

} // namespace lumisett::declicker
