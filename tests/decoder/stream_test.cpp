// The entry points' stream handling: where the frames begin, refusals, stepping back,
// seeking, resetting, and the files real encoders write (tags, junk, variable bitrate).
// Test streams are made with lame at test time.
#include "decoder/decoder_state.h"
#include "decoder/ulx3_api.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;
using lumisett::test::TempDir;

const std::string kStreams = std::string(LUMISETT_SHARED_DIR) + "testdata/mp3-conformance/";

bool HaveLame() {
    return std::system("command -v lame >/dev/null 2>&1") == 0;
}

int OpenDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

void PutLe(Bytes& b, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        b.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

Bytes Riff(const Bytes& payload, int formatTag, int bitsPerSample) {
    Bytes b = {'R', 'I', 'F', 'F'};
    PutLe(b, static_cast<uint32_t>(36 + payload.size()), 4);
    for (char c : std::string("WAVEfmt ")) b.push_back(static_cast<uint8_t>(c));
    PutLe(b, 16, 4);
    PutLe(b, static_cast<uint32_t>(formatTag), 2);
    PutLe(b, 2, 2);
    PutLe(b, 44100, 4);
    PutLe(b, 44100 * 4, 4);
    PutLe(b, 4, 2);
    PutLe(b, static_cast<uint32_t>(bitsPerSample), 2);
    for (char c : std::string("data")) b.push_back(static_cast<uint8_t>(c));
    PutLe(b, static_cast<uint32_t>(payload.size()), 4);
    b.insert(b.end(), payload.begin(), payload.end());
    return b;
}

// Two seconds of a stereo tone sweep as 16-bit WAV.
Bytes ToneWav(double seconds) {
    Bytes pcm;
    const int frames = static_cast<int>(44100 * seconds);
    for (int i = 0; i < frames; ++i) {
        const double t = i / 44100.0;
        const double left = 0.4 * std::sin(2 * M_PI * (200 + 400 * t) * t);
        const double right = 0.3 * std::sin(2 * M_PI * 660 * t) * (i % 7000 < 3500 ? 1.0 : 0.2);
        PutLe(pcm, static_cast<uint16_t>(static_cast<int16_t>(left * 32767)), 2);
        PutLe(pcm, static_cast<uint16_t>(static_cast<int16_t>(right * 32767)), 2);
    }
    return Riff(pcm, 1, 16);
}

struct Decoded {
    int32_t open = 0;
    StreamInfo info = {};
    std::vector<std::vector<int16_t>> frames;   // only frames that wrote PCM
};

Decoded DecodeFile(const std::string& path) {
    Decoded d;
    StreamInfo* info = nullptr;
    d.open = InitUlx(path.c_str(), &info);
    if (d.open != 0) {
        return d;
    }
    d.info = *info;
    static int16_t pcm[2304];
    for (int32_t status = 0, n = 0; status == 0 && n < 100000; ++n) {
        status = Ulx(pcm);
        const int samples = UlxFrameSamples() * info->channels;
        if (samples > 0) {
            d.frames.emplace_back(pcm, pcm + samples);
        }
    }
    ExitUlx();
    return d;
}

// Calls `edit` on every frame header of a raw Layer III stream.
template <typename Edit>
void EditHeaders(Bytes& stream, Edit edit) {
    size_t at = 0;
    while (at + 4 <= stream.size()) {
        ulx3::FrameHeader header;
        if (ulx3::ParseHeader(&stream[at], header) != 0) {
            break;
        }
        const int length = ulx3::FrameLength(header);
        edit(&stream[at]);
        if (length <= 0) {
            break;
        }
        at += static_cast<size_t>(length);
    }
}

class Layer3Stream : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveLame()) {
            GTEST_SKIP() << "lame is not installed";
        }
        dir_.Write("tone.wav", ToneWav(2.0));
        // -t: no Xing/Info frame, so that the first frame carries audio.
        ASSERT_TRUE(Lame("-b 128 -t", "cbr.mp3"));
        cbr_ = Bytes(ReadAll("cbr.mp3"));
    }

    bool Lame(const std::string& options, const std::string& out) {
        const std::string command = "lame --quiet " + options + " " + dir_.File("tone.wav") + " " +
                                    dir_.File(out);
        return std::system(command.c_str()) == 0;
    }

    Bytes ReadAll(const std::string& name) {
        const std::string text = dir_.Read(name);
        return Bytes(text.begin(), text.end());
    }

    std::string Put(const std::string& name, const Bytes& bytes) {
        dir_.Write(name, bytes);
        return dir_.File(name);
    }

    TempDir dir_;
    Bytes cbr_;
};

