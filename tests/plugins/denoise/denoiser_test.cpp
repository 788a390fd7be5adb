// The de-noiser's processing state: frames, profile kinds, fingerprints and saved profiles.

#include "plugins/denoise/core/denoiser.h"
#include "plugins/denoise/core/profile_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <thread>
#include <vector>

namespace lumisett::denoise {
namespace {

constexpr int kN = 4096;

// A spectrum frame of `bins` per channel: every magnitude `level`, every gain 1/bins.
std::vector<float> Frame(int bins, float left, float right) {
    std::vector<float> frame(4 * static_cast<std::size_t>(bins));
    const auto b = static_cast<std::size_t>(bins);
    std::fill_n(frame.begin(), b, left);
    std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(b), b, 1.0f / static_cast<float>(bins));
    std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(2 * b), b, right);
    std::fill_n(frame.begin() + static_cast<std::ptrdiff_t>(3 * b), b, 1.0f / static_cast<float>(bins));
    return frame;
}

class DenoiserTest : public testing::Test {
protected:
    // T = 1, R = 0: a white-profile bin of magnitude 16.384 has v = 0.25 and keeps half.
    DenoiserTest() { EXPECT_TRUE(d_.Init(kN, 1.0, 0.0f)); }

    std::vector<float> Run(int bins, float left, float right, int mode = 3) {
        auto frame = Frame(bins, left, right);
        d_.Process(44100, mode, bins, frame.data());
        return frame;
    }

    Denoiser d_;
};

TEST_F(DenoiserTest, ModesChooseTheChannelsAndModeZeroMarksLevelsStale) {
    struct Case {
        int mode;
        bool left;
        bool right;
    };
    for (const Case& c : {Case{0, false, false}, Case{1, true, false}, Case{3, true, true}}) {
        const auto frame = Run(1024, 16.384f, 16.384f, c.mode);
        EXPECT_FLOAT_EQ(frame[10], c.left ? 8.192f : 16.384f) << c.mode;
        EXPECT_FLOAT_EQ(frame[2048 + 10], c.right ? 8.192f : 16.384f) << c.mode;
        EXPECT_EQ(d_.levelsValid(), c.mode != 0);
        EXPECT_TRUE(d_.running());
    }
}

TEST_F(DenoiserTest, MoreBinsThanTheProfileLengthLeaveTheFrameAlone) {
    Denoiser small;
    ASSERT_TRUE(small.Init(256, 1.0, 0.0f));
    auto frame = Frame(512, 1.0f, 1.0f);
    const auto before = frame;
    small.Process(44100, 3, 512, frame.data());
    EXPECT_EQ(frame, before);
    EXPECT_FALSE(small.levelsValid());
}

TEST_F(DenoiserTest, AnFftSizeChangeRebuildsBothTablesBeforeItsFirstFrame) {
    ASSERT_TRUE(d_.SelectProfile(kPink));
    Run(1024, 1000.0f, 1000.0f);
    const float* table = d_.noiseTable();
    const float firstAt1024 = table[1];
    const auto frame = Run(256, 1000.0f, 1000.0f);
    EXPECT_EQ(d_.noiseTable(), table);
    std::array<std::int32_t, kBandCount> edges{};
    BuildBandEdges(44100, 256, edges);
    EXPECT_TRUE(std::equal(edges.begin(), edges.end(), d_.bandEdges().begin()));
    // Bin 1 of 256 averages profile entries 16..31: a lower noise level than entries 2..3.
    std::vector<float> profile(2 * kN);
    LoadPinkProfile(profile);
    std::vector<float> expected(2 * 256);
    BuildNoiseTable(profile, 256, expected);
    EXPECT_FLOAT_EQ(table[1], expected[1]);
    EXPECT_FLOAT_EQ(table[256 + 255], expected[256 + 255]);
    EXPECT_NE(table[1], firstAt1024);
}

TEST_F(DenoiserTest, GetNoiseTabAddressesStayAcrossBinCountsAndProfiles) {
    float* table = d_.noiseTable();
    double* t = d_.thresholdAddress();
    Run(1024, 1.0f, 1.0f);
    d_.SelectProfile(kPink);
    Run(128, 1.0f, 1.0f);
    d_.SetThreshold(0.5);
    EXPECT_EQ(d_.noiseTable(), table);
    EXPECT_EQ(d_.thresholdAddress(), t);
    EXPECT_EQ(*t, 0.5);
}

TEST_F(DenoiserTest, ARecordingWithoutFramesKeepsTheKindAndReloadsItsProfile) {
    d_.SelectProfile(kPink);
    Run(1024, 1.0f, 1.0f);
    const std::vector<float> before(d_.noiseTable(), d_.noiseTable() + 2048);
    d_.StartRecording();
    EXPECT_FALSE(d_.StopRecording());
    EXPECT_EQ(d_.profileKind(), kPink);
    EXPECT_FALSE(d_.userProfileAvailable());
    EXPECT_FALSE(d_.SelectProfile(kUser));
    Run(1024, 1.0f, 1.0f);
    EXPECT_EQ(std::vector<float>(d_.noiseTable(), d_.noiseTable() + 2048), before);
}

