// libFuzzer target for the Crescor header check, the block decoder and the reader.
//
// The input is used three ways: as a file's first bytes for the header check, as one block's
// bytes after its head for the decoder, and as a whole file (in memory, through a descriptor)
// that the reader reads forward and steps back through by amounts taken from the input itself.
// Any crash, hang or access outside a buffer is a finding.

#include "host/source/crescor_reader.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <sys/mman.h>
#include <unistd.h>

namespace {

using lumisett::host::CrescorReader;

// One in-memory file for the whole run, rewritten for each input.
int MemoryFile() {
    static const int fd = ::memfd_create("crescor-fuzz", MFD_CLOEXEC);
    return fd;
}

bool LoadFile(int fd, std::span<const std::uint8_t> bytes) {
    if (fd < 0 || ::ftruncate(fd, 0) != 0) {
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                             static_cast<off_t>(done));
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads and steps back by amounts drawn from the input's first bytes, then to the end.
void DriveReader(int fd, std::span<const std::uint8_t> bytes) {
    static auto reader = std::make_unique<CrescorReader>(fd);
    static std::array<std::int16_t, 20000> out;
    reader->Reset();
    const std::size_t steps = bytes.size() < 16 ? bytes.size() : 16;
    for (std::size_t i = 0; i < steps; ++i) {
        const int amount = (bytes[i] & 0x7F) * 97 + 1;
        if (bytes[i] & 0x80) {
            reader->StepBack(-amount);
        } else {
            reader->Read(out.data(), amount);
        }
    }
    while (reader->Read(out.data(), static_cast<int>(out.size())) == static_cast<int>(out.size())) {
    }
    reader->StepBack(-1000000);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    lumisett::host::ParseCrescorHeader(bytes, size);

    static std::array<std::int16_t, lumisett::host::kCrescorDecodeBufferSamples> pairs;
    lumisett::host::DecodeCrescorBlock(bytes, pairs);

    const int fd = MemoryFile();
    if (LoadFile(fd, bytes)) {
        DriveReader(fd, bytes);
    }
    return 0;
}
