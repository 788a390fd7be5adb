#pragma once
// The command line of a headless render:
//   quorvex --render IN OUT.wav [--chain NAME[,NAME...]] [--mode stereo|mono|left|right]
//           [--difference] [--bypass-all] [--block 2048|4096|8192] [--fft 256..8192]
//           [--overlap 0.1..1.0] [--spectral-mono] [--set PLUGIN.KEY=VALUE ...]

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

struct RenderOptions {
    std::string input;
    std::string output;
    std::vector<std::string> chain; // display or base names, slots 1 to 4 in order
    std::optional<int> channelMode;
    bool difference = false;
    bool bypassAll = false;
    bool spectralMono = false;
    std::optional<int> blockPairs;
    std::optional<int> transformSize;
    std::optional<float> overlap;
    std::vector<EffectSetting> settings;
};

struct ParsedRenderOptions {
    std::optional<RenderOptions> options;
    std::string error; // when options is empty
};

// Parses the words that follow "--render".
ParsedRenderOptions ParseRenderOptions(std::span<const std::string> words);

// The settings of the file with the options' overrides; an error text when the combination is
// unusable (a transform larger than the block).
std::optional<HostSettings> ApplyRenderOptions(HostSettings settings, const RenderOptions& options,
                                               std::string& error);

} // namespace lumisett::host
