// The Crescor header check and the reader over a file: reading across blocks, stepping back,
// resetting, and damaged or truncated files.

#include "host/source/crescor_reader.h"
#include "tests/host/source/case_label.h"
#include "tests/host/source/crescor_test_files.h"
#include "tests/host/source/test_signals.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <climits>
#include <fcntl.h>
#include <memory>
#include <string>
#include <unistd.h>

namespace lumisett::host {
namespace {

using namespace lumisett::test::crescor;
using lumisett::test::Samples;

struct HeaderCase {
    const char* label;
    HeaderFields fields;
    std::int64_t sizeFieldError; // added to the true length in the file-size field
    bool valid;
};

class CrescorHeaderCheck : public testing::TestWithParam<HeaderCase> {};

TEST_P(CrescorHeaderCheck, RecognisesOnlyValidTwoChannelHeaders) {
    const HeaderCase& c = GetParam();
    const std::uint32_t length = 1000;
    std::vector<std::uint8_t> bytes =
        Header(static_cast<std::uint32_t>(length + c.sizeFieldError), c.fields);
    std::optional<CrescorHeader> header = ParseCrescorHeader(bytes, length);
    ASSERT_EQ(header.has_value(), c.valid);
    if (c.valid) {
        EXPECT_EQ(header->fileSize, length);
        EXPECT_EQ(header->pcmLength, c.fields.pcmLength);
        EXPECT_EQ(header->maxFramesPerBlock, c.fields.maxFrames);
        EXPECT_EQ(header->sampleRate, c.fields.sampleRate);
    }
}

HeaderFields With(void (*change)(HeaderFields&)) {
    HeaderFields fields;
    fields.pcmLength = 123456;
    fields.sampleRate = 48000;
    change(fields);
    return fields;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrescorHeaderCheck,
    testing::Values(
        HeaderCase{"valid", With([](HeaderFields&) {}), 0, true},
        HeaderCase{"8192 frames per block", With([](HeaderFields& f) { f.maxFrames = 8192; }), 0,
                   true},
        // The field is signed and only bounded above.
        HeaderCase{"negative frames per block", With([](HeaderFields& f) { f.maxFrames = -1; }),
                   0, true},
        HeaderCase{"8193 frames per block", With([](HeaderFields& f) { f.maxFrames = 8193; }), 0,
                   false},
        HeaderCase{"wrong magic", With([](HeaderFields& f) { f.magic = 0x97190305; }), 0, false},
        HeaderCase{"file size one too large", With([](HeaderFields&) {}), 1, false},
        HeaderCase{"file size one too small", With([](HeaderFields&) {}), -1, false},
        HeaderCase{"8-bit samples", With([](HeaderFields& f) { f.bits = 8; }), 0, false},
        HeaderCase{"one channel", With([](HeaderFields& f) { f.channels = 1; }), 0, false},
        HeaderCase{"three channels", With([](HeaderFields& f) { f.channels = 3; }), 0, false}),
    lumisett::test::CaseLabel());

TEST(CrescorHeaderLength, NeedsAllFortyBytes) {
    std::vector<std::uint8_t> bytes = Header(39);
    bytes.resize(39);
    EXPECT_FALSE(ParseCrescorHeader(bytes, 39).has_value());
}

// A file in a temporary folder, open for reading, and a reader on it.
class ReaderOnFile {
public:
    explicit ReaderOnFile(const std::vector<std::uint8_t>& bytes) {
        dir_.Write("audio.cq", bytes);
        fd_ = ::open(dir_.File("audio.cq").c_str(), O_RDONLY | O_CLOEXEC);
        reader_ = std::make_unique<CrescorReader>(fd_);
    }
    ~ReaderOnFile() { ::close(fd_); }

    CrescorReader& reader() { return *reader_; }

    Samples Read(int count) {
        Samples out(static_cast<std::size_t>(count));
        out.resize(static_cast<std::size_t>(reader_->Read(out.data(), count)));
        return out;
    }

    Samples ReadToEnd(int chunk) {
        Samples all;
        for (Samples part = Read(chunk); !part.empty(); part = Read(chunk)) {
            all.insert(all.end(), part.begin(), part.end());
        }
        return all;
    }

    // Overwrites bytes of the file, as damage on disk would.
    void Patch(std::size_t offset, std::vector<std::uint8_t> bytes) {
        int fd = ::open(dir_.File("audio.cq").c_str(), O_WRONLY | O_CLOEXEC);
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)),
                  static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }

private:
    lumisett::test::TempDir dir_;
    int fd_ = -1;
    std::unique_ptr<CrescorReader> reader_;
};

