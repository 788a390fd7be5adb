#pragma once
// The command lines of the headless render and headless playback:
//   quorvex --render IN OUT.wav [--learn START-END] [CHAIN OPTIONS]
//   quorvex --play IN [--device NAME|null] [--buffers M] [--size S] [--notify window|function]
//           [CHAIN OPTIONS]
// with the chain options [--chain NAME[,NAME...]] [--mode stereo|mono|left|right]
// [--difference] [--bypass-all] [--block 2048|4096|8192] [--fft 256..8192]
// [--overlap 0.1..1.0] [--spectral-mono] [--set PLUGIN.KEY=VALUE ...]. --size is --block.

#include "host/settings/host_settings.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace lumisett::host {

struct EffectSetting {
    std::string plugin; // base name
    std::string key;
    std::string value;
};

// A span of the source in seconds, START < END.
struct LearnSpan {
    double start = 0;
    double end = 0;
};

enum class RunCommand { Render, Play };

struct RunOptions {
    RunCommand command = RunCommand::Render;
    std::string input;
    std::string output; // render only
    std::vector<std::string> chain; // display or base names, slots 1 to 4 in order
    std::optional<int> channelMode;
    bool difference = false;
    bool bypassAll = false;
    bool spectralMono = false;
    std::optional<int> blockPairs;
    std::optional<int> transformSize;
    std::optional<float> overlap;
    std::vector<EffectSetting> settings;
    // Render only: a pass over this span before the render, every plug-in learning.
    std::optional<LearnSpan> learn;
    // Playback only.
    std::string device = "default"; // an ALSA device name, or "null"
    std::optional<int> bufferCount;
    std::optional<bool> notifyByWindow;
};

struct ParsedRunOptions {
    std::optional<RunOptions> options;
    std::string error; // when options is empty
};

// Parses the words that follow "--render" or "--play".
ParsedRunOptions ParseRunOptions(RunCommand command, std::span<const std::string> words);

// The settings of the file with the options' overrides; an error text when the combination is
// unusable (a transform larger than the block).
std::optional<HostSettings> ApplyRunOptions(HostSettings settings, const RunOptions& options,
                                            std::string& error);

} // namespace lumisett::host
