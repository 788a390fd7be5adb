// quorvex: the host program.
//
// Until the windows arrive, the program runs its start-up and shutdown without them and offers
// a headless listing of the plug-ins it finds, each loaded through the host's own slot code.

#include "host/startup/host_session.h"
#include "platform/program_path.h"

#include <cstdio>
#include <cstring>
#include <string>

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

void PrintUsage() {
    std::printf("usage: quorvex [FILE]\n"
                "       quorvex --list-plugins   load each plug-in into a slot and describe it\n"
                "       quorvex --help\n");
}

// Loads every registered plug-in into slot 1 in turn, prints what its descriptor says and
// unloads it again.
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
        const auto& slot = slots.slot(0);
        std::printf("  %-20s %s.so  kind %d (%s), latency %d, spectral %d\n",
                    entry.displayName.c_str(), entry.baseName.c_str(), slot.kind.load(),
                    KindName(slot.kind.load()), slot.latency.load(), slot.spectral.load());
        slots.UnloadSlot(0);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        PrintUsage();
        return 0;
    }
    const bool listPlugins = argc > 1 && std::strcmp(argv[1], "--list-plugins") == 0;
    if (argc > 1 && !listPlugins && std::strncmp(argv[1], "--", 2) == 0) {
        std::fprintf(stderr, "quorvex: unknown option %s\n", argv[1]);
        PrintUsage();
        return 2;
    }

    HostSession session(lumisett::platform::ExecutableDirectory(),
                        listPlugins ? std::string() : lumisett::host::CommandLineFile(argc, argv));
    session.Start();
    int status = 0;
    if (listPlugins) {
        status = ListPlugins(session);
    } else {
        std::fprintf(stderr, "quorvex: this build has no windows and no playback yet; "
                             "try --list-plugins\n");
        status = 1;
    }
    session.Shutdown();
    return status;
}