Samples Slice(const Samples& samples, std::size_t from, std::size_t count) {
    return Samples(samples.begin() + static_cast<std::ptrdiff_t>(from),
                   samples.begin() + static_cast<std::ptrdiff_t>(std::min(from + count, samples.size())));
}

Samples MusicLike(std::size_t pairs) {
    Samples sine = lumisett::test::Sine(pairs, 12000.0);
    Samples noise = lumisett::test::Noise(pairs);
    for (std::size_t i = 0; i < sine.size(); ++i) {
        sine[i] = static_cast<std::int16_t>(sine[i] + noise[i] / 16);
    }
    return sine;
}

// 300 pairs in blocks of 37 pairs (74 samples): eight full blocks and one of four pairs.
constexpr std::size_t kPairs = 300;
constexpr std::size_t kBlockPairs = 37;
constexpr int kBlockSamples = 2 * static_cast<int>(kBlockPairs);

class CrescorReading : public testing::Test {
protected:
    Samples source_ = MusicLike(kPairs);
    ReaderOnFile file_{SimplyEncodedFile(source_, kBlockPairs)};
};

TEST_F(CrescorReading, DeliversTheSourceBitForBitInReadsOfAnySize) {
    for (int chunk : {1, 2, 7, kBlockSamples, kBlockSamples + 1, 1000}) {
        SCOPED_TRACE(chunk);
        file_.reader().Reset();
        EXPECT_EQ(file_.ReadToEnd(chunk), source_);
        EXPECT_EQ(file_.reader().Buffered(), 0);
    }
}

TEST_F(CrescorReading, StepBackByTwoAfterAReadReturnsTheSamePair) {
    // Inside a block, at a block's end, and one sample into the next block.
    for (int read : {10, kBlockSamples, kBlockSamples + 1, 600}) {
        SCOPED_TRACE(read);
        file_.reader().Reset();
        Samples first = file_.Read(read);
        ASSERT_TRUE(file_.reader().StepBack(-2));
        EXPECT_EQ(file_.Read(2), Slice(first, first.size() - 2, 2));
    }
}

struct StepCase {
    int read;
    int back;
};

class CrescorStepBack : public CrescorReading, public testing::WithParamInterface<StepCase> {};

TEST_P(CrescorStepBack, ContinuesFromTheSampleThatLiesBackByTheCount) {
    const StepCase& c = GetParam();
    ASSERT_EQ(file_.Read(c.read).size(), static_cast<std::size_t>(c.read));
    ASSERT_TRUE(file_.reader().StepBack(-c.back));
    const auto target = static_cast<std::size_t>(c.read - c.back);
    EXPECT_EQ(file_.Read(150), Slice(source_, target, 150));
}

INSTANTIATE_TEST_SUITE_P(Cases, CrescorStepBack,
                         testing::Values(StepCase{100, 10},  // within the second block
                                         StepCase{100, 26},  // to the second block's start
                                         StepCase{100, 27},  // into the first block
                                         StepCase{500, 400}, // over several blocks
                                         StepCase{500, 500}, // to the very first sample
                                         StepCase{600, 1},   // one sample, from the end
                                         StepCase{600, 8},   // to the short last block's start
                                         StepCase{600, 9},   // over it
                                         StepCase{600, 599}));

TEST_F(CrescorReading, RefusesToStepBeforeTheFirstBlockAndStaysWhereItWas) {
    ASSERT_EQ(file_.Read(100).size(), 100u);
    EXPECT_FALSE(file_.reader().StepBack(-101));
    EXPECT_FALSE(file_.reader().StepBack(INT_MIN));
    EXPECT_FALSE(file_.reader().StepBack(3)); // forward is not a step back
    EXPECT_TRUE(file_.reader().StepBack(0));
    EXPECT_EQ(file_.Read(10), Slice(source_, 100, 10));
}

TEST_F(CrescorReading, ResetStartsAgainAtTheFirstBlock) {
    ASSERT_EQ(file_.Read(250).size(), 250u);
    file_.reader().Reset();
    EXPECT_EQ(file_.reader().Buffered(), 0);
    EXPECT_FALSE(file_.reader().StepBack(-2));
    EXPECT_EQ(file_.Read(20), Slice(source_, 0, 20));
}

// Two good blocks, then damage: the reader delivers the good blocks and then nothing.
struct DamagedTailCase {
    const char* label;
    std::vector<std::uint8_t> tail;
};

class CrescorDamagedTail : public testing::TestWithParam<DamagedTailCase> {};

std::vector<std::uint8_t> GoodBlocksThen(const Samples& source,
                                         const std::vector<std::uint8_t>& tail) {
    std::vector<std::uint8_t> file = SimplyEncodedFile(source, kBlockPairs);
    file.insert(file.end(), tail.begin(), tail.end());
    return file;
}

