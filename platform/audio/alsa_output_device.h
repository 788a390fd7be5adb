#pragma once
// Playback through an ALSA PCM ("default" or a name from the device hints): 16-bit stereo,
// interleaved, with a period of B frames and a buffer of M periods (or what the PCM rounds
// them to).
//
// A thread of the device writes the queued buffers to the PCM in order, as room appears, and
// hands each back once its audio has been played: the position is the frames written less
// the PCM's delay. A device that runs dry is prepared again when more audio comes; the engine
// sees the underrun in the position.
//
// Some PCMs (ALSA's null and file plugins) do not pace at all: every write returns at once,
// the delay stays 0 and the whole buffer stays free. The device notices that after its first
// start and from then on plays by its Clock at the stream's rate, as a card would, so that
// playback through such a PCM runs in real time with neither false underruns nor a busy loop.

#include "platform/audio/output_device.h"

#include <memory>
#include <thread>

namespace lumisett::platform {

class AlsaOutputDevice final : public OutputDevice {
public:
    explicit AlsaOutputDevice(std::string pcmName, Clock& clock = SystemClock());
    ~AlsaOutputDevice() override;
    AlsaOutputDevice(const AlsaOutputDevice&) = delete;
    AlsaOutputDevice& operator=(const AlsaOutputDevice&) = delete;

    std::string name() const override { return pcmName_; }
    bool SupportsRate(int32_t sampleRate) override; // a query-only open of the PCM
    bool Open(const OutputStreamConfig& config, BufferDoneListener* listener) override;
    bool Queue(const int16_t* pairs) override;
    int64_t PlayedPairs() override;
    // Pause uses the PCM's own pause where it has one; elsewhere it drops what the PCM holds
    // and Restart writes it again from the position where playback stopped.
    void Pause() override;
    void Restart() override;
    void Reset() override;
    // Closes the PCM. If the device thread does not answer within a few seconds (a device that
    // hangs inside the driver), the thread is left to finish on its own and the caller goes on.
    // Must not be called from inside BufferDone.
    void Close() override;

    // What the PCM made of the stream, known once it has started.
    struct StreamFacts {
        int32_t periodFrames = 0;
        int32_t bufferFrames = 0;
        bool canPause = false;
        bool pacedByClock = false; // the PCM does not pace; the device plays by its clock
    };
    StreamFacts facts() const;

    struct Stream; // shared with the device thread, which may outlive a device that hangs

private:
    const std::string pcmName_;
    Clock& clock_;
    std::shared_ptr<Stream> stream_;
    std::thread thread_;
    int64_t closedAt_ = 0; // the position when the stream was closed
};

} // namespace lumisett::platform