TEST_F(Layer3Stream, RawAndRiffWrappedStartsDecodeAlike) {
    const Decoded raw = DecodeFile(Put("raw.mp3", cbr_));
    ASSERT_EQ(raw.open, 0);
    EXPECT_EQ(raw.info.version, 1);
    EXPECT_EQ(raw.info.layer, 3);
    EXPECT_EQ(raw.info.channels, 2);
    EXPECT_EQ(raw.info.bitrate, 128);
    EXPECT_EQ(raw.info.sampleRate, 44100);
    EXPECT_EQ(raw.info.bitsPerSample, 16);
    EXPECT_EQ(raw.info.samplesPerFrame, 1152);
    EXPECT_EQ(raw.info.totalSamples,
              static_cast<int32_t>(cbr_.size() * 44100.0 / (128 * 125.0)));
    ASSERT_FALSE(raw.frames.empty());
    EXPECT_EQ(raw.frames[0].size(), 2304u);

    const Decoded wrapped = DecodeFile(Put("wrapped.wav", Riff(cbr_, 0x55, 0)));
    ASSERT_EQ(wrapped.open, 0);
    EXPECT_EQ(wrapped.frames, raw.frames);
}

TEST_F(Layer3Stream, RefusalsCloseTheFile) {
    Bytes layer2 = cbr_;
    EditHeaders(layer2, [](uint8_t* h) { h[1] = static_cast<uint8_t>((h[1] & ~0x06) | 0x04); });
    Bytes freeFormat = cbr_;
    EditHeaders(freeFormat, [](uint8_t* h) { h[2] &= 0x0F; });
    Bytes badRate = cbr_;
    EditHeaders(badRate, [](uint8_t* h) { h[2] |= 0x0C; });
    ulx3::FrameHeader first;
    ASSERT_EQ(ulx3::ParseHeader(cbr_.data(), first), 0);
    const Bytes single(cbr_.begin(), cbr_.begin() + ulx3::FrameLength(first));
    const Bytes ffe = {0xFF, 0xE3, 0x90, 0x64, 0, 0, 0, 0};
    const std::string text = "this is not audio, but it has data in it";
    const Bytes pcmWav = Riff(Bytes(4000, 0x11), 1, 24);
    struct Case {
        const char* name;
        Bytes bytes;
        int32_t expected;
    };
    const Case cases[] = {
        {"layer2.mp2", layer2, -6},      {"free.mp3", freeFormat, -6},
        {"rate3.mp3", badRate, -6},      {"single.mp3", single, -6},
        {"ffe.mp3", ffe, -2},            {"text.mp3", Bytes(text.begin(), text.end()), -1},
        {"pcm24.wav", pcmWav, -1},
    };
    const int before = OpenDescriptors();
    for (const Case& c : cases) {
        StreamInfo* info = nullptr;
        EXPECT_EQ(InitUlx(Put(c.name, c.bytes).c_str(), &info), c.expected) << c.name;
        EXPECT_EQ(OpenDescriptors(), before) << c.name << " left its file open";
    }
    StreamInfo* info = nullptr;
    EXPECT_EQ(InitUlx(dir_.File("missing.mp3").c_str(), &info), -5);
}

TEST_F(Layer3Stream, TagsAndJunkBeforeTheFirstFrameAreSkipped) {
    const Decoded plain = DecodeFile(Put("plain.mp3", cbr_));
    Bytes tagged = {'I', 'D', '3', 4, 0, 0, 0, 0, 2, 0};   // 256 bytes of tag body
    Bytes body(256, 0);
    std::memcpy(body.data(), "TIT2\xff\xfb\x90\x64 data", 14);   // a false sync inside the tag
    tagged.insert(tagged.end(), body.begin(), body.end());
    tagged.insert(tagged.end(), cbr_.begin(), cbr_.end());
    Bytes junk;
    for (int i = 0; i < 700; ++i) {
        junk.push_back(static_cast<uint8_t>(i * 73 + 11));
    }
    std::memcpy(junk.data() + 100, "RIFFdata\xff\xfb", 10);
    junk.insert(junk.end(), cbr_.begin() + 1000, cbr_.end());   // a cut first frame, too
    for (const auto& [name, bytes] : {std::pair{"tagged.mp3", tagged}, std::pair{"junk.mp3", junk}}) {
        const Decoded d = DecodeFile(Put(name, bytes));
        ASSERT_EQ(d.open, 0) << name;
        ASSERT_GT(d.frames.size(), 10u) << name;
        if (std::string(name) == "tagged.mp3") {
            EXPECT_EQ(d.frames, plain.frames);
            EXPECT_EQ(d.info.totalSamples,
                      static_cast<int32_t>(cbr_.size() * 44100.0 / (128 * 125.0)))
                << "counted over the audio data, not the tag";
        }
    }
}

