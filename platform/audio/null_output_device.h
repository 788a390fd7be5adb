#pragma once
// An output device without a sound card: it consumes the buffers queued to it at the pace the
// caller chooses and discards them. Used where the machine has no sound card, for rendering,
// and by tests.
//
// RealTime: plays one period every B / rate seconds of the given clock, on its own thread.
// AsFastAsPossible: hands every buffer back as soon as its thread gets to it.
// Manual: has no thread; PlayOnePeriod() plays one buffer on the calling thread, so that
// engine tests decide exactly when each buffer comes back.

#include "platform/audio/device_queue.h"
#include "platform/audio/output_device.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace lumisett::platform {

class NullOutputDevice final : public OutputDevice {
public:
    explicit NullOutputDevice(NullPacing pacing, Clock& clock = SystemClock());
    ~NullOutputDevice() override;
    NullOutputDevice(const NullOutputDevice&) = delete;
    NullOutputDevice& operator=(const NullOutputDevice&) = delete;

    std::string name() const override { return "null"; }
    bool SupportsRate(int32_t sampleRate) override; // any rate from 8000 to 192000
    bool Open(const OutputStreamConfig& config, BufferDoneListener* listener) override;
    bool Queue(const int16_t* pairs) override;
    // RealTime: the whole periods played and the part of the current one that has gone by,
    // never more than was queued. Otherwise the pairs of the buffers handed back.
    int64_t PlayedPairs() override;
    void Pause() override;
    void Restart() override;
    void Reset() override;
    // Must not be called from inside BufferDone.
    void Close() override;

    // Manual pacing: plays the oldest queued buffer and hands it back on the calling thread.
    // False, and nothing played, when nothing is queued, the device is paused or not open, or
    // when called from inside BufferDone.
    bool PlayOnePeriod();

    // Buffers queued and not handed back yet.
    int QueuedBuffers();

    // Sees every buffer as it is played, on the thread that hands it back, just before
    // BufferDone: lets a test hear what the device played. Set it before Open.
    using PlayedTap = std::function<void(const int16_t* pairs, int32_t pairCount)>;
    void SetPlayedTap(PlayedTap tap) { tap_ = std::move(tap); }

private:
    void Run();
    // Pops the oldest buffer and hands it back with the lock released.
    void HandBackFront(std::unique_lock<std::mutex>& lock);
    // Waits until no BufferDone runs on another thread.
    void WaitForCallbackLocked(std::unique_lock<std::mutex>& lock);
    // Gets the device thread to look at the state again, wherever it waits.
    void WakeThread();
    int64_t PlayedLocked();

    const NullPacing pacing_;
    Clock& clock_;
    PlayedTap tap_;

    std::mutex mutex_;
    std::condition_variable work_;         // the thread waits here while it has nothing to play
    std::condition_variable callbackDone_; // Reset and Close wait here for a running BufferDone
    std::atomic<bool> cancelSleep_{false}; // ends the thread's sleep on the clock
    OutputStreamConfig config_;
    BufferDoneListener* listener_ = nullptr;
    DeviceQueue queue_;
    Playhead playhead_;       // RealTime position
    int64_t handedBack_ = 0;  // pairs of the buffers handed back, for the other pacings
    bool open_ = false;
    bool paused_ = false;
    bool closing_ = false;
    bool refuseQueue_ = false;
    bool wakeRequested_ = false;
    bool inCallback_ = false;
    std::thread::id callbackThread_;
    std::thread thread_;
};

} // namespace lumisett::platform
