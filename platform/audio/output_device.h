#pragma once
// The sound-card side of playback: an output device that plays a ring of equally sized
// buffers, hands each back when it has played it, and reports its position. The engine keeps
// M buffers of B sample pairs queued and refills each one as it comes back.
//
// Threads: BufferDone is called on the device's own thread (or, for a manually stepped
// device, on the thread that steps it); Queue may be called from inside BufferDone or from
// any one other thread. Open, Pause, Restart, Reset and Close come from the controlling thread.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace lumisett::platform {

// Time, for pacing and positions; tests inject a simulated one.
class Clock {
public:
    virtual ~Clock() = default;
    virtual int64_t NowMicroseconds() = 0;
    // Blocks until NowMicroseconds() >= `when` (a simulated clock may return at once).
    virtual void SleepUntil(int64_t when) = 0;

    // Like SleepUntil, but gives up as soon as `cancel` is true and Wake() has been called after
    // it was set. A device thread sleeps through a period this way, so that Pause, Reset and
    // Close never have to wait the period out. True when `when` was reached. The default, for
    // clocks that cannot be interrupted, looks at `cancel` only before sleeping.
    virtual bool SleepUntilOrCancelled(int64_t when, const std::atomic<bool>& cancel);
    // Makes every SleepUntilOrCancelled in progress on this clock look at its flag again.
    virtual void Wake() {}
};

// The machine's monotonic clock.
Clock& SystemClock();

// Told when the device has played a buffer: buffers come back in the order they were queued.
class BufferDoneListener {
public:
    virtual ~BufferDoneListener() = default;
    virtual void BufferDone() = 0;
};

struct OutputStreamConfig {
    int32_t sampleRate = 44100;  // 16-bit stereo PCM at this rate
    int32_t periodPairs = 4096;  // B: pairs in one buffer
    int32_t periods = 4;         // M: buffers in the ring
};

class OutputDevice {
public:
    virtual ~OutputDevice() = default;

    virtual std::string name() const = 0;
    // Query only: whether the device accepts 16-bit stereo PCM at `sampleRate`.
    virtual bool SupportsRate(int32_t sampleRate) = 0;
    // Opens the device; false when it cannot be opened. `listener` outlives the stream.
    virtual bool Open(const OutputStreamConfig& config, BufferDoneListener* listener) = 0;
    // Queues one buffer of `periodPairs` interleaved pairs. The device reads from `pairs`
    // until it hands the buffer back, so the caller must not touch it until then. False when
    // the device refused it.
    virtual bool Queue(const int16_t* pairs) = 0;
    // Pairs played since Open (the position the listener hears).
    virtual int64_t PlayedPairs() = 0;
    // Halts and resumes output; queued buffers stay queued.
    virtual void Pause() = 0;
    virtual void Restart() = 0;
    // Stops at once and drops every queued buffer without handing it back; when Reset returns,
    // no BufferDone is running or will run, and the buffers are the caller's again.
    virtual void Reset() = 0;
    virtual void Close() = 0;
};

// One entry of a device list: a name and the 16-bit stereo rates it accepts.
struct DeviceCapabilities {
    std::string name;       // what the user sees: at most 27 characters, " *" for full duplex
    uint16_t rateMask = 0;  // 1: 11025, 2: 16000, 4: 22050, 8: 32000, 16: 44100, 32: 48000
    bool fullDuplex = false;
    std::string deviceName; // the whole name, what CreateOutputDevice takes
};

inline constexpr int32_t kDeviceRates[6] = {11025, 16000, 22050, 32000, 44100, 48000};
inline constexpr int kMaxListedDevices = 10;

// How a null device paces its output.
enum class NullPacing {
    RealTime,       // plays at the stream's rate by the given clock
    AsFastAsPossible,
    Manual,         // no thread: buffers are played only by NullOutputDevice::PlayOnePeriod()
};

} // namespace lumisett::platform
