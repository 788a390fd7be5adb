#include "host/app/io_options_logic.h"

#include <gtest/gtest.h>

namespace lumisett::host {
namespace {

platform::DeviceTables TwoDevices() {
    platform::DeviceTables tables;
    tables.inputs = {{"card *", 0b110000, true, "hw:0"}, {"usb", 0b010000, false, "hw:1"}};
    tables.outputs = {{"card *", 0b111111, true, "hw:0"}, {"hdmi", 0b100000, false, "hw:2"}};
    return tables;
}

TEST(IoOptions, SpinsStopAtTheirLimits) {
    HostSettings settings;
    settings.bufferCount = 16;
    settings.bufferPairs = 2048;
    settings.halfTransform = 1024;
    IoOptionsLogic logic(settings, TwoDevices());
    logic.BufferCountUp();
    EXPECT_EQ(settings.bufferCount, 16);
    logic.BufferSizeDown();
    EXPECT_EQ(settings.bufferPairs, 2048);
    logic.BufferCountDown();
    EXPECT_EQ(settings.bufferCount, 15);
    logic.BufferSizeUp();
    EXPECT_EQ(settings.bufferPairs, 4096);
}

TEST(IoOptions, ASmallerBufferShrinksTheTransform) {
    HostSettings settings;
    settings.bufferPairs = 8192;
    settings.halfTransform = 4096; // an FFT size of 8192
    int changes = 0;
    IoOptionsLogic logic(settings, TwoDevices(), [&] { ++changes; });
    logic.BufferSizeDown();
    EXPECT_EQ(settings.bufferPairs, 4096);
    EXPECT_EQ(settings.halfTransform, 2048);
    EXPECT_EQ(changes, 1);
}

TEST(IoOptions, DelayIsTheQueueLengthInSeconds) {
    HostSettings settings; // 4 × 4096 at 44100 Hz
    IoOptionsLogic logic(settings, TwoDevices());
    EXPECT_EQ(logic.DelayText(), "0.372");
}

TEST(IoOptions, AnOutputWithoutTheRateTakesTheFirstCommonOne) {
    HostSettings settings; // 44100 Hz, devices 0 and 0
    IoOptionsLogic logic(settings, TwoDevices());
    EXPECT_EQ(logic.CommonRates(), (std::vector<int32_t>{44100, 48000}));
    logic.ChooseOutput(1); // hdmi: 48000 only
    EXPECT_EQ(logic.CommonRates(), (std::vector<int32_t>{48000}));
    EXPECT_EQ(settings.sampleRate, 48000);
    logic.ChooseInput(1); // usb: 44100 only: nothing in common, the rate stays
    EXPECT_TRUE(logic.CommonRates().empty());
    EXPECT_EQ(settings.sampleRate, 48000);
}

} // namespace
} // namespace lumisett::host
