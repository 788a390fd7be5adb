#pragma once
// The splash window shown at start-up and the about box: the machine's processor, FPU, MMX and
// system. The splash closes by itself after ten seconds, at once when a file waits on the
// command line, or when clicked; it also makes sure the meters' decibel table is filled.
//
// Thread: window thread only.

#include "platform/system_info.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

namespace lumisett::host::ui {

inline constexpr const char* kSplashTitle = "Welcome to Orvane from Brantel";
inline constexpr const char* kAboutTitle = "About QuorVex";

class SplashWindow final : public QDialog {
public:
    SplashWindow(const platform::SystemInfo& info, bool closeAtOnce, QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QTimer timer_;
    QElapsedTimer shown_;
    bool closeAtOnce_;
};

// The about box (modal), with the same lines as the splash window.
void ShowAboutBox(const platform::SystemInfo& info, QWidget* parent);

} // namespace lumisett::host::ui
