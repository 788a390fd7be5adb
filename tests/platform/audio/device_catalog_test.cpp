#include "platform/audio/device_catalog.h"
#include "tests/support/private_alsa_config.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace lumisett::platform {
namespace {

// A sound system given as tables.
class TableProbe final : public DeviceProbe {
public:
    std::vector<std::string> Names(Direction direction) override {
        return direction == Direction::Input ? inputs : outputs;
    }
    uint16_t RateMask(const std::string& name, Direction) override {
        const auto found = masks.find(name);
        return found != masks.end() ? found->second : 0x3F;
    }
    bool OpensTogether(const std::string& input, const std::string& output) override {
        asked.emplace_back(input, output);
        return duplex.count({input, output}) != 0;
    }

    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    std::map<std::string, uint16_t> masks;
    std::set<std::pair<std::string, std::string>> duplex;
    std::vector<std::pair<std::string, std::string>> asked;
};

std::vector<std::string> Shown(const std::vector<DeviceCapabilities>& table) {
    std::vector<std::string> names;
    for (const auto& entry : table) {
        names.push_back(entry.name);
    }
    return names;
}

TEST(DeviceCatalogTest, ListsDefaultFirstThenUsableDevicesUpToTen) {
    TableProbe probe;
    probe.outputs = {"null", "default", "surround71"};
    for (int i = 1; i <= 12; ++i) {
        probe.outputs.push_back("out" + std::to_string(i));
    }
    probe.inputs = {"mic"};
    probe.masks = {{"default", 0}, {"surround71", 0}, {"out1", 0x10}};

    const DeviceTables tables = EnumerateDevices(probe);
    EXPECT_EQ(Shown(tables.outputs), (std::vector<std::string>{"default", "null", "out1", "out2", "out3", "out4", "out5",
                                                               "out6", "out7", "out8"}));
    EXPECT_EQ(tables.outputs[0].rateMask, 0);    // kept although it accepts nothing: never an empty list
    EXPECT_EQ(tables.outputs[2].rateMask, 0x10); // 44100 only
    EXPECT_EQ(Shown(tables.inputs), (std::vector<std::string>{"default", "mic"}));
}

TEST(DeviceCatalogTest, CutsNamesTo27CharactersAndMarksDevicesThatRecordAndPlayTogether) {
    TableProbe probe;
    const std::string longName = "plughw:CARD=USBAudioInterface,DEV=0"; // 35 characters
    probe.outputs = {"hdmi", longName, "spdif"};
    probe.inputs = {"mic", longName};
    probe.duplex = {{"default", "default"}, {longName, longName}, {"mic", longName}};

    const DeviceTables tables = EnumerateDevices(probe);
    const std::string shortName = longName.substr(0, 27);
    EXPECT_EQ(Shown(tables.outputs), (std::vector<std::string>{"default *", "hdmi", shortName + " *", "spdif"}));
    EXPECT_EQ(Shown(tables.inputs), (std::vector<std::string>{"default *", "mic", shortName + " *"}));
    EXPECT_EQ(tables.outputs[2].deviceName, longName); // the whole name still opens it
    EXPECT_TRUE(tables.inputs[2].fullDuplex);
    EXPECT_FALSE(tables.outputs[1].fullDuplex);
    // Input i goes with output i, as far as both tables reach.
    EXPECT_EQ(probe.asked, (std::vector<std::pair<std::string, std::string>>{
                               {"default", "default"}, {"mic", "hdmi"}, {longName, longName}}));
}

// The same through ALSA itself, with a private configuration: "default" and "null" take both
// directions, two more PCMs one direction each, one with a name too long to show whole. Every
// PCM there opens for both at once, so every pair is marked.
TEST(AlsaDeviceCatalogTest, ListsThePcmsOfTheConfigurationWithTheirRates) {
    test::TempDir dir;
    const test::PrivateAlsaConfig alsa(dir, R"(
pcm.speakers_only { type null }
pcm.microphone_only { type null }
pcm.a_test_device_with_a_rather_long_name { type null hint.description "Long" }
namehint.pcm {
    speakers "speakers_only|Plays only|IOIDOutput"
    microphone "microphone_only|Records only|IOIDInput"
}
)");
    const DeviceTables tables = EnumerateDevices();
    EXPECT_EQ(Shown(tables.outputs), (std::vector<std::string>{"default *", "null *", "a_test_device_with_a_rather *",
                                                               "speakers_only *"}));
    EXPECT_EQ(Shown(tables.inputs), (std::vector<std::string>{"default *", "null *", "a_test_device_with_a_rather *",
                                                              "microphone_only *"}));
    for (const DeviceCapabilities& entry : tables.outputs) {
        EXPECT_EQ(entry.rateMask, 0x3F) << entry.deviceName; // every rate from 11025 to 48000
    }
    EXPECT_EQ(tables.outputs[2].deviceName, "a_test_device_with_a_rather_long_name");
}

TEST(AlsaDeviceCatalogTest, CreatesTheDeviceANameStandsFor) {
    test::TempDir dir;
    const test::PrivateAlsaConfig alsa(dir);
    struct Case {
        const char* name;
        bool exists;
    };
    for (const Case& c : {Case{"null", true}, Case{"default", true}, Case{"lumisett_no_such_pcm", false}, Case{"", false}}) {
        const std::unique_ptr<OutputDevice> device = CreateOutputDevice(c.name);
        ASSERT_EQ(device != nullptr, c.exists) << c.name;
        if (device != nullptr) {
            EXPECT_EQ(device->name(), c.name);
            EXPECT_TRUE(device->SupportsRate(44100));
        }
    }
}

} // namespace
} // namespace lumisett::platform
