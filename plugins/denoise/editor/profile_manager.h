#pragma once
// The noiseprofile manager: Record and Stop a fingerprint of the noise, watch its frame
// counter, and Load or Save a user profile as a file. Modeless, owned by the editor; it always
// closes through Finish (OK, Escape, the close box, or the editor closing), which stops a
// running recording.
//
// Thread: window thread only.

#include "plugins/denoise/denoise_effect.h"

#include <QDialog>
#include <QTimer>

#include <functional>

class QLineEdit;

namespace lumisett::denoise {

inline constexpr const char* kProfileFileFilter = "Noise profiles (*.lnp);;All files (*)";

class ProfileManager : public QDialog {
public:
    // `profileChanged` runs after a Stop that produced a user profile and after a Load.
    ProfileManager(QWidget* owner, DenoiseEffect& effect, std::function<void()> profileChanged);

    void Record();
    void Stop();
    // The file dialogs' work, without the dialogs: true on success; a refused file shows its
    // message and changes nothing.
    bool LoadFrom(const QString& path);
    bool SaveTo(const QString& path);

    // Stops a recording, the timer, and hides; runs once. The owner deletes the window.
    void Finish();
    bool finished() const { return finished_; }
    QString counterText() const;
    void Tick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    DenoiseEffect& effect_;
    std::function<void()> profileChanged_;
    QTimer timer_;
    QLineEdit* counter_ = nullptr;
    bool finished_ = false;
};

} // namespace lumisett::denoise
