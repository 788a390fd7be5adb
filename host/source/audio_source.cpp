#include "host/source/audio_source.h"

#include "host/source/sample_streams.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

static_assert(std::endian::native == std::endian::little, "PCM is read straight into samples");

namespace lumisett::host {
namespace {

constexpr int kWavHeaderBytes = 44;
constexpr int kDataSearchReads = 10;
constexpr int kDataSearchStride = 1024;
constexpr int kDataSearchRead = kDataSearchStride + 8;
constexpr int32_t kHighestSampleRate = 384000;

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// Reads up to `size` bytes at `offset`, as many as the file holds.
int64_t ReadAt(int fd, void* dst, int64_t size, int64_t offset) {
    auto* bytes = static_cast<uint8_t*>(dst);
    int64_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, bytes + done, static_cast<size_t>(size - done), offset + done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += n;
    }
    return done;
}

bool PlayableFormat(int channels, int64_t rate) {
    return (channels == 1 || channels == 2) && rate > 0 && rate <= kHighestSampleRate;
}

int16_t ClipToSample(double value) {
    return static_cast<int16_t>(std::clamp(std::trunc(value), -32768.0, 32767.0));
}

// The byte offset just past the "data" chunk's size field, looked for in the first 10240
// bytes; -1 when it is not there.
int64_t FindDataChunk(int fd) {
    uint8_t window[kDataSearchRead];
    for (int read = 0; read < kDataSearchReads; ++read) {
        const int64_t offset = static_cast<int64_t>(read) * kDataSearchStride;
        const int64_t got = ReadAt(fd, window, kDataSearchRead, offset);
        for (int64_t i = 0; i < kDataSearchStride && i + 4 <= got; ++i) {
            if (std::memcmp(window + i, "data", 4) == 0) {
                return offset + i + 8;
            }
        }
    }
    return -1;
}

} // namespace

AudioSource::AudioSource() = default;

AudioSource::~AudioSource() {
    Close();
}

int AudioSource::Open(const std::string& path, const DecoderLibrary* decoder) {
    Close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        Close();
        return kSourceCannotOpen;
    }
    const int64_t fileLength = info.st_size;
    endReached_ = false;
    endMark_ = 0;

    if (auto header = ReadCrescorHeader(fd_);
        header && PlayableFormat(header->channels, header->sampleRate)) {
        type_ = SourceType::Crescor;
        channels_ = header->channels;
        sampleRate_ = static_cast<int32_t>(header->sampleRate);
        dataOffset_ = static_cast<int64_t>(kCrescorHeaderSize);
        dataLength_ = header->pcmLength;
        stream_ = std::make_unique<CrescorStream>(fd_);
        Rewind();
        return kSourceOpened;
    }
    const int wavResult = RecogniseWav(fileLength);
    if (wavResult == kSourceOpened) {
        return kSourceOpened;
    }
    if (decoder != nullptr && decoder->available() && RecogniseLayer3(path, *decoder)) {
        return kSourceOpened;
    }
    Close();
    return wavResult == kSourceNot16Bit ? kSourceNot16Bit : kSourceNotRecognised;
}

int AudioSource::RecogniseWav(int64_t fileLength) {
    uint8_t header[kWavHeaderBytes];
    if (ReadAt(fd_, header, kWavHeaderBytes, 0) < kWavHeaderBytes) {
        return kSourceReadError;
    }
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0 ||
        static_cast<int64_t>(Le32(header + 4)) + 8 != fileLength) {
        return 0;
    }
    if (Le16(header + 34) != 16) {
        return kSourceNot16Bit;
    }
    const int64_t dataOffset = FindDataChunk(fd_);
    const int channels = Le16(header + 22);
    const int64_t rate = Le32(header + 24);
    // A header that claims a channel count or rate nothing can play is no WAV we can use.
    if (dataOffset < 0 || !PlayableFormat(channels, rate)) {
        return 0;
    }
    type_ = SourceType::Wav;
    channels_ = channels;
    sampleRate_ = static_cast<int32_t>(rate);
    dataOffset_ = dataOffset;
    dataLength_ = std::max<int64_t>(0, fileLength - dataOffset);
    stream_.reset();
    Rewind();
    return kSourceOpened;
}

