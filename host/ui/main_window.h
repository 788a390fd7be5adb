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
#include "host/ui/host_images.h"
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
// Asks the user for the file to play (the previous file offered first); empty when cancelled.
using InputFileChooser = std::function<std::string(QWidget* owner, const std::string& previous)>;

// The platform's open-file dialog: "Select Input File", audio files only.
std::string ChooseInputFile(QWidget* owner, const std::string& previous);

class MainWindow final : public QDialog {
public:
    MainWindow(MainWindowLogic& logic, OutputDeviceFactory makeDevice, DeviceLister listDevices,
               platform::SystemInfo systemInfo = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // "file to output": plays the command-line file the first time, else asks for a file.
    void StartFilePlayback();
    // Plays `path` (the file dialog's or the command line's choice).
    void PlayFile(const std::string& path);
    // Replaces the file dialog (tests).
    void SetInputFileChooser(InputFileChooser chooser) { chooseInput_ = std::move(chooser); }

    // The 100 ms timer's work; tests step it by hand.
    void Tick();

    plugin::LevelBar* meter(int side) const { return meters_[static_cast<std::size_t>(side & 1)]; }
    QLineEdit* peakHold(int side) const { return holds_[static_cast<std::size_t>(side & 1)]; }
    // The load display's three places; each names what it shows ("blank" or the digit).
    QLabel* loadPlace(int place) const { return loadPlaces_[static_cast<std::size_t>(place)]; }
    QRadioButton* modeButton(int mode) const { return modes_[static_cast<std::size_t>(mode)]; }
    QPushButton* commandButton(CommandButton which) const;

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
    QWidget* BuildLoad();
    void ShowLoad(const LoadDigits& digits);
    void ShowCommandLooks(bool playing);

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
    std::array<QLabel*, 3> loadPlaces_{};
    std::array<QPushButton*, 5> commands_{};
    InputFileChooser chooseInput_ = ChooseInputFile;
    QPointer<PlayerWindow> player_;
    QPointer<FftPropertiesWindow> fftWindow_;
};

} // namespace lumisett::host::ui
