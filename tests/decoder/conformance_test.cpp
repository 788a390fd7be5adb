// The standard's compliance streams decoded through the entry points and compared with their
// reference PCM: "full accuracy" is an RMS difference below 2^-15 / sqrt(12) of full scale
// (0.289 LSB) and no difference above 2 LSB.
#include "decoder/stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace ulx3 {
namespace {

const std::string kStreams = std::string(LUMISETT_SHARED_DIR) + "testdata/mp3-conformance/";

std::vector<int16_t> ReadPcm(const std::string& path) {
    std::vector<int16_t> samples;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return samples;
    }
    unsigned char bytes[2];
    while (std::fread(bytes, 1, 2, file) == 2) {
        samples.push_back(static_cast<int16_t>(bytes[0] | bytes[1] << 8));
    }
    std::fclose(file);
    return samples;
}

std::vector<int16_t> DecodeAll(const std::string& path, int32_t* openResult) {
    std::vector<int16_t> out;
    StreamInfo* info = nullptr;
    *openResult = OpenStream(path.c_str(), &info);
    if (*openResult != 0) {
        return out;
    }
    static int16_t pcm[2304];
    int32_t status = 0;
    for (int frames = 0; status == 0 && frames < 100000; ++frames) {
        status = DecodeNext(pcm);
        out.insert(out.end(), pcm, pcm + LastFrameSamples() * info->channels);
    }
    CloseStream();
    return out;
}

struct Accuracy {
    double rms = 0.0;
    int maxDifference = 0;
};

Accuracy Compare(const std::vector<int16_t>& decoded, const std::vector<int16_t>& reference) {
    Accuracy a;
    double sum = 0.0;
    for (size_t i = 0; i < reference.size(); ++i) {
        const int d = decoded[i] - reference[i];
        sum += static_cast<double>(d) * d;
        a.maxDifference = std::max(a.maxDifference, std::abs(d));
    }
    a.rms = reference.empty() ? 0.0 : std::sqrt(sum / static_cast<double>(reference.size()));
    return a;
}

class FullAccuracy : public ::testing::TestWithParam<const char*> {};

// References start at the first frame that writes PCM; the MPEG-1 references leave out the
// last frame, so the decoded stream is at least as long as its reference.
TEST_P(FullAccuracy, MatchesTheReference) {
    const std::string name = GetParam();
    int32_t result = 0;
    const std::vector<int16_t> decoded = DecodeAll(kStreams + name + ".bit", &result);
    const std::vector<int16_t> reference = ReadPcm(kStreams + name + ".pcm");
    ASSERT_EQ(result, 0);
    ASSERT_FALSE(reference.empty());
    ASSERT_GE(decoded.size(), reference.size());
    const Accuracy a = Compare(decoded, reference);
    EXPECT_LT(a.rms, 0.289) << name;
    EXPECT_LE(a.maxDifference, 2) << name;
}

INSTANTIATE_TEST_SUITE_P(ComplianceStreams, FullAccuracy,
                         ::testing::Values("l3-compl", "l3-he_32khz", "l3-he_44khz", "l3-he_48khz",
                                           "l3-hecommon", "l3-si", "l3-si_block", "l3-si_huff",
                                           "l3-sin1k0db", "M2L3_bitrate_16_all",
                                           "M2L3_bitrate_22_all", "M2L3_bitrate_24_all",
                                           "M2L3_compl24", "M2L3_noise"));

TEST(ComplianceStreams, FreeFormatIsRefusedWithTheFileClosed) {
    int32_t result = 0;
    DecodeAll(kStreams + "l3-he_free.bit", &result);
    EXPECT_EQ(result, -6);
    EXPECT_EQ(CloseStream(), 0) << "nothing left open";
}

// Their channel count or their references make them information only: they must decode to
// the end without fault.
TEST(ComplianceStreams, ModeChangesAndLsfIntensityStreamsDecodeToTheEnd) {
    for (const char* name : {"l3-he_mode", "l3-test45", "l3-test46"}) {
        int32_t result = 0;
        const std::vector<int16_t> decoded = DecodeAll(kStreams + name + ".bit", &result);
        EXPECT_EQ(result, 0) << name;
        EXPECT_FALSE(decoded.empty()) << name;
    }
}

} // namespace
} // namespace ulx3
