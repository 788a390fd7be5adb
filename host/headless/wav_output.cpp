#include "host/headless/wav_output.h"

#include <array>
#include <bit>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little, "samples are written as they lie");

namespace lumisett::host {
namespace {

constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - 36;

void Put(std::array<uint8_t, 44>& header, std::size_t offset, uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        header[offset + static_cast<std::size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
    }
}

std::array<uint8_t, 44> Header(int32_t rate, uint64_t dataBytes) {
    std::array<uint8_t, 44> h{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E',
                              'f', 'm', 't', ' ', 16, 0, 0, 0};
    Put(h, 4, static_cast<uint32_t>(36 + dataBytes), 4);
    Put(h, 20, 1, 2); // PCM
    Put(h, 22, 2, 2);
    Put(h, 24, static_cast<uint32_t>(rate), 4);
    Put(h, 28, static_cast<uint32_t>(rate) * 4, 4);
    Put(h, 32, 4, 2);
    Put(h, 34, 16, 2);
    h[36] = 'd';
    h[37] = 'a';
    h[38] = 't';
    h[39] = 'a';
    Put(h, 40, static_cast<uint32_t>(dataBytes), 4);
    return h;
}

} // namespace

WavOutput::~WavOutput() {
    Discard();
}

void WavOutput::Discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
        ::unlink(temporary_.c_str());
    }
}

bool WavOutput::Create(const std::string& path, int32_t sampleRate) {
    Discard();
    path_ = path;
    sampleRate_ = sampleRate;
    dataBytes_ = 0;
    temporary_ = path + ".partial-XXXXXX";
    const int fd = ::mkstemp(temporary_.data());
    if (fd < 0) {
        return false;
    }
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temporary_.c_str());
        return false;
    }
    const auto header = Header(sampleRate, 0);
    return std::fwrite(header.data(), 1, header.size(), file_) == header.size();
}

bool WavOutput::Append(std::span<const int16_t> samples) {
    if (file_ == nullptr || dataBytes_ + samples.size_bytes() > kMaxDataBytes) {
        return false;
    }
    dataBytes_ += samples.size_bytes();
    return std::fwrite(samples.data(), sizeof(int16_t), samples.size(), file_) == samples.size();
}

bool WavOutput::Finish() {
    if (file_ == nullptr) {
        return false;
    }
    const auto header = Header(sampleRate_, dataBytes_);
    bool ok = std::fseek(file_, 0, SEEK_SET) == 0 &&
              std::fwrite(header.data(), 1, header.size(), file_) == header.size() &&
              std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    ::fchmod(::fileno(file_), 0644);
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok || std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        ::unlink(temporary_.c_str());
        return false;
    }
    return true;
}

} // namespace lumisett::host
