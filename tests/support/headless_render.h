#pragma once
// The host's headless render as batch users run it (quorvex --render), in a temporary program
// directory that holds copies of the plug-ins a test needs.

#include "host/headless/renderer.h"
#include "host/source/wav_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace lumisett::test {

// Copies the plug-in `name` (its library, descriptor and help file) from the program directory
// into `dir`, which then serves as a program directory of its own.
inline void InstallPlugin(const TempDir& dir, const std::string& name) {
    for (const char* suffix : {".so", ".eff", ".hlp"}) {
        dir.CopyIn(std::string(LUMISETT_PROGRAM_DIR) + name + suffix, name + suffix);
    }
}

// Renders with the command line `words` (input, output, options) in a host session over the
// program directory `dir`, started and shut down around the render. Options the host refuses
// fail the test and give a failed result.
inline host::RenderResult RenderInFolder(const TempDir& dir, const std::vector<std::string>& words) {
    host::HostSession session(dir.path(), "");
    session.Start();
    host::RenderResult result;
    auto parsed = host::ParseRunOptions(host::RunCommand::Render, words);
    EXPECT_TRUE(parsed.options) << parsed.error;
    std::string error;
    const auto settings = parsed.options ? host::ApplyRunOptions(host::HostSettings{}, *parsed.options, error)
                                         : std::nullopt;
    EXPECT_TRUE(settings) << error;
    if (settings) {
        result = host::RenderFile(session, *settings, *parsed.options);
    }
    session.Shutdown();
    return result;
}

// The audio of a WAV file a render wrote; a file that cannot be read fails the test.
inline host::WavAudio ReadRendered(const std::string& path) {
    const host::WavReadResult read = host::ReadWavFile(path);
    EXPECT_TRUE(read.ok()) << read.error;
    return read.audio;
}

// The fixture of a render test of one plug-in: the plug-in alone in a temporary program
// directory, with the source "in.wav" beside it.
class PluginRenderTest : public testing::Test {
protected:
    PluginRenderTest(std::string plugin, const host::WavAudio& source) : plugin_(std::move(plugin)) {
        InstallPlugin(dir_, plugin_);
        EXPECT_TRUE(host::WriteWavFile(dir_.File("in.wav"), source));
    }

    // Renders "in.wav" into "out.wav" with --chain <plug-in>, then `options`.
    host::RenderResult Render(const std::vector<std::string>& options) {
        std::vector<std::string> words{dir_.File("in.wav"), dir_.File("out.wav"), "--chain", plugin_};
        words.insert(words.end(), options.begin(), options.end());
        return RenderInFolder(dir_, words);
    }

    std::vector<std::int16_t> Output() const { return ReadRendered(dir_.File("out.wav")).samples; }

    TempDir dir_;

private:
    std::string plugin_;
};

} // namespace lumisett::test
