#include "plugin_common/runtime/parameter_record.h"
#include "plugin_common/runtime/plugin_runtime.h"

#include "tests/support/message_capture.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace lumisett::plugin {
namespace {

using test::MessageCapture;
using test::TempDir;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kMagic = 0x26031970;
constexpr ParameterLayout kLayout{"test.par", 32, kMagic, 16};
constexpr std::size_t kDefaultedField = 4;
constexpr std::size_t kUndefaultedField = 8;

void ApplyTestDefaults(ParameterRecord& record) {
    record.SetI32(kDefaultedField, 7);
}

// A valid file: magic, a defaulted field, an undefaulted one, a rectangle.
Bytes ValidFile() {
    Bytes bytes(32, 0);
    const std::uint8_t head[] = {0x70, 0x19, 0x03, 0x26, 1, 0, 0, 0, 0xaa, 0xbb, 0xcc, 0xdd};
    std::copy(std::begin(head), std::end(head), bytes.begin());
    const std::uint8_t rect[] = {10, 0, 0, 0, 20, 0, 0, 0, 110, 0, 0, 0, 80, 0, 0, 0};
    std::copy(std::begin(rect), std::end(rect), bytes.begin() + 16);
    return bytes;
}

Bytes FileBytes(const TempDir& dir, const std::string& name) {
    const std::string text = dir.Read(name);
    return Bytes(text.begin(), text.end());
}

void ExpectOneInvalidFileMessage(const MessageCapture& capture) {
    ASSERT_EQ(capture.messages().size(), 1u);
    EXPECT_EQ(capture.messages()[0].caption, " Parameter file error:");
    EXPECT_EQ(capture.messages()[0].text,
              "\n    The parameter File is invalid. The program   \n"
              "      will start with a set of default parameter.");
}

void ExpectDefaults(const ParameterRecord& record) {
    EXPECT_EQ(record.U32(0), kMagic);
    EXPECT_EQ(record.rectangle(), WindowRect{});
    EXPECT_EQ(record.I32(kDefaultedField), 7);
    EXPECT_FALSE(record.positionValid());
}

struct InvalidFileCase {
    const char* name;
    void (*make)(const TempDir& dir);
};

const InvalidFileCase kInvalidFiles[] = {
    {"missing", [](const TempDir&) {}},
    {"empty", [](const TempDir& dir) { dir.Write("test.par", Bytes{}); }},
    {"one_byte_short",
     [](const TempDir& dir) {
         Bytes bytes = ValidFile();
         bytes.pop_back();
         dir.Write("test.par", bytes);
     }},
    {"one_byte_too_long",
     [](const TempDir& dir) {
         Bytes bytes = ValidFile();
         bytes.push_back(0);
         dir.Write("test.par", bytes);
     }},
    {"far_too_long", [](const TempDir& dir) { dir.Write("test.par", Bytes(1 << 21, 0x70)); }},
    {"wrong_magic",
     [](const TempDir& dir) {
         Bytes bytes = ValidFile();
         bytes[3] = 0x27;
         dir.Write("test.par", bytes);
     }},
    {"a_folder", [](const TempDir& dir) { std::filesystem::create_directory(dir.File("test.par")); }},
};

class InvalidParameterFile : public testing::TestWithParam<InvalidFileCase> {};

TEST_P(InvalidParameterFile, IsReportedOnceAndReplacedByDefaults) {
    TempDir dir;
    GetParam().make(dir);
    MessageCapture capture;
    ParameterRecord record(kLayout);

    EXPECT_FALSE(LoadParameterFile(record, dir.File("test.par"), &ApplyTestDefaults));

    ExpectOneInvalidFileMessage(capture);
    ExpectDefaults(record);
}

INSTANTIATE_TEST_SUITE_P(Files, InvalidParameterFile, testing::ValuesIn(kInvalidFiles),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(ParameterFile, WrongMagicKeepsTheFieldsThatHaveNoDefault) {
    TempDir dir;
    Bytes bytes = ValidFile();
    bytes[0] = 0;
    dir.Write("test.par", bytes);
    MessageCapture capture;
    ParameterRecord record(kLayout);

    LoadParameterFile(record, dir.File("test.par"), &ApplyTestDefaults);

    EXPECT_EQ(record.U32(kUndefaultedField), 0xddccbbaau);
    ExpectDefaults(record);
}

TEST(ParameterFile, AValidFileIsTakenAsItIs) {
    TempDir dir;
    dir.Write("test.par", ValidFile());
    MessageCapture capture;
    ParameterRecord record(kLayout);

    EXPECT_TRUE(LoadParameterFile(record, dir.File("test.par"), &ApplyTestDefaults));

    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(Bytes(record.bytes().begin(), record.bytes().end()), ValidFile());
    EXPECT_EQ(record.rectangle(), (WindowRect{10, 20, 110, 80}));
    EXPECT_TRUE(record.positionValid());
}

TEST(ParameterRecordFields, AreLittleEndianAndStayInsideTheRecord) {
    ParameterRecord record(kLayout);
    record.SetI32(4, -2);
    record.SetF32(8, 1.0f);
    record.SetF64(16, -2.0);
    const Bytes expected{0xfe, 0xff, 0xff, 0xff, 0x00, 0x00, 0x80, 0x3f, 0, 0,
                         0,    0,    0,    0,    0,    0,    0,    0,    0, 0xc0};
    EXPECT_EQ(Bytes(record.bytes().begin() + 4, record.bytes().begin() + 24), expected);
    EXPECT_EQ(record.I32(4), -2);
    EXPECT_EQ(record.F32(8), 1.0f);
    EXPECT_EQ(record.F64(16), -2.0);

    const Bytes before(record.bytes().begin(), record.bytes().end());
    for (std::size_t offset : {29u, 32u, 1000u, static_cast<unsigned>(-1)}) {
        record.SetU32(offset, 0xffffffff);
        record.SetF64(offset, 1.0);
        EXPECT_EQ(record.U32(offset), 0u) << offset;
        EXPECT_EQ(record.F64(offset), 0.0) << offset;
    }
    EXPECT_EQ(Bytes(record.bytes().begin(), record.bytes().end()), before);
}

TEST(ParameterFile, ASaveWritesExactlyTheRecordAndNothingElse) {
    TempDir dir;
    ParameterRecord record(kLayout);
    ASSERT_TRUE(record.Assign(ValidFile()));
    record.SetRectangle({-5, 6, 300, 400});

    ASSERT_TRUE(SaveParameterFile(record, dir.File("test.par")));

    EXPECT_EQ(FileBytes(dir, "test.par"), Bytes(record.bytes().begin(), record.bytes().end()));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

// Lets no file grow past a few bytes while it lives, like a disk that fills up mid-write.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous_);
        rlimit limited = previous_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST(ParameterFile, ASaveCutShortKeepsTheOldFileAndReportsFailure) {
    TempDir dir;
    dir.Write("test.par", ValidFile());
    ParameterRecord record(kLayout);
    record.SetU32(0, kMagic);

    bool saved = true;
    {
        FileSizeLimit limit(10);
        saved = SaveParameterFile(record, dir.File("test.par"));
    }

    EXPECT_FALSE(saved);
    EXPECT_EQ(FileBytes(dir, "test.par"), ValidFile());
}

class RuntimeFixture : public testing::Test {
protected:
    PluginIdentity Identity() const {
        PluginIdentity identity;
        identity.parameters = kLayout;
        identity.applyDefaults = &ApplyTestDefaults;
        identity.helpFile = "test.hlp";
        return identity;
    }

    TempDir dir_;
    PluginRuntime runtime_;
};

TEST_F(RuntimeFixture, FirstStartReportsOnceAndExitWritesAFileTheNextStartTrusts) {
    {
        MessageCapture capture;
        runtime_.Start(Identity(), dir_.path());
        ExpectOneInvalidFileMessage(capture);
        runtime_.record().SetRectangle({1, 2, 3, 4});
        EXPECT_TRUE(runtime_.Finish());
        EXPECT_EQ(capture.messages().size(), 1u);
    }
    EXPECT_EQ(runtime_.HelpFilePath(), dir_.File("test.hlp"));

    MessageCapture capture;
    PluginRuntime next;
    next.Start(Identity(), dir_.path());
    EXPECT_TRUE(capture.messages().empty());
    EXPECT_EQ(next.record().rectangle(), (WindowRect{1, 2, 3, 4}));
    EXPECT_TRUE(next.record().positionValid());
}

TEST_F(RuntimeFixture, AFailedSaveShowsTheFileErrorMessage) {
    dir_.Write("test.par", ValidFile());
    runtime_.Start(Identity(), dir_.path());
    // A folder that is not empty cannot be replaced by a file: the save must fail.
    std::filesystem::remove(dir_.File("test.par"));
    std::filesystem::create_directory(dir_.File("test.par"));
    dir_.Write("test.par/keep", std::string("x"));
    MessageCapture capture;

    EXPECT_FALSE(runtime_.Finish());

    ASSERT_EQ(capture.messages().size(), 1u);
    EXPECT_EQ(capture.messages()[0].caption, " File error:");
    EXPECT_EQ(capture.messages()[0].text,
              "\n      The parameter File could not be saved.     \n\n"
              "                                Disk full ?.");
}

TEST_F(RuntimeFixture, WithPersistenceOffExitWritesNothing) {
    MessageCapture capture;
    runtime_.Start(Identity(), dir_.path());
    runtime_.SetPersistence(false);

    EXPECT_TRUE(runtime_.Finish());

    EXPECT_FALSE(dir_.Exists("test.par"));
    EXPECT_EQ(capture.messages().size(), 1u) << "only the start-up message";
}

TEST_F(RuntimeFixture, WithoutADirectoryNothingIsWrittenAnywhere) {
    MessageCapture capture;
    runtime_.Start(Identity(), "");

    EXPECT_FALSE(runtime_.Finish());

    EXPECT_FALSE(std::filesystem::exists("test.par"));
    EXPECT_EQ(capture.messages().size(), 2u);
}

} // namespace
} // namespace lumisett::plugin
