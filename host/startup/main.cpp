// quorvex: the host program.
//
// Until the windows arrive, the program offers its headless commands: a render of a file
// through the chain, and a listing of the plug-ins it finds, each loaded through the host's
// own slot code.

#include "host/headless/renderer.h"
#include "host/startup/host_session.h"
#include "platform/program_path.h"

#include <cstdio>
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
                 "usage: quorvex --render IN OUT.wav [--chain NAME[,NAME...]]\n"
                 "                [--mode stereo|mono|left|right] [--difference] [--bypass-all]\n"
                 "                [--block 2048|4096|8192] [--fft 256..8192] [--overlap 0.1..1.0]\n"
                 "                [--spectral-mono] [--set PLUGIN.KEY=VALUE ...]\n"
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

int Render(HostSession& session, const std::vector<std::string>& words) {
    using namespace lumisett::host;
    const ParsedRunOptions parsed = ParseRunOptions(RunCommand::Render, words);
    if (!parsed.options) {
        std::fprintf(stderr, "quorvex: %s\n", parsed.error.c_str());
        PrintUsage(stderr);
        return 2;
    }
    std::string error;
    const auto settings = ApplyRunOptions(session.settings(), *parsed.options, error);
    if (!settings) {
        std::fprintf(stderr, "quorvex: %s\n", error.c_str());
        return 2;
    }
    const bool terminal = ::isatty(STDERR_FILENO) != 0;
    int shownPercent = -1;
    const RenderResult result = RenderFile(session, *settings, *parsed.options, [&](double done) {
        const int percent = static_cast<int>(done * 100);
        if (terminal && percent != shownPercent) {
            shownPercent = percent;
            std::fprintf(stderr, "\rrendering %s: %3d%%", parsed.options->input.c_str(), percent);
        }
    });
    if (terminal && shownPercent >= 0) {
        std::fprintf(stderr, "\n");
    }
    if (!result.ok) {
        std::fprintf(stderr, "quorvex: %s\n", result.failure.text.c_str());
        return 1;
    }
    std::printf("%s: %lld sample pairs written (latency %d pairs compensated)\n",
                parsed.options->output.c_str(), static_cast<long long>(result.pairs), result.latency);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const std::string command = args.empty() ? std::string() : args[0];
    if (command == "--help" || command == "-h") {
        PrintUsage(stdout);
        return 0;
    }
    if (command != "--render" && command != "--list-plugins") {
        if (command.starts_with("--")) {
            std::fprintf(stderr, "quorvex: unknown option %s\n", command.c_str());
        } else {
            std::fprintf(stderr, "quorvex: this build has no windows and no playback yet\n");
        }
        PrintUsage(stderr);
        return 2;
    }

    HostSession session(lumisett::platform::ExecutableDirectory(), std::string());
    session.Start();
    const int status = command == "--render"
                           ? Render(session, std::vector<std::string>(args.begin() + 1, args.end()))
                           : ListPlugins(session);
    session.Shutdown();
    return status;
}
