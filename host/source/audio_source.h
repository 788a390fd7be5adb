#pragma once
// The host's one audio source: recognising a WAV, Crescor or Layer III file, and filling each
// block from it at the player's speed, forward or backward. Positions are counted in bytes of
// 16-bit PCM as it would lie in a WAV file (2 bytes per sample and channel), whatever the type.
//
// Threads: Open, Close, Start, Seek and Rewind run on the window thread while no block is
// being read; ReadBlock runs in the audio context and allocates nothing. The transport (mode
// and speed) is written by the player at any time and read once per block.

#include "host/chain/processing_chain.h"
#include "host/settings/host_settings.h"
#include "host/source/crescor_reader.h"
#include "host/startup/decoder_library.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumisett::host {

// Results of OpenSource; the negative ones are messages of the main window's table.
inline constexpr int kSourceOpened = 1;
inline constexpr int kSourceCannotOpen = -4;
inline constexpr int kSourceReadError = -6;
inline constexpr int kSourceNotRecognised = -10;
inline constexpr int kSourceNot16Bit = -11;

inline constexpr int32_t kMaxCueSpeed = 16;

// What the player sets: play mode reads straight at speed 1; cue mode reads at `speed`
// (−16 .. 16, 0 = stop).
struct SourceTransport {
    std::atomic<bool> cue{false};
    std::atomic<float> speed{1.0f};
};

class SampleStream; // a sequential reader of a compressed source

class AudioSource final : public BlockSource {
public:
    AudioSource();
    ~AudioSource() override;
    AudioSource(const AudioSource&) = delete;
    AudioSource& operator=(const AudioSource&) = delete;

    // Opens `path` and recognises its type: Crescor, then WAV, then Layer III when `decoder`
    // is available. Returns kSourceOpened or an error code; on error nothing stays open.
    int Open(const std::string& path, const DecoderLibrary* decoder);
    void Close();
    bool isOpen() const { return fd_ >= 0; }

    // Playback start: sizes the interpolation buffer for blocks of `blockPairs` at any speed.
    void Start(int32_t blockPairs);

    void ReadBlock(int16_t* block, int32_t pairs, int channelMode) override;
    int channels() const override { return channels_; }
    int32_t sampleRate() const override { return sampleRate_; }

    // Window thread while nothing plays: move the position at once.
    void Seek(int64_t bytePosition);
    void Rewind();
    // Any thread while playing: the move happens at the start of the next ReadBlock, in the
    // audio context, so the reader is never moved under the audio thread's feet. The end flag
    // is cleared at once.
    void RequestSeek(int64_t bytePosition) { pendingSeek_.store(bytePosition); }
    void RequestRewind();
    // Crescor sources cannot be repositioned.
    bool canSeek() const;

    SourceTransport& transport() { return transport_; }
    // The device's count of queued pairs, read when the end of the source is reached.
    void SetDevicePairsWritten(const std::atomic<int64_t>* pairsWritten) { devicePairsWritten_ = pairsWritten; }

    SourceType type() const { return type_; }
    int64_t dataOffset() const { return dataOffset_; }
    int64_t dataLength() const { return dataLength_; }
    int64_t position() const { return position_.load(std::memory_order_relaxed); }
    bool endReached() const { return endReached_.load(std::memory_order_relaxed); }
    int64_t endMark() const { return endMark_.load(std::memory_order_relaxed); }
    // The stream properties of a Layer III source (null otherwise).
    const StreamInfo* streamInfo() const { return streamInfo_; }

private:
    int RecogniseWav(int64_t fileLength);
    bool RecogniseLayer3(const std::string& path, const DecoderLibrary& decoder);

    int64_t ReadUnitsAt(int64_t bytePosition, int16_t* dst, int64_t units);
    bool MoveStreamTo(int64_t bytePosition);
    void ApplyPendingMove();
    void ReadStraight(int16_t* block, int32_t pairs);
    void ReadCueForward(int16_t* block, int32_t pairs, int64_t consumedBytes);
    void ReadCueBackward(int16_t* block, int32_t pairs, int64_t consumedBytes);
    void Interpolate(int16_t* block, int32_t pairs, double start, double step, int64_t lastUnit);
    void WidenMonoUnits(int16_t* block, int32_t pairs);
    static void ApplyChannelMode(int16_t* block, int32_t pairs, int channelMode);

    int fd_ = -1;
    SourceType type_ = SourceType::Wav;
    int channels_ = 2;
    int32_t sampleRate_ = 44100;
    int64_t dataOffset_ = 0;
    int64_t dataLength_ = 0;
    std::atomic<int64_t> position_{0};
    int64_t streamPosition_ = 0; // where a sequential stream stands, in the same bytes
    std::atomic<bool> endReached_{false};
    std::atomic<int64_t> endMark_{0};
    const std::atomic<int64_t>* devicePairsWritten_ = nullptr;
    SourceTransport transport_;
    std::unique_ptr<SampleStream> stream_;
    const StreamInfo* streamInfo_ = nullptr;
    static constexpr int64_t kNoMove = -1;
    static constexpr int64_t kMoveToStart = -2;
    std::atomic<int64_t> pendingSeek_{kNoMove};
    std::vector<int16_t> interpolation_; // source units for one block at up to 16× speed
};

} // namespace lumisett::host
