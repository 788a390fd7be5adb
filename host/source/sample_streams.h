#pragma once
// Sequential readers of compressed sources, as the audio source drives them: read on, step
// back, start again. Counts are 16-bit samples (a pair is two).
//
// Thread: the audio context during playback; the window thread while none runs. Nothing here
// allocates after construction.

#include "host/source/crescor_reader.h"
#include "host/startup/decoder_library.h"

#include <array>
#include <cstdint>

namespace lumisett::host {

// The host's decoder buffer: one frame of the largest kind (1152 pairs).
inline constexpr int kLayer3BufferSamples = 2304;

class SampleStream {
public:
    virtual ~SampleStream() = default;
    // Delivers up to `samples` samples; fewer at the end of the stream.
    virtual int64_t Read(int16_t* dst, int64_t samples) = 0;
    // Moves back by `samples`; false when that is impossible (the position is then unchanged).
    virtual bool StepBack(int64_t samples) = 0;
    // Back to the first sample.
    virtual void Reset() = 0;
};

class CrescorStream final : public SampleStream {
public:
    explicit CrescorStream(int fd) : reader_(fd) {}
    int64_t Read(int16_t* dst, int64_t samples) override;
    bool StepBack(int64_t samples) override;
    void Reset() override { reader_.Reset(); }

private:
    CrescorReader reader_;
};

// Decodes through the six entry points of the decoder library, one frame at a time, into a
// buffer whose undelivered samples sit at its front. Two samples of headroom before the buffer
// take back the last delivered pair after the buffer has been refilled.
class Layer3Stream final : public SampleStream {
public:
    // `info` is the decoder's record for the opened stream.
    Layer3Stream(const DecoderEntryPoints& decoder, const StreamInfo& info);
    ~Layer3Stream() override;

    int64_t Read(int16_t* dst, int64_t samples) override;
    bool StepBack(int64_t samples) override;
    void Reset() override;
    // Repositions the decoder at `fraction` of the data; buffered samples are still delivered
    // first.
    void SeekTo(float fraction);

private:
    static constexpr int kHeadroom = 2;
    bool DecodeFrame();
    bool PutBackDelivered(int64_t samples);
    bool RebuildBefore(int64_t samples);
    void StepBackOneFrame();

    DecoderEntryPoints decoder_;
    int frameSamples_;   // samples of a full frame, all channels
    int channels_;
    int mpegVersion_;
    int64_t totalFrames_;
    int64_t nextFrame_ = 0; // the frame the decoder decodes next, as far as we can tell
    std::array<int16_t, kHeadroom + kLayer3BufferSamples> buffer_{};
    int start_ = kHeadroom; // first undelivered sample
    int count_ = 0;         // undelivered samples
    std::array<int16_t, kHeadroom> lastDelivered_{};
    int delivered_ = 0;     // how many of lastDelivered_ are valid
    bool ended_ = false;
};

} // namespace lumisett::host
