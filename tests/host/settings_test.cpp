#include "host/settings/host_settings.h"
#include "platform/standard_messages.h"
#include "tests/support/message_capture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sys/stat.h>

namespace lumisett::host {
namespace {

std::vector<std::uint8_t> Bytes(const HostSettings& settings) {
    auto record = EncodeSettings(settings);
    return {record.begin(), record.end()};
}

HostSettings Customised() {
    HostSettings s;
    s.sampleRate = 48000;
    s.sourceType = 2;
    s.channelMode = 1;
    s.spectralMono = 1;
    s.sourceChannels = 1;
    s.sourcePath = "/music/old tape.cq";
    s.reservedArea[7] = 0x5a;
    s.difference = 1;
    s.bypassAll = 1;
    s.notifyByWindow = 0;
    s.overflowWatch = 0;
    s.bufferPairs = 8192;
    s.bufferCount = 16;
    s.inputDevice = 2;
    s.outputDevice = 3;
    s.halfTransform = 2048;
    s.overlap = 0.75f;
    return s;
}

TEST(HostSettingsRecord, HasTheFieldsAtTheirOffsets) {
    const auto bytes = Bytes(Customised());
    ASSERT_EQ(bytes.size(), 1652u);
    EXPECT_EQ(bytes[0], 0x67);
    EXPECT_EQ(bytes[3], 0x24);
    EXPECT_EQ(bytes[4] | bytes[5] << 8, 48000);
    EXPECT_EQ(bytes[14], 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[20])), "/music/old tape.cq");
    EXPECT_EQ(bytes[280 + 7], 0x5a);
    EXPECT_EQ(bytes[1636] | bytes[1637] << 8, 8192);
    EXPECT_EQ(bytes[1644] | bytes[1645] << 8, 2048);
    EXPECT_EQ(bytes[1651], 0x3f); // 0.75f = 0x3f400000
}

TEST(HostSettingsFile, RoundTripsThroughSaveAndLoad) {
    test::TempDir dir;
    test::MessageCapture messages;
    ASSERT_TRUE(SaveSettings(dir.path(), Customised()));
    const HostSettings loaded = LoadSettings(dir.path());
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(Bytes(loaded), Bytes(Customised()));
}

struct InvalidFile {
    const char* label;
    std::vector<std::uint8_t> content; // empty: no file
};

class InvalidSettingsFile : public testing::TestWithParam<InvalidFile> {};

TEST_P(InvalidSettingsFile, ShowsTheMessageAndStartsWithDefaults) {
    test::TempDir dir;
    if (!GetParam().content.empty()) dir.Write(kSettingsFileName, GetParam().content);
    test::MessageCapture messages;
    const HostSettings loaded = LoadSettings(dir.path());
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].caption, platform::kParameterErrorCaption);
    EXPECT_EQ(messages.messages()[0].text, platform::kParameterErrorText);
    EXPECT_EQ(loaded.bufferPairs, 4096);
    EXPECT_EQ(loaded.channelMode, 0);
    EXPECT_EQ(loaded.sourcePath, "");
    EXPECT_EQ(loaded.magic, kSettingsMagic);
}

std::vector<std::uint8_t> OneByteTooLong() {
    auto bytes = Bytes(Customised());
    bytes.push_back(0);
    return bytes;
}

