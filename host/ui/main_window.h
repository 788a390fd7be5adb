#pragma once
// The main window: channel mode, difference and bypass-all, the four chain slots, the level
// meters with their peak-hold readouts, the processor-load display and the command buttons.
// It draws what MainWindowLogic computes and forwards its clicks; the player window and the
// FFT Properties window come and go with playback and with spectral plug-ins.
//
// Thread: window thread only.

#include "host/app/io_options_logic.h"
#include "host/app/main_window_logic.h"
#include "host/chain/spectral_settings.h"
#include "host/ui/fft_properties_window.h"
#include "host/ui/player_window.h"
#include "platform/system_info.h"

#include <QDialog>
#include <QPointer>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumisett::plugin {
class LevelBar;
}

namespace lumisett::host::ui {

inline constexpr const char* kMainWindowTitle = "QuorVex";
inline constexpr const char* kAboutMenuItem = "&About QuorVex...";

// Makes the output device playback uses; null when none can be had.
using OutputDeviceFactory = std::function<std::unique_ptr<platform::OutputDevice>()>;
// Lists the computer's audio devices (at start-up and by the I/O Options' Refresh).
using DeviceLister = std::function<platform::DeviceTables()>;

class MainWindow final : public QDialog {
public:
    MainWindow(MainWindowLogic& logic, OutputDeviceFactory makeDevice, DeviceLister listDevices,
               platform::SystemInfo systemInfo = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // "file to output": plays the command-line file the first time, else asks for a file.
    void StartFilePlayback();
    // Plays `path` (the file dialog's or the command line's choice).
    void PlayFile(const std::string& path);

    PlayerWindow* player() const { return player_; }
    QComboBox* slotList(int slot) const { return slotLists_[static_cast<std::size_t>(slot)]; }
    FftPropertiesWindow* fftProperties() const { return fftWindow_; }
    // "file to file": asks for an input and an output file and renders through the chain as
    // it stands, in a progress dialog that can cancel.
    void StartFileToFile();
    // The render itself; false when it failed or was cancelled (the message was shown).
    bool RenderFileToFile(const std::string& input, const std::string& output);

    // "Device I/O": the I/O Options window, modally, while nothing plays.
    void OpenIoOptions();
    IoOptionsLogic& ioOptions() { return ioOptions_; }

protected:
    void reject() override; // the close box and Escape: the shutdown order of the plug-ins

private:
    QWidget* BuildInput();
    QWidget* BuildSlots();
    QWidget* BuildMeters();
    QWidget* BuildCommands();
    void SlotChosen(int slot, int listIndex);
    void ApplySpectralWindowRule();
    void Tick();
    void ShowLoad(const LoadDigits& digits);

    MainWindowLogic& logic_;
    OutputDeviceFactory makeDevice_;
    std::unique_ptr<platform::OutputDevice> device_;
    SpectralSettingsControl spectralSettings_;
    IoOptionsLogic ioOptions_;
    platform::SystemInfo systemInfo_;
    QTimer timer_;
    std::array<QRadioButton*, 4> modes_{};
    std::array<QComboBox*, 4> slotLists_{};
    std::array<QCheckBox*, 4> useBoxes_{};
    std::array<plugin::LevelBar*, 2> meters_{};
    std::array<QLineEdit*, 2> holds_{};
    QLabel* load_ = nullptr;
    QPushButton* playButton_ = nullptr;
    QPushButton* deviceButton_ = nullptr;
    QPushButton* fileToFileButton_ = nullptr;
    QPointer<PlayerWindow> player_;
    QPointer<FftPropertiesWindow> fftWindow_;
};

} // namespace lumisett::host::ui
