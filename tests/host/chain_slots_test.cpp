#include "tests/host/recorder_fixture.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace lumisett::host {
namespace {

class ChainSlotsTest : public RecorderFixture {};

TEST_F(ChainSlotsTest, LoadAndUnloadMakeTheContractCallsInOrder) {
    Install("block", "latency=512\n");
    Scan();
    EXPECT_EQ(slots->SelectionChanged(1, Index("block")), Index("block"));
    EXPECT_EQ(TakeCalls(), (Calls{"block InitEffect 4096 status", "block OpenEffWindow null"}));
    const ChainSlot& slot = slots->slot(1);
    EXPECT_TRUE(slot.on.load());
    EXPECT_EQ(slot.latency.load(), 512);
    EXPECT_EQ(slot.kind.load(), KIND_BLOCK_PRE);
    EXPECT_EQ(slot.open.load(), 0);
    EXPECT_TRUE(registry.entries()[0].inUse);

    EXPECT_EQ(slots->SelectionChanged(1, registry.noneIndex()), registry.noneIndex());
    EXPECT_EQ(TakeCalls(), (Calls{"block CloseEffWindow", "block ExitEffect"}));
    EXPECT_FALSE(slot.loaded());
    EXPECT_FALSE(slot.on.load());
    EXPECT_EQ(slot.latency.load(), 0);
    EXPECT_FALSE(registry.entries()[0].inUse);
}

TEST_F(ChainSlotsTest, LoadingDuringPlaybackOpensTheEffectAtOnce) {
    Install("block", "");
    Install("closed", "open=0\n");
    Scan();
    slots->OpenForPlayback(2048);
    ASSERT_TRUE(slots->LoadIntoSlot(0, Index("block")));
    ASSERT_TRUE(slots->LoadIntoSlot(1, Index("closed")));
    EXPECT_EQ(TakeCalls(), (Calls{"block InitEffect 4096 status", "block OpenEffect 2048",
                                  "block OpenEffWindow null", "closed InitEffect 4096 status",
                                  "closed OpenEffect 2048", "closed OpenEffWindow null"}));
    EXPECT_EQ(slots->slot(0).open.load(), 1);
    EXPECT_EQ(slots->slot(1).open.load(), 0);

    // A slot that did not open is never closed.
    slots->UnloadSlot(0);
    slots->UnloadSlot(1);
    EXPECT_EQ(TakeCalls(), (Calls{"block CloseEffWindow", "block CloseEffect", "block ExitEffect",
                                  "closed CloseEffWindow", "closed ExitEffect"}));
}

TEST_F(ChainSlotsTest, PlaybackStartAndStopOpenAndCloseEveryLoadedSlot) {
    Install("first", "");
    Install("second", "kind=2\n");
    Scan();
    slots->LoadIntoSlot(3, Index("second"));
    slots->LoadIntoSlot(0, Index("first"));
    TakeCalls();
    slots->OpenForPlayback(4096);
    slots->CloseAfterPlayback();
    slots->CloseAfterPlayback(); // nothing is open any more
    EXPECT_EQ(TakeCalls(), (Calls{"first OpenEffect 4096", "second OpenEffect 4096",
                                  "first CloseEffect", "second CloseEffect"}));
}

TEST_F(ChainSlotsTest, AnalyzerLearnsTheSpectralNamesInSlotOrder) {
    Install("specA", "kind=1\nspectral=1\nname=Ve-Vidare\n");
    Install("specB", "kind=1\nspectral=1\nname=Zi-Di\n");
    Install("ana", "kind=-1\nspectral=1\nname=Analyzer\n");
    Install("block", "");
    Scan();
    slots->LoadIntoSlot(2, Index("specA"));
    slots->LoadIntoSlot(3, Index("specB"));
    slots->LoadIntoSlot(1, Index("block"));
    EXPECT_EQ(slots->boundTransData(), nullptr);
    TakeCalls(); // no analyzer yet: nobody is told names

    slots->LoadIntoSlot(0, Index("ana"));
    EXPECT_EQ(TakeCalls(), (Calls{"ana InitEffect 4096 status", "ana TransEff 3 Analyzer|Ve-Vidare|Zi-Di",
                                  "ana OpenEffWindow null"}));
    EXPECT_NE(slots->boundTransData(), nullptr);
    EXPECT_TRUE(slots->AnySpectralLoaded());

    // A spectral plug-in that leaves is announced away; a block plug-in is not.
    slots->UnloadSlot(2);
    EXPECT_EQ(TakeCalls(), (Calls{"specA CloseEffWindow", "specA ExitEffect",
                                  "ana TransEff 2 Analyzer|Zi-Di"}));
    slots->UnloadSlot(1);
    EXPECT_EQ(TakeCalls(), (Calls{"block CloseEffWindow", "block ExitEffect"}));

    // Once the analyzer is gone, its binding is cleared and loads announce nothing.
    slots->UnloadSlot(0);
    EXPECT_EQ(slots->boundTransData(), nullptr);
    slots->LoadIntoSlot(2, Index("specA"));
    EXPECT_EQ(TakeCalls(), (Calls{"ana CloseEffWindow", "ana ExitEffect",
                                  "specA InitEffect 4096 status", "specA OpenEffWindow null"}));
}

TEST_F(ChainSlotsTest, ShortFormDescriptorKeepsItsPlaceWithoutAName) {
    Install("oldspec", "short=1\nkind=1\nspectral=1\nlatency=7\n");
    Install("ana", "kind=-1\nname=Analyzer\n");
    Scan();
    ASSERT_TRUE(slots->LoadIntoSlot(0, Index("oldspec")));
    EXPECT_TRUE(slots->slot(0).shortForm);
    EXPECT_EQ(slots->slot(0).kind.load(), KIND_SPECTRAL);
    EXPECT_EQ(slots->slot(0).latency.load(), 7);
    EXPECT_EQ(slots->slot(0).spectral.load(), 1);
    TakeCalls();
    slots->LoadIntoSlot(1, Index("ana"));
    EXPECT_EQ(TakeCalls()[1], "ana TransEff 2 |Analyzer");
}

TEST_F(ChainSlotsTest, TheLastAnalyzerLoadedStaysBoundWhenAnEarlierOneLeaves) {
    Install("ana1", "kind=-1\nname=One\n");
    Install("ana2", "kind=-1\nname=Two\n");
    Install("spec", "kind=1\nspectral=1\nname=Spec\n");
    Scan();
    slots->LoadIntoSlot(0, Index("ana1"));
    slots->LoadIntoSlot(1, Index("ana2"));
    slots->UnloadSlot(0);
    EXPECT_NE(slots->boundTransData(), nullptr);
    TakeCalls();
    slots->LoadIntoSlot(2, Index("spec"));
    EXPECT_EQ(TakeCalls()[1], "ana2 TransEff 2 Two|Spec");
}

struct RefusedLoad {
    const char* label;
    const char* variant;
    const char* config;
    Calls calls; // what the refused plug-in sees, with its alias "p"
};

class RefusedLoadTest : public RecorderFixture, public testing::WithParamInterface<RefusedLoad> {};

TEST_P(RefusedLoadTest, LeavesTheSlotEmptyAndCallsNothingMissing) {
    const RefusedLoad& c = GetParam();
    Install("previous", "");
    Install("p", c.config, c.variant);
    Scan();
    slots->LoadIntoSlot(2, Index("previous"));
    TakeCalls();

    EXPECT_EQ(slots->SelectionChanged(2, Index("p")), registry.noneIndex());
    Calls expected{"previous CloseEffWindow", "previous ExitEffect"};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    EXPECT_EQ(TakeCalls(), expected);
    EXPECT_FALSE(slots->slot(2).loaded());
    EXPECT_EQ(slots->slot(2).registryIndex, registry.noneIndex());
    EXPECT_FALSE(registry.entries()[static_cast<std::size_t>(Index("p"))].inUse);
    EXPECT_FALSE(slots->slot(2).on.load());
    EXPECT_EQ(slots->boundTransData(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedLoadTest,
    testing::Values(
        RefusedLoad{"InitEffectRefuses", "recorder", "refuse=1\n", {"p InitEffect 4096 status"}},
        RefusedLoad{"NoInitEffect", "recorder_noinit", "", {}},
        RefusedLoad{"BlockKindWithoutDoEffect", "recorder_minimal", "kind=0\n",
                    {"p InitEffect 4096 status", "p ExitEffect"}},
        RefusedLoad{"AnalyzerWithoutTransData", "recorder_minimal", "kind=-1\n",
                    {"p InitEffect 4096 status", "p ExitEffect"}},
        RefusedLoad{"UnknownKind", "recorder", "kind=7\n",
                    {"p InitEffect 4096 status", "p ExitEffect"}}),
    [](const testing::TestParamInfo<RefusedLoad>& param) { return std::string(param.param.label); });

TEST_F(ChainSlotsTest, AFileThatIsNoLibraryLeavesTheSlotEmpty) {
    dir.Write("broken.eff", "KORVENTIX\nBroken\n");
    dir.Write("broken.so", "this is not a shared library");
    dir.Write("absent.eff", "KORVENTIX\nAbsent\n");
    Scan();
    EXPECT_EQ(slots->SelectionChanged(0, Index("broken")), registry.noneIndex());
    EXPECT_EQ(slots->SelectionChanged(0, Index("absent")), registry.noneIndex());
    EXPECT_FALSE(slots->slot(0).loaded());
}

TEST_F(ChainSlotsTest, APlugInSitsInOneSlotOnly) {
    Install("block", "");
    Install("other", "");
    Scan();
    ASSERT_EQ(slots->SelectionChanged(0, Index("block")), Index("block"));
    ASSERT_EQ(slots->SelectionChanged(1, Index("other")), Index("other"));
    TakeCalls();
    // Choosing it in a second slot leaves that slot as it was, plug-in and all.
    EXPECT_EQ(slots->SelectionChanged(1, Index("block")), Index("other"));
    EXPECT_EQ(slots->SelectionChanged(0, Index("block")), Index("block"));
    EXPECT_EQ(slots->SelectionChanged(1, 99), Index("other"));
    EXPECT_EQ(slots->SelectionChanged(7, 0), registry.noneIndex());
    EXPECT_TRUE(TakeCalls().empty());
    EXPECT_TRUE(slots->slot(1).loaded());
}

TEST_F(ChainSlotsTest, UseBoxAndOpenButtonActOnlyOnALoadedSlot) {
    Install("block", "");
    Scan();
    EXPECT_FALSE(slots->UseClicked(0, true));
    slots->OpenPressed(0);
    slots->LoadIntoSlot(0, Index("block"));
    EXPECT_FALSE(slots->UseClicked(0, false));
    EXPECT_FALSE(slots->slot(0).on.load());
    EXPECT_TRUE(slots->UseClicked(0, true));
    EXPECT_TRUE(slots->slot(0).on.load());
    TakeCalls();
    slots->SetOwnerWindow(this);
    slots->OpenPressed(0);
    EXPECT_EQ(TakeCalls(), (Calls{"block OpenEffWindow owner"}));
}

TEST_F(ChainSlotsTest, ExitClosesOpenSlotsThenExitsEachInSlotOrderWithoutUnloading) {
    Install("a", "");
    Install("b", "kind=2\n");
    Scan();
    slots->LoadIntoSlot(3, Index("a"));
    slots->LoadIntoSlot(1, Index("b"));
    slots->OpenForPlayback(4096);
    TakeCalls();
    slots->ExitAll();
    slots->ExitAll();
    EXPECT_EQ(TakeCalls(), (Calls{"b CloseEffect", "a CloseEffect", "b ExitEffect", "a ExitEffect"}));
    EXPECT_TRUE(slots->slot(1).loaded());
    slots.reset(); // unloading after exit calls nothing more
    EXPECT_TRUE(TakeCalls().empty());
}

TEST_F(ChainSlotsTest, UnloadWaitsForTheChainPassThatUsesThePlugIn) {
    Install("block", "");
    Scan();
    slots->OpenForPlayback(4096);
    slots->LoadIntoSlot(0, Index("block"));
    std::atomic<bool> inPass{false};
    std::atomic<bool> passDone{false};
    std::thread audio([&] {
        ChainPass pass(slots->activity());
        inPass = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        passDone = true;
    });
    while (!inPass) std::this_thread::yield();
    slots->UnloadSlot(0);
    EXPECT_TRUE(passDone.load());
    audio.join();
}

} // namespace
} // namespace lumisett::host
