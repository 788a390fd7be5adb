// quorvex: the host program.
//
// With a display it opens the main window (and plays the file named on the command line).
// Its headless commands need neither a display nor windows: playback of a file through the
// chain to a sound device, a render of a file through the chain into a WAV file, and a listing
// of the plug-ins it finds, each loaded through the host's own slot code.

#include "host/app/main_window_logic.h"
#include "host/engine/audio_engine.h"
#include "host/headless/player.h"
#include "host/headless/renderer.h"
#include "host/startup/host_session.h"
#include "host/ui/main_window.h"
#include "host/ui/splash_window.h"
#include "platform/audio/device_catalog.h"
#include "platform/program_path.h"
#include "platform/qt/message_box.h"

#include <QApplication>

#include <cstdlib>

#include <cstdio>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using lumisett::host::HostSession;

const char* KindName(int32_t kind) {
    switch (kind) {
    case KIND_ANALYZER: return "analyzer";
    case KIND_BLOCK_PRE: return "block, before the spectral stage";
    case KIND_SPECTRAL: return "spectral";
    case KIND_BLOCK_POST: return "block, after the spectral stage";
    default: return "unknown";
    }
}

void PrintUsage(std::FILE* to) {
    std::fprintf(to,
                 "usage: quorvex [FILE]            the main window (needs a display)\n"
                 "       quorvex --play IN [--device NAME|null] [--buffers M] [--size S]\n"
                 "                [--notify window|function] [CHAIN OPTIONS]\n"
                 "       quorvex --render IN OUT.wav [CHAIN OPTIONS]\n"
                 "chain options: [--chain NAME[,NAME...]] [--mode stereo|mono|left|right]\n"
                 "               [--difference] [--bypass-all] [--block 2048|4096|8192]\n"
                 "               [--fft 256..8192] [--overlap 0.1..1.0] [--spectral-mono]\n"
                 "               [--set PLUGIN.KEY=VALUE ...]\n"
                 "       quorvex --list-plugins\n"
                 "       quorvex --help\n");
}

// Loads every registered plug-in into slot 1 in turn, prints what its descriptor says and
// unloads it again; the plug-ins' parameter files stay as they were.
int ListPlugins(HostSession& session) {
    auto& registry = session.registry();
    auto& slots = session.slots();
    std::printf("program directory: %s\n", session.programDirectory().c_str());
    std::printf("Layer III decoder: %s\n", session.decoder().available() ? "available" : "absent");
    std::printf("plug-ins: %d\n", registry.count());
    for (int i = 0; i < registry.count(); ++i) {
        const auto& entry = registry.entries()[static_cast<std::size_t>(i)];
        if (!slots.LoadIntoSlot(0, i)) {
            std::printf("  %-20s %s.so  could not be loaded\n", entry.displayName.c_str(),
                        entry.baseName.c_str());
            continue;
        }
        slots.SetEffectParam(0, "persist", "0");
        const auto& slot = slots.slot(0);
        std::printf("  %-20s %s.so  kind %d (%s), latency %d, spectral %d\n",
                    entry.displayName.c_str(), entry.baseName.c_str(), slot.kind.load(),
                    KindName(slot.kind.load()), slot.latency.load(), slot.spectral.load());
        slots.UnloadSlot(0);
    }
    return 0;
}

// The settings for a headless run: the settings file with the command line's overrides.
std::optional<lumisett::host::RunOptions> OptionsFor(lumisett::host::RunCommand command,
                                                     const std::vector<std::string>& words) {
    const auto parsed = lumisett::host::ParseRunOptions(command, words);
    if (!parsed.options) {
        std::fprintf(stderr, "quorvex: %s\n", parsed.error.c_str());
        PrintUsage(stderr);
    }
    return parsed.options;
}

std::optional<lumisett::host::HostSettings> SettingsFor(HostSession& session,
                                                        const lumisett::host::RunOptions& options) {
    std::string error;
    auto settings = lumisett::host::ApplyRunOptions(session.settings(), options, error);
    if (!settings) {
        std::fprintf(stderr, "quorvex: %s\n", error.c_str());
    }
    return settings;
}

