// A stand-in for the Layer III decoder library, for tests of the host's side: it exports the
// six entry points (DECODER_WITHOUT_EXIT leaves out ExitUlx) and UlxFrameSamples, and serves
// known PCM from files that begin with "FAKEULX3", followed by four little-endian int32:
// channels, sample rate, frame count, MPEG version. Frames hold 1152 (version 1) or 576
// (version 2) samples per channel; sample k of the stream (interleaved) is FakeSample(k).
// Any other file is refused as a Layer III file would be.

#include "decoder/ulx3_api.h"
#include "plugin_common/effect_api.h"

#include <cstdio>
#include <cstring>

namespace {

StreamInfo g_info;
int32_t g_frames = 0;
int32_t g_next = 0;       // the frame the next Ulx call decodes
int32_t g_lastSamples = 0;

int16_t FakeSample(int64_t k) {
    return static_cast<int16_t>((k * 37) % 30011 - 15000);
}

int32_t Le32(const unsigned char* p) {
    return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<unsigned>(p[3]) << 24);
}

} // namespace

extern "C" {

LUMISETT_EXPORT int32_t InitUlx(const char* path, StreamInfo** info) {
    unsigned char header[24] = {};
    FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return -5;
    }
    const size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (got < sizeof header || std::memcmp(header, "FAKEULX3", 8) != 0) {
        return -1;
    }
    std::memset(&g_info, 0, sizeof g_info);
    g_info.channels = static_cast<int16_t>(Le32(header + 8));
    g_info.sampleRate = Le32(header + 12);
    g_frames = Le32(header + 16);
    g_info.version = static_cast<int16_t>(Le32(header + 20));
    g_info.layer = 3;
    g_info.bitrate = 128;
    g_info.bitsPerSample = 16;
    g_info.samplesPerFrame = static_cast<int16_t>(g_info.version == 2 ? 576 : 1152);
    g_info.totalSamples = g_frames * g_info.samplesPerFrame;
    g_next = 0;
    *info = &g_info;
    return 0;
}

LUMISETT_EXPORT int32_t Ulx(int16_t* pcm) {
    const int32_t frameSamples = g_info.samplesPerFrame * g_info.channels;
    g_lastSamples = 0;
    if (g_next < g_frames) {
        const int64_t first = static_cast<int64_t>(g_next) * frameSamples;
        for (int32_t i = 0; i < frameSamples; ++i) {
            pcm[i] = FakeSample(first + i);
        }
        g_lastSamples = g_info.samplesPerFrame;
        ++g_next;
    }
    return g_next < g_frames ? 0 : -4;
}

LUMISETT_EXPORT int32_t UlxFrameSamples(void) { return g_lastSamples; }

LUMISETT_EXPORT int32_t UlxOneBck(void) {
    if (g_next > 0) --g_next;
    return 0;
}

LUMISETT_EXPORT int32_t SeekUlx(float fraction) {
    g_next = static_cast<int32_t>(fraction * static_cast<float>(g_frames));
    return 0;
}

LUMISETT_EXPORT int32_t ResetUlx(void) {
    g_next = 0;
    return 0;
}

#ifndef DECODER_WITHOUT_EXIT
LUMISETT_EXPORT int32_t ExitUlx(void) { return 0; }
#endif

} // extern "C"
