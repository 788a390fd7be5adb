// libFuzzer target for the host's file recognition and source reader: the input is a file
// that is opened as a source and read forward and backward at speeds taken from its own
// bytes. Any crash, hang or access outside a buffer is a finding.

#include "host/source/audio_source.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string InputPath() {
    static const std::string path = "/tmp/lumisett-source-fuzz-" + std::to_string(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumisett::host;
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    constexpr int32_t kPairs = 256;
    AudioSource source;
    if (source.Open(InputPath(), nullptr) != kSourceOpened) {
        return 0;
    }
    source.Start(kPairs);
    std::vector<int16_t> block(2 * kPairs);
    const float speeds[] = {1.0f, 3.5f, -2.25f, 0.5f, -16.0f, 16.0f, -0.75f};
    for (std::size_t i = 0; i < 12; ++i) {
        const float speed = speeds[(i + (size > 0 ? data[size - 1] : 0)) % 7];
        source.transport().cue = speed != 1.0f;
        source.transport().speed = speed;
        source.ReadBlock(block.data(), kPairs, static_cast<int>(i % 4));
    }
    source.Seek(source.dataOffset() + source.dataLength() / 2);
    source.Rewind();
    source.ReadBlock(block.data(), kPairs, 0);
    return 0;
}
