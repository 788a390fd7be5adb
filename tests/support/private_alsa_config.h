#pragma once
// A private ALSA configuration for tests, so that ALSA playback and device lists can be tested
// on machines without a sound card. While it lives, ALSA reads only its configuration file:
//   "default"  a file PCM over ALSA's null PCM: it takes any rate, discards the audio and writes
//              every frame it is given to playedFile() as raw 16-bit little-endian stereo;
//              it opens for capture too, though what it records means nothing;
//   "null"     ALSA's null PCM.
// `extraDefinitions` is appended to the file (more PCMs, a namehint.pcm list, ...).
//
// The file and its PCMs do not pace: see AlsaOutputDevice for how the device copes.
// Create it before the first device or device list of the test; it sets ALSA_CONFIG_PATH and
// LUMISETT_TEST_ALSA_OUT and puts back their old values when it goes.

#include "tests/support/temp_dir.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lumisett::test {

class PrivateAlsaConfig {
public:
    explicit PrivateAlsaConfig(const TempDir& dir, const std::string& extraDefinitions = "");
    ~PrivateAlsaConfig();
    PrivateAlsaConfig(const PrivateAlsaConfig&) = delete;
    PrivateAlsaConfig& operator=(const PrivateAlsaConfig&) = delete;

    const std::string& configFile() const { return configFile_; }
    const std::string& playedFile() const { return playedFile_; }
    // The samples written to "default" so far (after the device is closed: all of them).
    std::vector<int16_t> PlayedSamples() const;

private:
    std::string configFile_;
    std::string playedFile_;
    std::optional<std::string> oldConfigPath_;
    std::optional<std::string> oldPlayedFile_;
};

} // namespace lumisett::test
