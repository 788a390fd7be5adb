#include "host/chain/decibel_table.h"
#include "host/chain/processing_chain.h"
#include "tests/host/recorder_fixture.h"

#include <numeric>

namespace lumisett::host {
namespace {

constexpr int32_t kBlock = 2048;

// Serves a fixed stereo signal block by block (silence after its end), ignoring the channel
// mode as a two-channel source that was already adapted.
class FixedSource final : public BlockSource {
public:
    explicit FixedSource(std::vector<int16_t> samples, int channelCount = 2)
        : samples_(std::move(samples)), channels_(channelCount) {}
    void ReadBlock(int16_t* block, int32_t pairs, int) override {
        for (int32_t i = 0; i < 2 * pairs; ++i, ++next_) {
            block[i] = next_ < samples_.size() ? samples_[next_] : 0;
        }
    }
    int channels() const override { return channels_; }
    int32_t sampleRate() const override { return 44100; }

private:
    std::vector<int16_t> samples_;
    std::size_t next_ = 0;
    int channels_;
};

std::vector<int16_t> Ramp(int32_t pairs) {
    std::vector<int16_t> samples(2 * static_cast<std::size_t>(pairs));
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>((i % 2 == 0 ? 1 : -1) * static_cast<int>(i % 9000));
    }
    return samples;
}

class ProcessingChainTest : public RecorderFixture {
protected:
    void StartChain() {
        Scan();
        for (int i = 0; i < registry.count(); ++i) {
            slots->LoadIntoSlot(i, i);
        }
        slots->OpenForPlayback(kBlock);
        chain = std::make_unique<ProcessingChain>(*slots, controls);
        chain->Start(kBlock);
        TakeCalls();
    }

    // Runs `blocks` blocks and returns the output, concatenated.
    std::vector<int16_t> Run(BlockSource& source, int blocks) {
        std::vector<int16_t> out;
        std::vector<int16_t> block(2 * kBlock);
        for (int b = 0; b < blocks; ++b) {
            chain->ProcessBlock(block.data(), source, {});
            out.insert(out.end(), block.begin(), block.end());
        }
        return out;
    }

    ChainControls controls;
    std::unique_ptr<ProcessingChain> chain;
};

TEST_F(ProcessingChainTest, CallsTheBlockStagesInSlotOrderWithTheirMasks) {
    // Registry order a, b, c lands in slots 1, 2, 3.
    Install("a", "kind=2\n");
    Install("b", "kind=0\n");
    Install("c", "kind=0\n");
    StartChain();
    FixedSource source(Ramp(kBlock));
    Run(source, 1);
    EXPECT_EQ(TakeCalls(), (Calls{"b DoEffect 44100 3 2048", "c DoEffect 44100 3 2048",
                                  "a DoEffect 44100 3 2048"}));

    controls.channelMode = 2; // left: the plug-ins see one significant channel
    slots->UseClicked(2, false);
    Run(source, 1);
    EXPECT_EQ(TakeCalls(), (Calls{"b DoEffect 44100 1 2048", "c DoEffect 44100 0 2048",
                                  "a DoEffect 44100 1 2048"}));

    controls.pauseRequest = true;
    Run(source, 1);
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(ProcessingChainTest, BypassAllPlaysTheSourceBitForBitWhileThePlugInsRunOnScratch) {
    Install("adder", "add=100\n");
    StartChain();
    controls.bypassAll = true;
    const std::vector<int16_t> input = Ramp(2 * kBlock);
    FixedSource source(input);
    EXPECT_EQ(Run(source, 2), input);
    EXPECT_EQ(TakeCalls(), (Calls{"adder DoEffect 44100 0 2048", "adder DoEffect 44100 0 2048"}));
}

TEST_F(ProcessingChainTest, OutputIsMadeStereoUnlessTheModeIsStereo) {
    Install("adder", "add=1\n");
    StartChain();
    FixedSource stereo(Ramp(kBlock));
    auto out = Run(stereo, 1);
    EXPECT_EQ(out[2], 2 + 1);
    EXPECT_EQ(out[3], -3 + 1);

    controls.channelMode = 1; // the left channel goes to both sides
    FixedSource again(Ramp(kBlock));
    out = Run(again, 1);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(out[3], 3);

    controls.channelMode = 0;
    FixedSource mono(Ramp(kBlock), 1);
    out = Run(mono, 1);
    EXPECT_EQ(out[3], out[2]);
}

TEST_F(ProcessingChainTest, DifferenceIsWhatThePlugInsRemoved) {
    Install("adder", "add=100\n");
    StartChain();
    controls.difference = true;
    FixedSource source(Ramp(3 * kBlock));
    for (int16_t sample : Run(source, 3)) {
        ASSERT_EQ(sample, -100);
    }
}

TEST_F(ProcessingChainTest, DifferenceIsAlignedWithThePlugInsLatency) {
    // A plug-in that only delays by its announced latency removes nothing: after the first
    // block (whose delayed input is the ring's initial silence) the difference is silence.
    Install("delay", "latency=512\ndelay=512\n");
    StartChain();
    EXPECT_EQ(chain->AnnouncedLatency(), 512);
    controls.difference = true;
    FixedSource source(Ramp(20 * kBlock));
    const auto out = Run(source, 20);
    for (std::size_t i = 2 * kBlock; i < out.size(); ++i) {
        ASSERT_EQ(out[i], 0) << "at sample " << i;
    }
}

TEST_F(ProcessingChainTest, MetersShowTheBlockThatIsAudibleNow) {
    StartChain();
    std::vector<int16_t> input(2 * 4 * kBlock, 0);
    input[2 * kBlock + 10] = -32768; // a burst in block 1, left
    input[2 * kBlock + 11] = 1000;
    FixedSource source(input);
    std::vector<int16_t> block(2 * kBlock);
    const DevicePosition twoQueued{3 * kBlock, kBlock}; // two blocks between this one and the ear
    std::vector<int32_t> left;
    for (int b = 0; b < 4; ++b) {
        chain->ProcessBlock(block.data(), source, twoQueued);
        left.push_back(chain->peakLeft());
    }
    EXPECT_EQ(left, (std::vector<int32_t>{0, 0, 0, 32768}));
    EXPECT_EQ(chain->peakRight(), 1000);

    // Nothing queued: the block just processed is the audible one.
    chain->Start(kBlock);
    FixedSource again(input);
    chain->ProcessBlock(block.data(), again, {});
    chain->ProcessBlock(block.data(), again, {});
    EXPECT_EQ(chain->peakLeft(), 32768);
}

TEST(DecibelTable, TurnsPeaksIntoDecibelsBelowFullScale) {
    const auto& table = DecibelTable();
    EXPECT_EQ(table[0], -100.0f);
    EXPECT_EQ(table[32768], 0.0f);
    EXPECT_NEAR(table[16384], -6.0206f, 1e-4f);
    EXPECT_NEAR(table[1], -90.309f, 1e-3f);
}

} // namespace
} // namespace lumisett::host
