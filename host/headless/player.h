#pragma once
// Headless playback: a file through the chain to an output device, with the real engine and
// the transport's 100 ms tick, until the last audio has been heard. Overflows are reported as
// the player reports them (on standard error without a display) and playback goes on.

#include "host/headless/headless_run.h"
#include "host/headless/run_options.h"
#include "host/startup/host_session.h"
#include "platform/audio/output_device.h"

namespace lumisett::host {

struct PlayResult {
    bool ok = false;
    RunFailure failure;
    int underruns = 0;       // buffer overflows the engine reported
    int overloads = 0;       // CPU-load overflows
    int64_t pairsPlayed = 0; // by the device, silence included
};

// Plays `options.input` through `options.chain` on `device`. `settings` are the host's
// settings with the options' overrides applied; `clock` times the handler for the load figure.
PlayResult PlayFile(HostSession& session, const HostSettings& settings, const RunOptions& options,
                    platform::OutputDevice& device, platform::Clock& clock);

} // namespace lumisett::host