bool AudioSource::RecogniseLayer3(const std::string& path, const DecoderLibrary& decoder) {
    const DecoderEntryPoints& d = decoder.entryPoints();
    StreamInfo* info = nullptr;
    if (d.initUlx(path.c_str(), &info) != 0 || info == nullptr) {
        return false;
    }
    if (!PlayableFormat(info->channels, info->sampleRate) || info->samplesPerFrame <= 0 ||
        info->samplesPerFrame * info->channels > kLayer3BufferSamples || info->totalSamples < 0) {
        d.exitUlx();
        return false;
    }
    // The first frame is decoded once, as the decoder expects, then the stream starts over.
    int16_t firstFrame[kLayer3BufferSamples];
    d.ulx(firstFrame);
    type_ = SourceType::LayerIII;
    channels_ = info->channels;
    sampleRate_ = info->sampleRate;
    dataOffset_ = 0;
    dataLength_ = static_cast<int64_t>(info->totalSamples) * info->channels * 2;
    streamInfo_ = info;
    stream_ = std::make_unique<Layer3Stream>(d, *info);
    Rewind();
    return true;
}

void AudioSource::Close() {
    stream_.reset(); // a Layer III stream ends the decoder's stream
    streamInfo_ = nullptr;
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    channels_ = 2;
}

void AudioSource::Start(int32_t blockPairs) {
    pendingSeek_.store(kNoMove);
    // One block at up to 16 times the speed, plus room for the extra unit each read takes.
    interpolation_.assign(2 * (static_cast<std::size_t>(blockPairs) * kMaxCueSpeed + 160), 0);
    endReached_ = false;
    endMark_ = 0;
}

bool AudioSource::canSeek() const {
    return type_ != SourceType::Crescor;
}

void AudioSource::Seek(int64_t bytePosition) {
    if (!isOpen() || !canSeek()) {
        return;
    }
    const int64_t target = std::clamp(bytePosition, dataOffset_, dataOffset_ + dataLength_);
    position_ = target;
    if (type_ == SourceType::LayerIII && dataLength_ > 0) {
        static_cast<Layer3Stream&>(*stream_).SeekTo(static_cast<float>(target) /
                                                    static_cast<float>(dataLength_));
        streamPosition_ = target;
    }
}

void AudioSource::RequestRewind() {
    endReached_ = false;
    pendingSeek_.store(kMoveToStart);
}

void AudioSource::ApplyPendingMove() {
    const int64_t target = pendingSeek_.exchange(kNoMove);
    if (target == kMoveToStart) {
        Rewind();
    } else if (target != kNoMove) {
        Seek(target);
    }
}

void AudioSource::Rewind() {
    position_ = dataOffset_;
    streamPosition_ = dataOffset_;
    endReached_ = false;
    if (stream_) {
        stream_->Reset();
    }
}

bool AudioSource::MoveStreamTo(int64_t bytePosition) {
    if (bytePosition == streamPosition_) {
        return true;
    }
    // Sequential streams only go back; every forward read starts where the last one ended.
    if (bytePosition > streamPosition_ || !stream_->StepBack((streamPosition_ - bytePosition) / 2)) {
        return false;
    }
    streamPosition_ = bytePosition;
    return true;
}

int64_t AudioSource::ReadUnitsAt(int64_t bytePosition, int16_t* dst, int64_t units) {
    const int64_t unitBytes = 2 * channels_;
    if (!stream_) {
        return ReadAt(fd_, dst, units * unitBytes, bytePosition) / unitBytes;
    }
    if (!MoveStreamTo(bytePosition)) {
        return 0;
    }
    const int64_t samples = stream_->Read(dst, units * channels_);
    streamPosition_ += 2 * samples;
    return samples / channels_;
}

void AudioSource::ReadBlock(int16_t* block, int32_t pairs, int channelMode) {
    const std::size_t neededUnits = static_cast<std::size_t>(pairs) * kMaxCueSpeed + 2;
    if (!isOpen() || pairs <= 0 || interpolation_.size() < neededUnits * channels_) {
        std::fill_n(block, 2 * std::max(pairs, 0), int16_t{0});
        return;
    }
    ApplyPendingMove();
    const bool cue = transport_.cue.load(std::memory_order_relaxed);
    float speed = transport_.speed.load(std::memory_order_relaxed);
    speed = std::isfinite(speed) ? std::clamp(speed, -16.0f, 16.0f) : 0.0f;

    if (!cue || speed == 1.0f) {
        ReadStraight(block, pairs);
    } else if (speed == 0.0f) {
        std::fill_n(block, 2 * pairs, int16_t{0});
    } else {
        const int64_t unitBytes = 2 * channels_;
        const int64_t consumed =
            static_cast<int64_t>(std::trunc(static_cast<double>(pairs) * std::fabs(speed) * unitBytes)) /
            unitBytes * unitBytes;
        if (speed > 0) {
            ReadCueForward(block, pairs, consumed);
        } else {
            ReadCueBackward(block, pairs, consumed);
        }
    }
    if (channels_ == 2) {
        ApplyChannelMode(block, pairs, channelMode);
    }
}

