// libFuzzer target for the Layer III decoder: the input is a file that is opened and decoded
// with Ulx, stepped back and sought at places taken from its own bytes. Any crash, hang or
// access outside a buffer is a finding.

#include "decoder/ulx3_api.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string InputPath() {
    static const std::string path = "/tmp/lumisett-ulx3-fuzz-" + std::to_string(::getpid());
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(InputPath().c_str(), "wb");
    if (file == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    StreamInfo* info = nullptr;
    if (InitUlx(InputPath().c_str(), &info) == 0) {
        static int16_t pcm[1152 * 2];
        const std::uint8_t control = size > 0 ? data[size - 1] : 0;
        for (int frame = 0; frame < 400; ++frame) {
            if (Ulx(pcm) != 0) {
                break;
            }
            if (frame % 7 == (control & 7)) {
                UlxOneBck();
            }
            if (frame == 50) {
                SeekUlx(static_cast<float>(control) / 255.0f);
            }
            if (frame == 120) {
                ResetUlx();
            }
        }
        ExitUlx();
    }
    ::unlink(InputPath().c_str());
    return 0;
}
