#pragma once
// The de-noiser's editor: threshold and reduction sliders with their values, the noise scope,
// the noise level bar, the status line, the white, pink and user profile buttons, Fingerprint
// (the noiseprofile manager) and Help.
//
// It reaches the processing only through DenoiseEffect's operations and the state's atomics.
// Thread: window thread only.

#include "plugin_common/ui/plugin_editor.h"
#include "plugins/denoise/denoise_effect.h"
#include "plugins/denoise/editor/profile_manager.h"

#include <QPointer>
#include <QTimer>

#include <array>
#include <string>

class QLineEdit;
class QPushButton;
class QSlider;

namespace lumisett::plugin {
class LevelBar;
}

namespace lumisett::denoise {

class NoiseScope;

inline constexpr const char* kNoUserProfileCaption = " Error: no noiseprofile";
inline constexpr const char* kNoUserProfileText =
    "      There is currently no user defined noiseprofile loaded\n"
    " Please use \"Fingerprint\" to invoke the noiseprofile manager.\n";

class DenoiseEditor : public plugin::PluginEditor {
public:
    DenoiseEditor(QWidget* owner, plugin::EditorSetup setup, DenoiseEffect& effect, std::string statusText);

    // Shows the status text again at the next tick (after each CloseEffect).
    void RefreshStatus() { statusPending_ = true; }

    // The buttons' actions, for the clicks and for tests.
    void ChooseProfile(std::int32_t kind);
    void OpenManager();
    ProfileManager* manager() const { return manager_.data(); }
    void Tick();

private:
    void SlidersMoved();
    void UpdateProfileButtons();
    void StopOwnTimers() override;

    DenoiseEffect& effect_;
    std::string statusText_;
    QTimer editorTimer_;
    QSlider* threshold_ = nullptr;
    QSlider* reduction_ = nullptr;
    QLineEdit* thresholdValue_ = nullptr;
    QLineEdit* reductionValue_ = nullptr;
    NoiseScope* scope_ = nullptr;
    plugin::LevelBar* bar_ = nullptr;
    std::array<QPushButton*, 3> profileButtons_{};
    QPushButton* fingerprint_ = nullptr;
    QPointer<ProfileManager> manager_;
    bool statusPending_ = true;
};

// The plug-in icon: a noisy trace that turns smooth.
QIcon DenoiseIcon();

} // namespace lumisett::denoise
