#pragma once
// What the window tests share: a program directory with zeroline and a one-second WAV, a
// session on it with the main window over it, and screenshots under the build folder.

#include "host/source/wav_file.h"
#include "host/ui/main_window.h"
#include "platform/audio/null_output_device.h"
#include "tests/support/temp_dir.h"

#include <QDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace lumisett::host::ui {

inline void SaveScreenshot(QWidget& window, const char* name) {
    QDir().mkpath(LUMISETT_TEST_BINARY_DIR "screenshots");
    window.grab().save(QString(LUMISETT_TEST_BINARY_DIR "screenshots/") + name + ".png");
}

// A program directory with zeroline and a one-second WAV, and a session started on it: the
// window fills its slot lists from the registry when it is made.
inline bool PrepareProgramDirectory(const test::TempDir& dir) {
    for (const char* file : {"zeroline.so", "zeroline.eff", "zeroline.hlp"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + file, file);
    }
    std::vector<int16_t> samples(2 * 44100, 700);
    return WriteWavFile(dir.File("in.wav"), WavAudio{2, 44100, samples});
}

inline bool StartSession(HostSession& session) {
    session.Start();
    return true;
}

inline platform::DeviceTables TwoOutputs() {
    platform::DeviceTables tables;
    tables.inputs = {{"card *", 0b110000, true, "hw:0"}};
    tables.outputs = {{"card *", 0b111111, true, "hw:0"}, {"null", 0b111111, false, "null"}};
    return tables;
}

// A session on a program directory and the main window over it, playing into a device the
// test plays by hand. The file dialog is replaced: it counts its calls and is cancelled.
struct HostWindows {
    HostWindows(const test::TempDir& dir, const std::string& commandLineFile)
        : session(dir.path(), commandLineFile) {
        window.SetInputFileChooser([this](QWidget*, const std::string& previous) {
            ++fileDialogs;
            offeredFile = previous;
            return std::string();
        });
    }

    HostSession session;
    bool started = StartSession(session);
    MainWindowLogic logic{session, platform::SystemClock()};
    platform::NullOutputDevice* device = nullptr; // owned by the window while it plays
    int fileDialogs = 0;
    std::string offeredFile; // what the last file dialog offered first
    MainWindow window{logic,
                      [this] {
                          auto made = std::make_unique<platform::NullOutputDevice>(platform::NullPacing::Manual);
                          device = made.get();
                          return made;
                      },
                      [] { return TwoOutputs(); }};
};

} // namespace lumisett::host::ui