TEST_P(CrescorDamagedTail, EndsTheStreamAfterTheLastGoodBlock) {
    const Samples source = MusicLike(2 * kBlockPairs);
    ReaderOnFile file(GoodBlocksThen(source, GetParam().tail));
    EXPECT_EQ(file.ReadToEnd(100), source);
    EXPECT_TRUE(file.Read(100).empty());
    // The good part can still be played backward.
    ASSERT_TRUE(file.reader().StepBack(-100));
    EXPECT_EQ(file.Read(10), Slice(source, source.size() - 100, 10));
}

std::vector<std::uint8_t> Bytes(std::initializer_list<unsigned> words16, std::size_t padTo = 0) {
    std::vector<std::uint8_t> bytes;
    for (unsigned w : words16) PutLe16(bytes, w);
    bytes.resize(std::max(bytes.size(), padTo), 0x55);
    return bytes;
}

std::vector<std::uint8_t> CutBlock() {
    std::vector<std::uint8_t> block = Block(37, Parameters(15, 15, false, false),
                                            std::vector<std::uint8_t>(140, 0x55));
    block.resize(block.size() - 10);
    return block;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrescorDamagedTail,
    testing::Values(
        DamagedTailCase{"block cut short", CutBlock()},
        DamagedTailCase{"one byte of a head", {3}},
        DamagedTailCase{"zero words", Bytes({0, 1, 0}, 64)},
        DamagedTailCase{"negative words", Bytes({0xFFFF, 1, 0}, 64)},
        // Enough bytes follow for the claimed size, but no valid block is that large.
        DamagedTailCase{"more words than the block buffer", Bytes({8200, 1, 0}, 4 * 8200 + 4)},
        DamagedTailCase{"largest block, file too short", Bytes({8199, 1, 0}, 100)},
        DamagedTailCase{"no frames", Block(0, 0, std::vector<std::uint8_t>(8, 0x55))},
        DamagedTailCase{"too many frames", Block(8193, 0, std::vector<std::uint8_t>(2052, 0x55))},
        DamagedTailCase{"widths need more bits than the words",
                        Block(37, Parameters(16, 16, false, false), std::vector<std::uint8_t>(4))}),
    lumisett::test::CaseLabel());

// Damage found on the way back: the walk refuses and the reader stays at the end.
enum class BlockField { Head, FrameCount, Trailer };

struct DamagedChainCase {
    const char* label;
    BlockField field;
    bool relative; // value is added to the word count, else stored as it is
    int value;
};

class CrescorDamagedChain : public testing::TestWithParam<DamagedChainCase> {};

std::size_t Le16At(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | (bytes[at + 1] << 8);
}

TEST_P(CrescorDamagedChain, RefusesTheStepBackThatNeedsTheDamagedBlock) {
    const Samples source = MusicLike(3 * kBlockPairs);
    const std::vector<std::uint8_t> bytes = SimplyEncodedFile(source, kBlockPairs);
    ReaderOnFile file(bytes);
    ASSERT_EQ(file.ReadToEnd(1000), source);

    const DamagedChainCase& c = GetParam();
    const std::size_t second = 40 + 4 * Le16At(bytes, 40) + 4; // after the header and block 1
    const std::size_t words = Le16At(bytes, second);
    const std::size_t at = c.field == BlockField::Head         ? second
                           : c.field == BlockField::FrameCount ? second + 2
                                                               : second + 4 * words + 2;
    const int value = c.relative ? static_cast<int>(words) + c.value : c.value;
    file.Patch(at, Bytes({static_cast<unsigned>(value) & 0xFFFF}));

    EXPECT_FALSE(file.reader().StepBack(-(kBlockSamples + 2)));
    EXPECT_TRUE(file.Read(10).empty());
    // The last block alone is intact and can still be reached.
    ASSERT_TRUE(file.reader().StepBack(-kBlockSamples));
    EXPECT_EQ(file.Read(4), Slice(source, source.size() - kBlockSamples, 4));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CrescorDamagedChain,
    testing::Values(
        DamagedChainCase{"trailer one word short", BlockField::Trailer, true, -1},
        DamagedChainCase{"trailer one word long", BlockField::Trailer, true, 1},
        DamagedChainCase{"trailer reaching before the header", BlockField::Trailer, false, 8199},
        DamagedChainCase{"trailer zero", BlockField::Trailer, false, 0},
        DamagedChainCase{"trailer negative", BlockField::Trailer, false, -2},
        DamagedChainCase{"head differs from trailer", BlockField::Head, true, 1},
        DamagedChainCase{"no frames", BlockField::FrameCount, false, 0},
        DamagedChainCase{"too many frames", BlockField::FrameCount, false, 8193}),
    lumisett::test::CaseLabel());

} // namespace
} // namespace lumisett::host
