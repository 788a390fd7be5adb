#include "plugins/declicker/core/detectors.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace lumisett::declicker {
namespace {

// One channel of a work window for `block` frames, with detector space sized exactly as the
// stream sizes it, so that the sanitizer builds catch any read past the window.
class Window {
public:
    explicit Window(std::int32_t block)
        : n_(block + kHistoryFrames - kDetectionMargin), x(block + kHistoryFrames, 0),
          energy_(n_ + 8), differences_(n_ + 8), marks_(n_ + 8), starts_(block), lengths_(block),
          events{starts_.data(), lengths_.data(), block - 1, 0} {}

    std::int32_t n() const { return n_; }
    DetectorScratch scratch() { return {energy_.data(), differences_.data(), marks_.data()}; }

    std::vector<std::pair<std::int32_t, std::int32_t>> Clicks(const ClickShape& shape = {}) {
        DetectClicks(x.data(), n_, shape, scratch(), events);
        return Found();
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> Crackles(double factor = 100.0) {
        DetectCrackles(x.data(), n_, factor, 500, scratch(), events);
        return Found();
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> Found() const {
        std::vector<std::pair<std::int32_t, std::int32_t>> found;
        for (std::int32_t i = 0; i < events.count; ++i) {
            found.emplace_back(events.starts[i], events.lengths[i]);
        }
        return found;
    }

private:
    std::int32_t n_;

public:
    std::vector<std::int32_t> x;

private:
    std::vector<std::int64_t> energy_;
    std::vector<std::int32_t> differences_;
    std::vector<std::uint8_t> marks_;
    std::vector<std::int32_t> starts_;
    std::vector<std::int32_t> lengths_;

public:
    EventList events;
};

using Events = std::vector<std::pair<std::int32_t, std::int32_t>>;

TEST(ClickDetector, ASingleSpikeInSilenceIsFoundAndRefinedToFrames98To102) {
    for (const std::int32_t spike : {1000, -1000}) {
        Window w(4096);
        w.x[100] = spike;
        EXPECT_EQ(w.Clicks(), (Events{{98, 4}})) << spike;
        ASSERT_TRUE(RepairLine(w.x.data(), static_cast<std::int32_t>(w.x.size()), 98, 4));
        EXPECT_EQ(w.x, std::vector<std::int32_t>(w.x.size(), 0)) << spike;
        EXPECT_EQ(w.Crackles(), Events{}) << "silence after the repair";
    }
}

TEST(ClickDetector, SpikesStaySeparateFromADistanceOfMergeGapPlusFour) {
    struct Case {
        std::int32_t gap;
        std::int32_t distance;
        std::size_t events;
    };
    for (const Case c : {Case{2, 8, 2}, Case{8, 8, 1}, Case{2, 5, 1}, Case{2, 6, 2},
                         Case{8, 11, 1}, Case{8, 12, 2}}) {
        Window w(4096);
        w.x[1000] = 3000;
        w.x[1000 + c.distance] = 3000;
        const Events found = w.Clicks({.mergeGap = c.gap, .passes = c.gap == 8 ? 12 : 4});
        ASSERT_EQ(found.size(), c.events) << "gap " << c.gap << ", distance " << c.distance;
        if (c.events == 1) {
            EXPECT_EQ(found[0], std::make_pair(998, c.distance + 4)) << "one event over both";
        }
    }
}

TEST(ClickDetector, ARawLengthOf499IsKeptAnd500IsNot) {
    // A burst of spikes 8 frames apart (bridged with de-plop's gap of 8) from frame 1000: the
    // marked positions run from 999 to the last spike + 1.
    for (const auto& [lastGap, kept] : {std::pair{8, true}, std::pair{9, false}}) {
        Window w(32768);
        std::int32_t at = 1000;
        for (int i = 0; i < 62; ++i, at += 8) {
            w.x[at] = 4000;
        }
        at += lastGap - 8;
        w.x[at] = 4000;
        const std::int32_t raw = at + 2 - 999;
        ASSERT_EQ(raw, kept ? 499 : 500);
        const Events found = w.Clicks();
        if (kept) {
            EXPECT_EQ(found, (Events{{998, raw + 1}})) << "widened by one frame at the start";
        } else {
            EXPECT_EQ(found, Events{});
        }
    }
}

TEST(ClickDetector, LoudClicksAreComparedWithoutWrapping) {
    // Second differences near 90000: energies near 2^33, which a 32-bit energy would wrap.
    Window w(4096);
    for (std::int32_t i = 0; i < static_cast<std::int32_t>(w.x.size()); ++i) {
        w.x[i] = (i / 200) % 2 == 0 ? 20000 : -20000; // loud square wave: large steps too
    }
    w.x[1050] = 32767;
    w.x[1051] = -32768;
    const Events found = w.Clicks();
    ASSERT_FALSE(found.empty());
    bool covered = false;
    for (const auto& [start, length] : found) {
        covered = covered || (start < 1050 && start + length > 1051);
    }
    EXPECT_TRUE(covered);
}

TEST(ClickDetector, RecordsAtMostBlockMinusOneEvents) {
    Window w(8);
    for (std::int32_t at = 20; at < 500; at += 50) {
        w.x[at] = 5000;
    }
    EXPECT_EQ(w.Clicks({.factor = 26.0}).size(), 7u) << "ten clicks, room for seven";
}

TEST(CrackleDetector, FindsAShortBurstAndLooksAtTheLastSampleOfEverySmallWindow) {
    for (const std::int32_t block : {1, 3, 64, 256, 4096}) {
        Window w(block);
        for (std::int32_t i = 0; i < static_cast<std::int32_t>(w.x.size()); ++i) {
            w.x[i] = (i * 37) % 11 - 5; // a little steady noise
        }
        w.x[300] += 3000;
        w.x.back() = 30000; // read by the fourth difference, never marked
        const Events found = w.Crackles();
        if (block > 1) {
            bool covered = false;
            for (const auto& [start, length] : found) {
                EXPECT_GE(start, 1);
                EXPECT_LE(start + length, w.n()) << "ends inside the detection span";
                covered = covered || (start <= 300 && start + length > 300);
            }
            EXPECT_TRUE(covered) << block;
        }
    }
}

TEST(Repairs, TheLineTruncatesTowardZeroAndTheCubicMatchesLevelAndSlopeOnBothSides) {
    std::vector<std::int32_t> x{0, -7, 99, 99, 99, 0};
    ASSERT_TRUE(RepairLine(x.data(), 6, 1, 4));
    EXPECT_EQ(x, (std::vector<std::int32_t>{0, -7, -5, -3, -1, 0})) << "-7 + 7j/4, toward zero";

    // Along a straight line the cubic is that line.
    std::vector<std::int32_t> ramp{0, 10, 20, 555, -555, 50, 60, 70};
    ASSERT_TRUE(RepairCubic(ramp.data(), 8, 2, 3));
    EXPECT_EQ(ramp, (std::vector<std::int32_t>{0, 10, 20, 30, 40, 50, 60, 70}));
}

TEST(Repairs, EventsWithoutANeighbourOnEachSideAreSkippedAndNothingWraps) {
    const std::vector<std::int32_t> original{5, 100, -100, 100, -100, 7};
    struct Case {
        std::int32_t start;
        std::int32_t length;
    };
    for (const Case c : {Case{0, 2}, Case{4, 1}, Case{3, 2}, Case{-1, 2}, Case{1, 0}}) {
        auto x = original;
        EXPECT_FALSE(RepairCubic(x.data(), 6, c.start, c.length)) << c.start << "+" << c.length;
        EXPECT_EQ(x, original);
    }
    auto x = original;
    EXPECT_FALSE(RepairLine(x.data(), 6, 2, 4)) << "x[s + L] is past the window";
    EXPECT_EQ(x, original);

    // Steep slopes on both sides: the curve peaks far above full scale and is clipped.
    std::vector<std::int32_t> steep{-32768, 32000, 0, 0, 0, 0, 32000, -32768};
    ASSERT_TRUE(RepairCubic(steep.data(), 8, 1, 5));
    for (std::size_t i = 1; i < 6; ++i) {
        EXPECT_GE(steep[i], 30000) << i;
        EXPECT_LE(steep[i], 32767) << i;
    }
    EXPECT_EQ(steep[3], 32767);
}

} // namespace
} // namespace lumisett::declicker
