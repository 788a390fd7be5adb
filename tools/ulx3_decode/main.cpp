// ulx3-decode IN OUT.raw: decodes a Layer III file with the decoder's entry points and writes
// each frame's PCM as it comes (raw signed 16-bit little-endian, interleaved for two
// channels). The stream information goes to standard error.
#include "decoder/ulx3_api.h"

#include <cstdio>
#include <cstring>

namespace {

const char* InitMessage(int32_t code) {
    switch (code) {
    case -1: return "no frame header at the data start";
    case -2: return "the data start holds an MPEG-2.5 sync, which is not supported";
    case -5: return "the file cannot be opened";
    case -6: return "not a decodable Layer III stream (other layer, free format, or a single frame)";
    default: return "unknown error";
    }
}

bool WriteLittleEndian(std::FILE* out, const int16_t* samples, int count) {
    unsigned char bytes[1152 * 2 * 2];
    for (int i = 0; i < count; ++i) {
        const auto value = static_cast<uint16_t>(samples[i]);
        bytes[2 * i] = static_cast<unsigned char>(value & 0xFF);
        bytes[2 * i + 1] = static_cast<unsigned char>(value >> 8);
    }
    return std::fwrite(bytes, 2, static_cast<size_t>(count), out) == static_cast<size_t>(count);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: ulx3-decode IN OUT.raw\n");
        return 2;
    }
    StreamInfo* info = nullptr;
    const int32_t result = InitUlx(argv[1], &info);
    if (result != 0) {
        std::fprintf(stderr, "ulx3-decode: %s: InitUlx error %d: %s\n", argv[1], result,
                     InitMessage(result));
        return 1;
    }
    std::fprintf(stderr,
                 "version %d\nlayer %d\nchannels %d\nbitrate %d\nsample rate %d\n"
                 "bits per sample %d\nsamples per frame %d\ntotal samples %d\n",
                 info->version, info->layer, info->channels, info->bitrate, info->sampleRate,
                 info->bitsPerSample, info->samplesPerFrame, info->totalSamples);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "ulx3-decode: cannot create %s\n", argv[2]);
        ExitUlx();
        return 1;
    }
    static int16_t pcm[1152 * 2];
    bool ok = true;
    int32_t status = 0;
    do {
        status = Ulx(pcm);
        const int samples = UlxFrameSamples() * info->channels;
        if (samples > 0 && !WriteLittleEndian(out, pcm, samples)) {
            ok = false;
        }
    } while (status != -4 && ok);
    ExitUlx();
    if (std::fclose(out) != 0 || !ok) {
        std::fprintf(stderr, "ulx3-decode: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
