#pragma once
// The headless render: a file through the chain into a WAV file, with the very same chain
// code that playback runs, as fast as the processor allows. It needs no display and no sound
// card; the settings file is read, never written, and the plug-ins keep their parameter files
// as they were.

#include "host/headless/headless_run.h"
#include "host/headless/run_options.h"
#include "host/source/audio_source.h"
#include "host/startup/host_session.h"

#include <functional>
#include <string>

namespace lumisett::host {

struct RenderResult {
    bool ok = false;
    RunFailure failure;
    int64_t pairs = 0;    // written to the output
    int32_t latency = 0;  // compensated, in pairs
};

// Called now and then with the share done so far (0 .. 1); returning false cancels the
// render, which then leaves no output file behind.
using RenderProgress = std::function<bool(double)>;

// Renders `options.input` into `options.output` through the plug-ins `options.chain`, loaded
// into the session's slots 1 to 4. `settings` are the host's settings with the options'
// overrides applied.
RenderResult RenderFile(HostSession& session, const HostSettings& settings,
                        const RunOptions& options, const RenderProgress& progress = {});

// Renders the open `source` into `output` through the plug-ins the slots already hold, as
// they are switched now (the main window's "file to file"), with the render's alignment.
RenderResult RenderThroughChain(ChainSlots& slots, const HostSettings& settings, AudioSource& source,
                                const std::string& output, const RenderProgress& progress = {});

} // namespace lumisett::host