TEST_F(Layer3Stream, StepBackDecodesThePreviousFrameAgain) {
    const Decoded straight = DecodeFile(Put("cbr.mp3", cbr_));
    StreamInfo* info = nullptr;
    ASSERT_EQ(InitUlx(dir_.File("cbr.mp3").c_str(), &info), 0);
    static int16_t pcm[2304];
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(Ulx(pcm), 0);
    }
    EXPECT_EQ(UlxOneBck(), 0);
    ASSERT_EQ(Ulx(pcm), 0);
    EXPECT_EQ(UlxFrameSamples(), 1152);
    // Frame 4 again; the memories hold frame 4 now as they did, so frame 5 comes out exactly.
    ASSERT_EQ(Ulx(pcm), 0);
    EXPECT_EQ(std::vector<int16_t>(pcm, pcm + 2304), straight.frames[5]);
    // Two steps back go back two frames.
    EXPECT_EQ(UlxOneBck(), 0);
    EXPECT_EQ(UlxOneBck(), 0);
    ASSERT_EQ(Ulx(pcm), 0);
    ASSERT_EQ(Ulx(pcm), 0);
    ASSERT_EQ(Ulx(pcm), 0);
    EXPECT_EQ(std::vector<int16_t>(pcm, pcm + 2304), straight.frames[6]);
    ExitUlx();
}

TEST_F(Layer3Stream, SeekNearTheEndFailsAndKeepsThePosition) {
    const Decoded straight = DecodeFile(Put("cbr.mp3", cbr_));
    StreamInfo* info = nullptr;
    ASSERT_EQ(InitUlx(dir_.File("cbr.mp3").c_str(), &info), 0);
    static int16_t pcm[2304];
    ASSERT_EQ(Ulx(pcm), 0);
    EXPECT_EQ(SeekUlx(0.999f), -3);
    EXPECT_EQ(SeekUlx(2.0f), -3);
    ASSERT_EQ(Ulx(pcm), 0);
    EXPECT_EQ(std::vector<int16_t>(pcm, pcm + 2304), straight.frames[1]);
    EXPECT_EQ(SeekUlx(0.5f), 0);
    int frames = 0;
    while (Ulx(pcm) == 0) {
        ++frames;
    }
    EXPECT_NEAR(frames, static_cast<int>(straight.frames.size()) / 2, 3);
    ExitUlx();
}

TEST_F(Layer3Stream, VariableBitrateStreamsOpenStepBackAndSeek) {
    ASSERT_TRUE(Lame("-V 2", "vbr.mp3"));
    const Decoded d = DecodeFile(dir_.File("vbr.mp3"));
    ASSERT_EQ(d.open, 0);
    // The Xing frame's count: the samples of the audio frames (the Xing frame itself decodes as
    // silence and is not counted).
    EXPECT_EQ(d.info.totalSamples, static_cast<int32_t>((d.frames.size() - 1) * 1152));
    EXPECT_GT(d.frames.size(), 70u) << "decodes to the end, across bitrate changes";

    StreamInfo* info = nullptr;
    ASSERT_EQ(InitUlx(dir_.File("vbr.mp3").c_str(), &info), 0);
    static int16_t pcm[2304];
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(Ulx(pcm), 0);
    }
    EXPECT_EQ(UlxOneBck(), 0);
    ASSERT_EQ(Ulx(pcm), 0);
    ASSERT_EQ(Ulx(pcm), 0);
    EXPECT_EQ(std::vector<int16_t>(pcm, pcm + 2304), d.frames[30]);
    EXPECT_EQ(SeekUlx(0.5f), 0);
    // After a seek the step back finds the frame before by its length.
    EXPECT_EQ(UlxOneBck(), 0);
    int rest = 0;
    while (Ulx(pcm) == 0) {
        ++rest;
    }
    EXPECT_GT(rest, 20);
    ExitUlx();
}

TEST(Layer3Reset, FirstFrameReachingBeforeTheStreamWritesNothing) {
    StreamInfo* info = nullptr;
    ASSERT_EQ(InitUlx((kStreams + "l3-sin1k0db.bit").c_str(), &info), 0);
    static int16_t pcm[2304];
    for (int i = 0; i < 5; ++i) {
        Ulx(pcm);
    }
    ASSERT_EQ(ResetUlx(), 0);
    std::fill(pcm, pcm + 2304, int16_t{1234});
    EXPECT_EQ(Ulx(pcm), 0);
    EXPECT_EQ(UlxFrameSamples(), 0);
    EXPECT_EQ(pcm[0], 1234);
    EXPECT_EQ(pcm[2303], 1234);
    EXPECT_EQ(ExitUlx(), 0);
}

} // namespace
