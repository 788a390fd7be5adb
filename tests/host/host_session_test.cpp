#include "host/startup/host_session.h"
#include "tests/host/recorder_fixture.h"

namespace lumisett::host {
namespace {

TEST(CommandLine, TheFirstArgumentIsTakenWhole) {
    const char* none[] = {"quorvex"};
    const char* spaced[] = {"quorvex", "/music/old tape.wav", "ignored"};
    EXPECT_EQ(CommandLineFile(1, none), "");
    EXPECT_EQ(CommandLineFile(3, spaced), "/music/old tape.wav");

    HostSession idle("", "");
    EXPECT_FALSE(idle.commandLineFilePending());
    HostSession withFile("", "/music/old tape.wav");
    EXPECT_TRUE(withFile.commandLineFilePending());
    withFile.ConsumeCommandLineFile();
    EXPECT_FALSE(withFile.commandLineFilePending());
}

struct DecoderCase {
    const char* label;
    const char* library; // copied in as "ulx3.so"; null: none
    bool loaded;
    bool available;
};

class DecoderBinding : public RecorderFixture, public testing::WithParamInterface<DecoderCase> {};

TEST_P(DecoderBinding, IsAvailableOnlyWithAllSixEntryPoints) {
    const DecoderCase& c = GetParam();
    if (c.library != nullptr) {
        dir.CopyIn(std::string(TEST_PLUGIN_DIR) + c.library + ".so", "ulx3.so");
    }
    HostSession session(dir.path(), "");
    session.Start();
    EXPECT_EQ(session.decoder().loaded(), c.loaded);
    EXPECT_EQ(session.decoder().available(), c.available);
    EXPECT_EQ(session.decoder().entryPoints().exitUlx != nullptr, c.available);
    session.Shutdown();
    EXPECT_FALSE(session.decoder().loaded());
}

INSTANTIATE_TEST_SUITE_P(Cases, DecoderBinding,
                         testing::Values(DecoderCase{"Absent", nullptr, false, false},
                                         DecoderCase{"Complete", "fake_ulx3", true, true},
                                         DecoderCase{"OneExportMissing", "fake_ulx3_noexit", true, false}),
                         [](const auto& param) { return std::string(param.param.label); });

class ShutdownOrder : public RecorderFixture {};

TEST_F(ShutdownOrder, StopsPlaybackBeforeAnyPlugInIsExited) {
    Install("a", "");
    Install("b", "");
    HostSession session(dir.path(), "");
    session.Start();
    ASSERT_EQ(session.registry().count(), 2);
    session.slots().LoadIntoSlot(2, 1);
    session.slots().LoadIntoSlot(0, 0);
    session.slots().OpenForPlayback(4096);
    TakeCalls();
    bool stopped = false;
    session.Shutdown([&] {
        stopped = true;
        session.slots().CloseAfterPlayback();
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(TakeCalls(), (Calls{"a CloseEffect", "b CloseEffect", "a ExitEffect", "b ExitEffect"}));
}

} // namespace
} // namespace lumisett::host