int Render(HostSession& session, const std::vector<std::string>& words) {
    using namespace lumisett::host;
    const auto options = OptionsFor(RunCommand::Render, words);
    const auto settings = options ? SettingsFor(session, *options) : std::nullopt;
    if (!settings) {
        return 2;
    }
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    int shownPercent = -1;
    const RenderResult result = RenderFile(session, *settings, *options, [&](double done) {
        const int percent = static_cast<int>(done * 100);
        if (terminal && percent != shownPercent) {
            shownPercent = percent;
            std::fprintf(stderr, "\rrendering %s: %3d%%", options->input.c_str(), percent);
        }
        return true;
    });
    if (terminal && shownPercent >= 0) {
        std::fprintf(stderr, "\n");
    }
    if (!result.ok) {
        std::fprintf(stderr, "quorvex: %s\n", result.failure.text.c_str());
        return 1;
    }
    std::printf("%s: %lld sample pairs written (latency %d pairs compensated)\n",
                options->output.c_str(), static_cast<long long>(result.pairs), result.latency);
    return 0;
}

int Play(HostSession& session, const std::vector<std::string>& words) {
    using namespace lumisett::host;
    const auto options = OptionsFor(RunCommand::Play, words);
    const auto settings = options ? SettingsFor(session, *options) : std::nullopt;
    if (!settings) {
        return 2;
    }
    auto device = lumisett::platform::CreateOutputDevice(options->device);
    if (!device) {
        std::fprintf(stderr, "quorvex: %s\n", FailureText(kEngineDeviceNotOpened).c_str());
        return 1;
    }
    const PlayResult result =
        PlayFile(session, *settings, *options, *device, lumisett::platform::SystemClock());
    if (!result.ok) {
        std::fprintf(stderr, "quorvex: %s\n", result.failure.text.c_str());
        return 1;
    }
    std::printf("%s: played to the end on %s (%d underruns, %d overloads)\n",
                options->input.c_str(), device->name().c_str(), result.underruns, result.overloads);
    return 0;
}

bool DisplayAvailable() {
    return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr ||
           std::getenv("QT_QPA_PLATFORM") != nullptr;
}

// The output device of the settings (its number in the device list); the null device on a
// machine without a sound card.
std::unique_ptr<lumisett::platform::OutputDevice> SettingsOutputDevice(const lumisett::host::HostSettings& settings) {
    const auto tables = lumisett::platform::EnumerateDevices();
    return lumisett::platform::CreateOutputDevice(lumisett::host::OutputDeviceName(tables, settings.outputDevice));
}

// The windowed program: start-up, the main window's whole run, then the settings are saved.
int RunWindows(int argc, char** argv, const std::string& commandLineFile) {
    QApplication application(argc, argv);
    lumisett::platform::InstallQtMessagePresenter();
    HostSession session(lumisett::platform::ExecutableDirectory(), commandLineFile);
    session.Start();
    const lumisett::platform::SystemInfo systemInfo = lumisett::platform::GatherSystemInfo();
    lumisett::host::ui::SplashWindow(systemInfo, session.commandLineFilePending()).exec();
    int status = 0;
    {
        lumisett::host::MainWindowLogic logic(session, lumisett::platform::SystemClock());
        lumisett::host::ui::MainWindow window(
            logic, [&session] { return SettingsOutputDevice(session.settings()); },
            [] { return lumisett::platform::EnumerateDevices(); }, systemInfo);
        window.show();
        status = application.exec();
    }
    session.SaveSettingsFile();
    session.Shutdown();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::string command = args.empty() ? std::string() : args[0];
    if (command == "--help" || command == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    if (command != "--render" && command != "--play" && command != "--list-plugins") {
        if (command.starts_with("--")) {
            std::fprintf(stderr, "quorvex: unknown option %s\n", command.c_str());
            PrintUsage(stderr);
            return 2;
        }
        if (!DisplayAvailable()) {
            std::fprintf(stderr, "quorvex: the main window needs a display; without one, use --play "
                                 "or --render\n");
            PrintUsage(stderr);
            return 2;
        }
        // The whole first argument is the file: the shell has already split the command line.
        return RunWindows(argc, argv, lumisett::host::CommandLineFile(argc, argv));
    }

    HostSession session(lumisett::platform::ExecutableDirectory(), std::string());
    session.Start();
    const std::vector<std::string> words(args.begin() + 1, args.end());
    const int status = command == "--render" ? Render(session, words)
                       : command == "--play" ? Play(session, words)
                                             : ListPlugins(session);
    session.Shutdown();
    return status;
}
