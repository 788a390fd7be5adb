#pragma once
// What the headless render and the headless player share: loading the chain named on the
// command line, the chain's switches from the settings, and failures in words.

#include "host/chain/processing_chain.h"
#include "host/chain/spectral_stage.h"
#include "host/headless/run_options.h"
#include "host/source/audio_source.h"
#include "host/startup/host_session.h"

#include <optional>
#include <string>

namespace lumisett::host {

struct RunFailure {
    int code = 0;      // a code of the host's message table, or 0 for a failure of its own
    std::string text;  // what went wrong, for the user
};

// The caption and text of the host's message for `code`.
std::string FailureText(int code);

// Loads the plug-ins of `options.chain` into slots 1 to 4 and hands them their --set values;
// every plug-in is told first not to save its parameter file. Empty on success, else what
// went wrong.
std::string LoadChainForRun(HostSession& session, const RunOptions& options);

// Sizes the spectral stage for blocks of `blockPairs` with the settings' transform and overlap,
// and hands it to the chain. False when its buffers cannot be had.
bool PrepareSpectralStage(OverlapAddSpectralStage& stage, ProcessingChain& chain,
                          const HostSettings& settings);

// What both headless commands do first: opens `options.input` into `source` and loads the
// chain. Nothing on success, else the failure.
std::optional<RunFailure> StartRun(HostSession& session, const RunOptions& options, AudioSource& source);

// The chain's switches as the settings give them; a one-channel source plays in mono mode.
void ApplyRunControls(ChainControls& controls, const HostSettings& settings, const AudioSource& source);

} // namespace lumisett::host