TEST_F(DenoiserTest, AFingerprintLeavesTheAudioAloneThenBecomesTheUserProfile) {
    Run(1024, 1.0f, 1.0f);
    d_.StartRecording();
    for (float level : {100.0f, 300.0f}) {
        const auto frame = Run(1024, level, 2 * level);
        EXPECT_EQ(frame[5], level); // recording changes nothing
    }
    EXPECT_EQ(d_.recordedFrames(), 2);
    EXPECT_FLOAT_EQ(d_.noiseTable()[0], 1.0f / 200.0f); // the table follows the fingerprint
    EXPECT_TRUE(d_.StopRecording());
    EXPECT_EQ(d_.profileKind(), kUser);
    EXPECT_FALSE(d_.recording());
    // Mean noise 200 left, 400 right; T = 1 and R = 0: a bin at 50 keeps half.
    const auto frame = Run(1024, 50.0f, 100.0f);
    EXPECT_FLOAT_EQ(frame[7], 25.0f);
    EXPECT_FLOAT_EQ(frame[2048 + 7], 50.0f);
}

TEST_F(DenoiserTest, ASavedProfileLoadsBackAtAnotherProfileLength) {
    Run(1024, 1.0f, 1.0f);
    d_.StartRecording();
    std::vector<float> frame = Frame(1024, 0.0f, 0.0f);
    for (int i = 0; i < 1024; ++i) {
        frame[static_cast<std::size_t>(i)] = static_cast<float>(i + 1); // a sloped noise
        frame[2048 + static_cast<std::size_t>(i)] = 10.0f;
    }
    d_.Process(44100, 3, 1024, frame.data());
    ASSERT_TRUE(d_.StopRecording());
    ProfileOrigin origin;
    SavedProfile saved{.origin = {}, .values = d_.UserProfile(&origin)};
    saved.origin = origin;
    EXPECT_EQ(origin.rate, 44100);
    EXPECT_EQ(origin.bins, 1024);
    test::TempDir dir;
    ASSERT_TRUE(SaveProfileFile(dir.File("hiss.lnp"), saved));

    Denoiser other;
    ASSERT_TRUE(other.Init(2048, 1.0, 0.0f));
    const auto loaded = LoadProfileFile(dir.File("hiss.lnp"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->origin.bins, 1024);
    ASSERT_TRUE(other.LoadUserProfile(loaded->values, loaded->origin));
    EXPECT_EQ(other.profileKind(), kUser);
    // Both state now hold the same noise per bin of 1024: the same frame comes out the same.
    const auto noisy = Frame(1024, 300.0f, 4.0f);
    auto a = noisy;
    auto b = noisy;
    d_.Process(44100, 3, 1024, a.data());
    other.Process(44100, 3, 1024, b.data());
    for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_FLOAT_EQ(a[i], b[i]) << i;
    }
}

TEST(ProfileFile, RefusesDamagedAndForeignFilesAsAWhole) {
    SavedProfile good{.origin = {48000, 512}, .values = std::vector<float>(8, 2.0f)};
    const auto bytes = EncodeProfile(good);
    ASSERT_TRUE(DecodeProfile(bytes));
    const std::vector<std::uint8_t> cut(bytes.begin(), bytes.end() - 1);
    auto magic = bytes;
    magic[0] = 'X';
    auto version = bytes;
    version[4] = 2;
    auto negative = bytes;
    negative[kProfileHeaderSize + 3] = 0xC0; // -2.0f
    auto length = bytes;
    length[8] = 5;
    for (const auto& bad : {cut, magic, version, negative, length, std::vector<std::uint8_t>{}}) {
        EXPECT_FALSE(DecodeProfile(bad));
    }
}

// Profiles switch, recordings start and stop while another thread processes frames: every
// frame comes out exactly as under one whole table (white, pink, or untouched while a
// recording runs), and ThreadSanitizer sees no race.
TEST(DenoiserThreads, ProfileSwitchesAppearWholeToTheFrames) {
    std::vector<std::vector<float>> whole;
    for (int kind : {kWhite, kPink}) {
        Denoiser reference;
        ASSERT_TRUE(reference.Init(kN, 1.0, 0.0f));
        reference.SelectProfile(kind);
        auto frame = Frame(1024, 16.0f, 16.0f);
        reference.Process(44100, 1, 1024, frame.data());
        whole.push_back(frame);
    }
    whole.push_back(Frame(1024, 16.0f, 16.0f)); // recording, or the flat user profile

    Denoiser d;
    ASSERT_TRUE(d.Init(kN, 1.0, 0.0f));
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::atomic<int> frames{0};
    std::thread audio([&] {
        while (!stop.load()) {
            auto frame = Frame(1024, 16.0f, 16.0f);
            d.Process(44100, 1, 1024, frame.data());
            if (std::find(whole.begin(), whole.end(), frame) == whole.end()) {
                torn.fetch_add(1);
            }
            frames.fetch_add(1);
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 200; ++round) {
        d.SelectProfile(round % 2 == 0 ? kPink : kWhite);
        if (round % 40 == 0) {
            d.StartRecording();
            std::this_thread::yield();
            d.StopRecording();
        }
        std::this_thread::yield();
    }
    while (frames.load() < 50) {
        std::this_thread::yield();
    }
    stop.store(true);
    audio.join();
    EXPECT_EQ(torn.load(), 0);
}

} // namespace
} // namespace lumisett::denoise
