#include "host/headless/run_options.h"

#include <charconv>
#include <cmath>

namespace lumisett::host {
namespace {

constexpr int kMaxChainLength = 4;

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<float> ParseFloat(const std::string& text) {
    float value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> ParseChannelMode(const std::string& text) {
    const char* names[] = {"stereo", "mono", "left", "right"};
    for (int mode = 0; mode < 4; ++mode) {
        if (text == names[mode]) {
            return mode;
        }
    }
    return std::nullopt;
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    for (;;) {
        std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos) {
            return items;
        }
        start = comma + 1;
    }
}

std::optional<EffectSetting> ParseSetting(const std::string& text) {
    const std::size_t dot = text.find('.');
    const std::size_t equals = text.find('=');
    if (dot == std::string::npos || equals == std::string::npos || dot == 0 || dot + 1 >= equals) {
        return std::nullopt;
    }
    return EffectSetting{text.substr(0, dot), text.substr(dot + 1, equals - dot - 1),
                         text.substr(equals + 1)};
}

// "START-END" in seconds, 0 <= START < END.
std::optional<LearnSpan> ParseLearnSpan(const std::string& text) {
    const std::size_t dash = text.find('-');
    if (dash == std::string::npos) {
        return std::nullopt;
    }
    const auto start = ParseFloat(text.substr(0, dash));
    const auto end = ParseFloat(text.substr(dash + 1));
    if (!start || !end || *start < 0 || *end <= *start) {
        return std::nullopt;
    }
    return LearnSpan{*start, *end};
}

bool IsPowerOfTwo(int value) {
    return value > 0 && (value & (value - 1)) == 0;
}

// Reads the value of an option that takes one; false (with `error` set) when it is missing or
// not acceptable.
class WordReader {
public:
    explicit WordReader(std::span<const std::string> words) : words_(words) {}
    bool Done() const { return next_ >= words_.size(); }
    const std::string& Next() { return words_[next_++]; }
    std::optional<std::string> ValueOf(const std::string& option, std::string& error) {
        if (Done()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        return Next();
    }

private:
    std::span<const std::string> words_;
    std::size_t next_ = 0;
};

bool TakeOption(const std::string& word, WordReader& words, RunOptions& o, std::string& error) {
    if (word == "--difference") {
        o.difference = true;
    } else if (word == "--bypass-all") {
        o.bypassAll = true;
    } else if (word == "--spectral-mono") {
        o.spectralMono = true;
    } else {
        auto value = words.ValueOf(word, error);
        if (!value) {
            return false;
        }
        if (word == "--chain") {
            o.chain = SplitList(*value);
            if (o.chain.size() > kMaxChainLength) {
                error = "--chain takes at most 4 plug-ins";
                return false;
            }
        } else if (word == "--mode") {
            o.channelMode = ParseChannelMode(*value);
            if (!o.channelMode) {
                error = "--mode takes stereo, mono, left or right";
                return false;
            }
        } else if (word == "--block" || word == "--size") {
            o.blockPairs = ParseInt(*value);
            if (!o.blockPairs || (*o.blockPairs != 2048 && *o.blockPairs != 4096 && *o.blockPairs != 8192)) {
                error = word + " takes 2048, 4096 or 8192";
                return false;
            }
        } else if (word == "--fft") {
            o.transformSize = ParseInt(*value);
            if (!o.transformSize || !IsPowerOfTwo(*o.transformSize) || *o.transformSize < 256 ||
                *o.transformSize > 8192) {
                error = "--fft takes a power of two from 256 to 8192";
                return false;
            }
        } else if (word == "--overlap") {
            o.overlap = ParseFloat(*value);
            if (!o.overlap || *o.overlap < 0.1f || *o.overlap > 1.0f) {
                error = "--overlap takes a number from 0.1 to 1.0";
                return false;
            }
        } else if (word == "--set") {
            auto setting = ParseSetting(*value);
            if (!setting) {
                error = "--set takes PLUGIN.KEY=VALUE, not " + *value;
                return false;
            }
            o.settings.push_back(*setting);
        } else if (o.command == RunCommand::Render && word == "--learn") {
            o.learn = ParseLearnSpan(*value);
            if (!o.learn) {
                error = "--learn takes START-END in seconds of the source, START before END";
                return false;
            }
        } else if (o.command == RunCommand::Play && word == "--device") {
            o.device = *value;
        } else if (o.command == RunCommand::Play && word == "--buffers") {
            o.bufferCount = ParseInt(*value);
            if (!o.bufferCount || *o.bufferCount < 4 || *o.bufferCount > 16) {
                error = "--buffers takes a number from 4 to 16";
                return false;
            }
        } else if (o.command == RunCommand::Play && word == "--notify") {
            if (*value != "window" && *value != "function") {
                error = "--notify takes window or function";
                return false;
            }
            o.notifyByWindow = *value == "window";
        } else {
            error = "unknown option " + word;
            return false;
        }
    }
    return true;
}

} // namespace

ParsedRunOptions ParseRunOptions(RunCommand command, std::span<const std::string> words) {
    RunOptions options;
    options.command = command;
    std::vector<std::string> files;
    std::string error;
    WordReader reader(words);
    while (!reader.Done()) {
        const std::string& word = reader.Next();
        if (word.starts_with("--")) {
            if (!TakeOption(word, reader, options, error)) {
                return {std::nullopt, error};
            }
        } else {
            files.push_back(word);
        }
    }
    const std::size_t expectedFiles = command == RunCommand::Render ? 2 : 1;
    if (files.size() != expectedFiles) {
        return {std::nullopt, command == RunCommand::Render
                                  ? "--render takes an input file and an output file"
                                  : "--play takes one input file"};
    }
    options.input = files[0];
    if (command == RunCommand::Render) {
        options.output = files[1];
    }
    return {options, {}};
}

std::optional<HostSettings> ApplyRunOptions(HostSettings settings, const RunOptions& options,
                                            std::string& error) {
    if (options.channelMode) settings.channelMode = static_cast<int16_t>(*options.channelMode);
    if (options.difference) settings.difference = 1;
    if (options.bypassAll) settings.bypassAll = 1;
    if (options.spectralMono) settings.spectralMono = 1;
    if (options.blockPairs) settings.bufferPairs = static_cast<int16_t>(*options.blockPairs);
    if (options.overlap) settings.overlap = *options.overlap;
    if (options.bufferCount) settings.bufferCount = static_cast<int16_t>(*options.bufferCount);
    if (options.notifyByWindow) settings.notifyByWindow = *options.notifyByWindow ? 1 : 0;
    if (options.transformSize) {
        settings.halfTransform = static_cast<int16_t>(*options.transformSize / 2);
    } else {
        // A smaller block than the stored transform takes the largest transform that fits.
        settings.halfTransform = std::min(settings.halfTransform, static_cast<int16_t>(settings.bufferPairs / 2));
    }
    if (2 * settings.halfTransform > settings.bufferPairs) {
        error = "the transform (--fft) may not be larger than the block (--block)";
        return std::nullopt;
    }
    return settings;
}

} // namespace lumisett::host