std::vector<std::uint8_t> WrongMagic() {
    auto bytes = Bytes(Customised());
    bytes[0] ^= 1;
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(Cases, InvalidSettingsFile,
                         testing::Values(InvalidFile{"Missing", {}},
                                         InvalidFile{"OneByteTooLong", OneByteTooLong()},
                                         InvalidFile{"WrongMagic", WrongMagic()},
                                         InvalidFile{"Short", {0x67, 0x19, 0x04, 0x24}}),
                         [](const auto& param) { return std::string(param.param.label); });

TEST(HostSettingsFile, WrongMagicKeepsTheFieldsThatHaveNoDefault) {
    test::TempDir dir;
    dir.Write(kSettingsFileName, WrongMagic());
    test::MessageCapture messages;
    const HostSettings loaded = LoadSettings(dir.path());
    EXPECT_EQ(loaded.sourceType, 2);
    EXPECT_EQ(loaded.reservedArea[7], 0x5a);
    EXPECT_EQ(loaded.sampleRate, 44100);
}

struct UnusableValue {
    const char* label;
    void (*damage)(HostSettings&);
    void (*check)(const HostSettings&);
};

class UnusableSettings : public testing::TestWithParam<UnusableValue> {};

TEST_P(UnusableSettings, AreReplacedByDefaultsWhenLoaded) {
    test::TempDir dir;
    HostSettings damaged = Customised();
    GetParam().damage(damaged);
    dir.Write(kSettingsFileName, Bytes(damaged));
    test::MessageCapture messages;
    const HostSettings loaded = LoadSettings(dir.path());
    EXPECT_TRUE(messages.messages().empty());
    GetParam().check(loaded);
    EXPECT_EQ(loaded.sourcePath, "/music/old tape.cq"); // the rest is kept
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusableSettings,
    testing::Values(
        UnusableValue{"BufferSize", [](HostSettings& s) { s.bufferPairs = 1000; },
                      [](const HostSettings& s) { EXPECT_EQ(s.bufferPairs, 4096); }},
        UnusableValue{"BufferCount", [](HostSettings& s) { s.bufferCount = 17; },
                      [](const HostSettings& s) { EXPECT_EQ(s.bufferCount, 4); }},
        UnusableValue{"TransformAboveHalfBuffer",
                      [](HostSettings& s) { s.bufferPairs = 2048; s.halfTransform = 2048; },
                      [](const HostSettings& s) { EXPECT_EQ(s.halfTransform, 1024); }},
        UnusableValue{"TransformTooSmall", [](HostSettings& s) { s.halfTransform = 64; },
                      [](const HostSettings& s) { EXPECT_EQ(s.halfTransform, 1024); }},
        UnusableValue{"Overlap", [](HostSettings& s) { s.overlap = 1.5f; },
                      [](const HostSettings& s) { EXPECT_EQ(s.overlap, 0.5f); }},
        UnusableValue{"OverlapNotANumber", [](HostSettings& s) { s.overlap = std::nanf(""); },
                      [](const HostSettings& s) { EXPECT_EQ(s.overlap, 0.5f); }},
        UnusableValue{"ChannelMode", [](HostSettings& s) { s.channelMode = 4; },
                      [](const HostSettings& s) { EXPECT_EQ(s.channelMode, 0); }}),
    [](const auto& param) { return std::string(param.param.label); });

TEST(HostSettingsFile, APathWithoutTerminatorIsCutToTheField) {
    test::TempDir dir;
    auto bytes = Bytes(HostSettings{});
    std::fill(bytes.begin() + 20, bytes.begin() + 280, 'a');
    dir.Write(kSettingsFileName, bytes);
    EXPECT_EQ(LoadSettings(dir.path()).sourcePath, std::string(259, 'a'));
}

TEST(HostSettingsFile, ASaveIntoAMissingFolderReportsTheFailure) {
    test::TempDir dir;
    test::MessageCapture messages;
    EXPECT_FALSE(SaveSettings(dir.File("missing/"), HostSettings{}));
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(messages.messages()[0].caption, platform::kSaveErrorCaption);
    EXPECT_EQ(messages.messages()[0].text, platform::kSaveErrorText);
}

TEST(HostSettingsFile, AFailedSaveKeepsTheOldFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes into read-only folders";
    }
    test::TempDir dir;
    ASSERT_TRUE(SaveSettings(dir.path(), Customised()));
    chmod(dir.path().c_str(), 0500);
    test::MessageCapture messages;
    EXPECT_FALSE(SaveSettings(dir.path(), HostSettings{}));
    chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(messages.messages().size(), 1u);
    EXPECT_EQ(LoadSettings(dir.path()).bufferPairs, 8192);
}

} // namespace
} // namespace lumisett::host
