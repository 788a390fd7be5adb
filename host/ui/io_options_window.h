#pragma once
// The I/O Options window (modal): devices, input frequency, the number and size of the device
// buffers with the delay they give, the notification method, the process priority and whether
// buffer overflows are ignored. Every choice takes effect at once through IoOptionsLogic.
//
// Thread: window thread only, while nothing plays.

#include "host/app/io_options_logic.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace lumisett::host::ui {

inline constexpr const char* kIoOptionsTitle = "I/O Options";

class IoOptionsWindow final : public QDialog {
public:
    IoOptionsWindow(IoOptionsLogic& logic, HostSettings& settings, QWidget* owner = nullptr);

private:
    QWidget* BuildDevices();
    QWidget* BuildBuffers();
    QWidget* BuildChoices();
    void FillRates();
    void ShowBuffers();

    IoOptionsLogic& logic_;
    HostSettings& settings_;
    QComboBox* rates_ = nullptr;
    QLineEdit* number_ = nullptr;
    QLineEdit* size_ = nullptr;
    QLineEdit* delay_ = nullptr;
};

} // namespace lumisett::host::ui