void AudioSource::ReadStraight(int16_t* block, int32_t pairs) {
    int16_t* target = channels_ == 2 ? block : interpolation_.data();
    const int64_t got = ReadUnitsAt(position_, target, pairs);
    position_ += got * 2 * channels_;
    const bool firstEndInPlay =
        got < pairs && !transport_.cue.load(std::memory_order_relaxed) && !endReached_;
    // The audio of the last partial block is kept (for one-channel sources too: silencing
    // it would lose the end of the recording); the rest of it, and every block after it, is
    // silence.
    const int32_t kept = got == pairs || firstEndInPlay ? static_cast<int32_t>(got) : 0;
    if (channels_ == 1) {
        WidenMonoUnits(block, kept);
    }
    std::fill(block + 2 * kept, block + 2 * pairs, int16_t{0});
    if (firstEndInPlay) {
        endMark_ = devicePairsWritten_ != nullptr ? devicePairsWritten_->load() : 0;
        endReached_ = true;
    }
}

void AudioSource::ReadCueForward(int16_t* block, int32_t pairs, int64_t consumedBytes) {
    const int64_t units = consumedBytes / (2 * channels_);
    if (ReadUnitsAt(position_, interpolation_.data(), units + 1) < units + 1) {
        std::fill_n(block, 2 * pairs, int16_t{0});
        return;
    }
    // The last unit read is read again by the next block, so consecutive blocks join.
    position_ += consumedBytes;
    const double step = static_cast<double>(units) / pairs;
    Interpolate(block, pairs, 0.0, step, units);
}

void AudioSource::ReadCueBackward(int16_t* block, int32_t pairs, int64_t consumedBytes) {
    const int64_t unitBytes = 2 * channels_;
    const int64_t units = consumedBytes / unitBytes;
    const int64_t start = position_ - consumedBytes - unitBytes;
    // Never before the first sample: a WAV's header is no audio.
    if (start < dataOffset_ || ReadUnitsAt(start, interpolation_.data(), units + 1) < units + 1) {
        std::fill_n(block, 2 * pairs, int16_t{0});
        return;
    }
    position_ -= consumedBytes;
    const double step = static_cast<double>(units) / pairs;
    // The first pair lies one step beyond the last unit read (extrapolated from the last two),
    // so consecutive backward blocks join without a gap.
    Interpolate(block, pairs, static_cast<double>(units) + step, -step, units);
}

void AudioSource::Interpolate(int16_t* block, int32_t pairs, double start, double step,
                              int64_t lastUnit) {
    const int16_t* units = interpolation_.data();
    // Each pair lies between unit n and unit n + 1; n never passes the last unit read but one,
    // so the first backward pair, one step beyond the last unit, is extrapolated from the last
    // two units.
    const int64_t highestN = std::max<int64_t>(0, lastUnit - 1);
    double t = start;
    for (int32_t i = 0; i < pairs; ++i, t += step) {
        const int64_t n = std::clamp<int64_t>(static_cast<int64_t>(t), 0, highestN);
        const double f = t - static_cast<double>(n);
        for (int c = 0; c < channels_; ++c) {
            const double here = units[n * channels_ + c];
            const double next = n < lastUnit ? units[(n + 1) * channels_ + c] : here;
            block[2 * i + c] = ClipToSample(next * f + here * (1.0 - f));
        }
        if (channels_ == 1) {
            block[2 * i + 1] = block[2 * i];
        }
    }
}

void AudioSource::WidenMonoUnits(int16_t* block, int32_t pairs) {
    // Backwards, so that the widening could even run in place.
    for (int32_t i = pairs - 1; i >= 0; --i) {
        const int16_t sample = interpolation_[static_cast<std::size_t>(i)];
        block[2 * i] = sample;
        block[2 * i + 1] = sample;
    }
}

void AudioSource::ApplyChannelMode(int16_t* block, int32_t pairs, int channelMode) {
    for (int32_t i = 0; i < 2 * pairs; i += 2) {
        switch (channelMode) {
        case 1: // mono: the mean, rounded toward minus infinity
            block[i] = block[i + 1] = static_cast<int16_t>((block[i] + block[i + 1]) >> 1);
            break;
        case 2:
            block[i + 1] = block[i];
            break;
        case 3:
            block[i] = block[i + 1];
            break;
        default:
            break;
        }
    }
}

} // namespace lumisett::host
