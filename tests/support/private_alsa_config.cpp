#include "tests/support/private_alsa_config.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace lumisett::test {

namespace {

constexpr const char* kConfigPathVariable = "ALSA_CONFIG_PATH";
constexpr const char* kPlayedFileVariable = "LUMISETT_TEST_ALSA_OUT";

// The output file is looked up when the PCM is opened, so one configuration serves every test
// of a process; "/dev/null" when the variable is missing.
constexpr const char* kConfiguration = R"(pcm.!default {
    type file
    slave.pcm "null"
    file {
        @func getenv
        vars [ LUMISETT_TEST_ALSA_OUT ]
        default "/dev/null"
    }
    format "raw"
    hint.description "Test output written to a file"
}
pcm.!null {
    type null
    hint.description "Discards all samples"
}
)";

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::optional<std::string>(value) : std::nullopt;
}

void Restore(const char* name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name, value->c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

} // namespace

PrivateAlsaConfig::PrivateAlsaConfig(const TempDir& dir, const std::string& extraDefinitions)
    : configFile_(dir.File("asound.conf")), playedFile_(dir.File("alsa-played.raw")),
      oldConfigPath_(Variable(kConfigPathVariable)), oldPlayedFile_(Variable(kPlayedFileVariable)) {
    dir.Write("asound.conf", std::string(kConfiguration) + extraDefinitions);
    ::setenv(kConfigPathVariable, configFile_.c_str(), 1);
    ::setenv(kPlayedFileVariable, playedFile_.c_str(), 1);
}

PrivateAlsaConfig::~PrivateAlsaConfig() {
    Restore(kConfigPathVariable, oldConfigPath_);
    Restore(kPlayedFileVariable, oldPlayedFile_);
}

std::vector<int16_t> PrivateAlsaConfig::PlayedSamples() const {
    std::ifstream in(playedFile_, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    }
    return samples;
}

} // namespace lumisett::test
