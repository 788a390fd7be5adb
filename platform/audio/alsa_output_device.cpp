#include "platform/audio/alsa_output_device.h"

#include "platform/audio/alsa_query.h"
#include "platform/audio/device_queue.h"

#include <alsa/asoundlib.h>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace lumisett::platform {

namespace {

// How long the controlling thread waits for the device thread to carry out a pause, a reset or
// a close before it takes the device for hung. A healthy device answers within a period.
constexpr auto kAnswerTimeout = std::chrono::seconds(3);
// Longest sleep of the device thread when nothing wakes it: it looks at its state again then,
// so that no wait depends on a wake-up alone.
constexpr int kLongestWaitMs = 500;

struct HwParamsFree {
    void operator()(snd_pcm_hw_params_t* params) const { snd_pcm_hw_params_free(params); }
};
struct SwParamsFree {
    void operator()(snd_pcm_sw_params_t* params) const { snd_pcm_sw_params_free(params); }
};

bool IsUnderrun(long error) {
    return error == -EPIPE || error == -ESTRPIPE;
}

} // namespace

// Everything the device thread works on. The controlling thread reaches it only through the
// mutex-guarded part and the published position; the PCM itself is touched by the device
// thread alone once the stream runs (an ALSA PCM is not safe to use from two threads).
struct AlsaOutputDevice::Stream {
    explicit Stream(Clock& deviceClock) : clock(deviceClock) {}
    ~Stream() {
        if (pcm != nullptr) {
            snd_pcm_close(pcm);
        }
        for (int fd : {wakeRead, wakeWrite}) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }

    bool Configure(const std::string& name, const OutputStreamConfig& config);
    void Run();

    // --- controlling thread side ---
    // Asks the device thread to act on what `change` altered and waits for its answer. False
    // when the thread did not answer in time (the device is taken for hung).
    template <typename Change>
    bool Request(Change change);
    void WakeLocked(std::unique_lock<std::mutex>& lock);

    // --- device thread side ---
    bool ApplyRequests(); // false once a close is wanted
    void UpdatePosition();
    void Recover();
    bool HandBackOne();
    void WriteQueued();
    void Fail();
    void Wait();
    void SleepOnPipe(int timeoutMs);
    void DropTo(int64_t position);
    int64_t Now() { return clock.NowMicroseconds(); }
    int64_t FramesToMs(int64_t frames) const { return frames * 1000 / rate + 1; }

    Clock& clock;

    // Fixed once Open has succeeded.
    snd_pcm_t* pcm = nullptr;
    int wakeRead = -1;
    int wakeWrite = -1;
    int32_t rate = 44100;
    int32_t periodPairs = 0;  // B: frames in one of the engine's buffers
    int32_t alsaPeriod = 0;   // the PCM's period, which it may have rounded
    int32_t bufferFrames = 0; // the PCM's buffer
    bool canPause = false;
    std::vector<int16_t> staging; // the thread copies audio here before writing it to ALSA
    std::vector<pollfd> pollFds;  // the PCM's descriptors, then the wake pipe
    int pcmFdCount = 0;

    // Shared: guarded by `mutex`.
    std::mutex mutex;
    std::condition_variable work;     // the device thread waits here while idle
    std::condition_variable answered; // the controlling thread waits here for the thread
    DeviceQueue queue;
    BufferDoneListener* listener = nullptr;
    bool pauseWanted = false;
    bool closeWanted = false;
    uint64_t resetsWanted = 0;
    uint64_t requests = 0;
    uint64_t answeredRequests = 0;
    bool refuseQueue = false;
    bool abandoned = false; // the controller gave up on the thread: no BufferDone any more
    bool failed = false;    // the PCM broke: the buffers were handed back and no more are taken
    bool exited = false;
    bool inCallback = false;
    bool wakeRequested = false;
    enum class Waiting { Nothing, Idle, Pipe, Clock } waiting = Waiting::Nothing;
    AlsaOutputDevice::StreamFacts facts;
    std::atomic<bool> cancelSleep{false};
    std::atomic<int64_t> played{0};

    // Changed by the device thread alone, under `mutex`, so that PlayedPairs can read them:
    int64_t written = 0; // stream frames written to the PCM
    Playhead playhead;   // the position when the PCM does not pace (facts.pacedByClock)

    // The device thread's own.
    uint64_t resetsDone = 0;
    int64_t position = 0; // stream frames played
    bool started = false;
    bool paused = false;
    bool hardwarePaused = false;
    bool pacingKnown = false;
    bool pacedByClock = false;
};

bool AlsaOutputDevice::Stream::Configure(const std::string& name, const OutputStreamConfig& config) {
    // Non-blocking: a PCM busy elsewhere fails at once, and no write can stall the thread.
    if (snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0) {
        pcm = nullptr;
        return false;
    }
    snd_pcm_hw_params_t* rawHw = nullptr;
    if (snd_pcm_hw_params_malloc(&rawHw) < 0) {
        return false;
    }
    const std::unique_ptr<snd_pcm_hw_params_t, HwParamsFree> hw(rawHw);
    snd_pcm_uframes_t period = static_cast<snd_pcm_uframes_t>(config.periodPairs);
    snd_pcm_uframes_t buffer = static_cast<snd_pcm_uframes_t>(config.periodPairs) * static_cast<snd_pcm_uframes_t>(config.periods);
    int direction = 0;
    if (snd_pcm_hw_params_any(pcm, rawHw) < 0 ||
        snd_pcm_hw_params_set_access(pcm, rawHw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, rawHw, SND_PCM_FORMAT_S16_LE) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, rawHw, 2) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, rawHw, static_cast<unsigned>(config.sampleRate), 0) < 0 ||
        snd_pcm_hw_params_set_period_size_near(pcm, rawHw, &period, &direction) < 0 ||
        snd_pcm_hw_params_set_buffer_size_near(pcm, rawHw, &buffer) < 0 ||
        snd_pcm_hw_params(pcm, rawHw) < 0) {
        return false;
    }
    snd_pcm_hw_params_get_period_size(rawHw, &period, &direction);
    snd_pcm_hw_params_get_buffer_size(rawHw, &buffer);
    canPause = snd_pcm_hw_params_can_pause(rawHw) != 0;

    snd_pcm_sw_params_t* rawSw = nullptr;
    if (snd_pcm_sw_params_malloc(&rawSw) < 0) {
        return false;
    }
    const std::unique_ptr<snd_pcm_sw_params_t, SwParamsFree> sw(rawSw);
    snd_pcm_uframes_t boundary = 0;
    // The thread starts the PCM itself once it has written what there is: it never starts on
    // a part of the first buffers, and never waits for a fill level the engine may not reach.
    if (snd_pcm_sw_params_current(pcm, rawSw) < 0 || snd_pcm_sw_params_get_boundary(rawSw, &boundary) < 0 ||
        snd_pcm_sw_params_set_start_threshold(pcm, rawSw, boundary) < 0 ||
        snd_pcm_sw_params_set_avail_min(pcm, rawSw, period) < 0 || snd_pcm_sw_params(pcm, rawSw) < 0) {
        return false;
    }

    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        return false;
    }
    wakeRead = pipeFds[0];
    wakeWrite = pipeFds[1];
    const int count = snd_pcm_poll_descriptors_count(pcm);
    if (count < 0) {
        return false;
    }
    pcmFdCount = count;
    pollFds.assign(static_cast<std::size_t>(count) + 1, pollfd{});
    if (count > 0 && snd_pcm_poll_descriptors(pcm, pollFds.data(), static_cast<unsigned>(count)) != count) {
        return false;
    }
    pollFds[static_cast<std::size_t>(count)] = pollfd{wakeRead, POLLIN, 0};

    rate = config.sampleRate;
    periodPairs = config.periodPairs;
    alsaPeriod = static_cast<int32_t>(period);
    bufferFrames = static_cast<int32_t>(buffer);
    staging.assign(2 * static_cast<std::size_t>(periodPairs), 0);
    queue.Reset(config.periods, config.periodPairs);
    playhead.Reset(rate, 0);
    facts = AlsaOutputDevice::StreamFacts{alsaPeriod, bufferFrames, canPause, false};
    return true;
}

// ----- controlling thread side -----

void AlsaOutputDevice::Stream::WakeLocked(std::unique_lock<std::mutex>& lock) {
    wakeRequested = true;
    const Waiting where = waiting;
    lock.unlock();
    switch (where) {
    case Waiting::Idle:
        work.notify_all();
        break;
    case Waiting::Pipe: {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(wakeWrite, &byte, 1); // full pipe: already woken
        break;
    }
    case Waiting::Clock:
        cancelSleep.store(true);
        clock.Wake();
        break;
    case Waiting::Nothing:
        break; // the thread looks at wakeRequested before its next wait
    }
    lock.lock();
}

template <typename Change>
bool AlsaOutputDevice::Stream::Request(Change change) {
    std::unique_lock lock(mutex);
    if (exited || abandoned) {
        return true;
    }
    change();
    const uint64_t serial = ++requests;
    WakeLocked(lock);
    auto deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
    while (answeredRequests < serial && !exited) {
        if (answered.wait_until(lock, deadline) == std::cv_status::timeout) {
            if (inCallback) {
                // The listener is busy, not the device: a BufferDone may take its time.
                deadline = std::chrono::steady_clock::now() + kAnswerTimeout;
            } else if (answeredRequests < serial && !exited) {
                return false;
            }
        }
    }
    return true;
}

AlsaOutputDevice::AlsaOutputDevice(std::string pcmName, Clock& clock) : pcmName_(std::move(pcmName)), clock_(clock) {}

AlsaOutputDevice::~AlsaOutputDevice() {
    Close();
}

bool AlsaOutputDevice::SupportsRate(int32_t sampleRate) {
    return alsa::AcceptsRate(pcmName_, alsa::Direction::Playback, sampleRate);
}

bool AlsaOutputDevice::Open(const OutputStreamConfig& config, BufferDoneListener* listener) {
    if (stream_ != nullptr || listener == nullptr || config.sampleRate <= 0 || config.periodPairs <= 0 ||
        config.periods <= 0) {
        return false;
    }
    auto stream = std::make_shared<Stream>(clock_);
    if (!stream->Configure(pcmName_, config)) {
        return false;
    }
    stream->listener = listener;
    closedAt_ = 0;
    thread_ = std::thread([stream] { stream->Run(); });
    stream_ = std::move(stream);
    return true;
}

bool AlsaOutputDevice::Queue(const int16_t* pairs) {
    if (stream_ == nullptr || pairs == nullptr) {
        return false;
    }
    Stream& s = *stream_;
    std::unique_lock lock(s.mutex);
    if (s.refuseQueue || s.abandoned || s.failed || s.exited || !s.queue.Push(pairs)) {
        return false;
    }
    s.WakeLocked(lock);
    return true;
}

int64_t AlsaOutputDevice::PlayedPairs() {
    if (stream_ == nullptr) {
        return closedAt_;
    }
    Stream& s = *stream_;
    std::lock_guard lock(s.mutex);
    if (s.facts.pacedByClock) {
        // Fresh from the clock rather than as of the thread's last round.
        return std::max(s.played.load(), s.playhead.Position(s.clock.NowMicroseconds(), s.written));
    }
    return s.played.load();
}

void AlsaOutputDevice::Pause() {
    if (stream_ != nullptr) {
        stream_->Request([&] { stream_->pauseWanted = true; });
    }
}

void AlsaOutputDevice::Restart() {
    if (stream_ != nullptr) {
        stream_->Request([&] { stream_->pauseWanted = false; });
    }
}

void AlsaOutputDevice::Reset() {
    if (stream_ == nullptr) {
        return;
    }
    Stream& s = *stream_;
    // A BufferDone that is running may still queue its buffer: refuse it, so that every buffer
    // is the caller's again when Reset returns.
    const bool answered = s.Request([&] {
        s.refuseQueue = true;
        ++s.resetsWanted;
    });
    std::lock_guard lock(s.mutex);
    if (!answered) {
        s.abandoned = true; // the thread reads queued audio only under the lock: drop it here
        s.queue.Clear(s.queue.end());
    }
    s.refuseQueue = false;
}

void AlsaOutputDevice::Close() {
    if (stream_ == nullptr) {
        return;
    }
    Stream& s = *stream_;
    const bool answered = s.Request([&] { s.closeWanted = true; });
    {
        std::lock_guard lock(s.mutex);
        if (!answered) {
            s.abandoned = true;
            s.queue.Clear(s.queue.end());
        }
    }
    if (answered && thread_.joinable()) {
        thread_.join();
    } else if (thread_.joinable()) {
        thread_.detach(); // it owns its share of the stream and closes the PCM if it ever returns
    }
    closedAt_ = PlayedPairs();
    stream_.reset();
}

AlsaOutputDevice::StreamFacts AlsaOutputDevice::facts() const {
    if (stream_ == nullptr) {
        return {};
    }
    std::lock_guard lock(stream_->mutex);
    return stream_->facts;
}

// ----- device thread side -----

void AlsaOutputDevice::Stream::Run() {
    while (ApplyRequests()) {
        UpdatePosition();
        if (HandBackOne()) {
            continue; // BufferDone may have queued or asked for something: look again
        }
        if (!paused) {
            WriteQueued();
        }
        Wait();
    }
    if (pcm != nullptr) {
        snd_pcm_drop(pcm);
        snd_pcm_close(pcm);
        pcm = nullptr;
    }
    std::lock_guard lock(mutex);
    exited = true;
    answered.notify_all();
}

bool AlsaOutputDevice::Stream::ApplyRequests() {
    bool pause = false;
    uint64_t resets = 0;
    uint64_t serial = 0;
    {
        std::lock_guard lock(mutex);
        if (closeWanted || abandoned) {
            return false; // a close is answered by the thread's exit
        }
        pause = pauseWanted;
        resets = resetsWanted;
        serial = requests;
    }
    if (resets != resetsDone) {
        resetsDone = resets;
        UpdatePosition();
        DropTo(position);
        std::lock_guard lock(mutex);
        if (pacedByClock) {
            playhead.Reset(rate, position);
            if (!paused) {
                playhead.Run(Now());
            }
        }
        queue.Clear(position);
    }
    if (pause && !paused) {
        UpdatePosition();
        paused = true;
        if (pacedByClock) {
            std::lock_guard lock(mutex);
            playhead.Stop(Now(), written);
        } else if (started) {
            if (canPause && snd_pcm_pause(pcm, 1) == 0) {
                hardwarePaused = true;
            } else {
                DropTo(position); // written again from here on Restart
            }
        }
    } else if (!pause && paused) {
        paused = false;
        if (pacedByClock) {
            std::lock_guard lock(mutex);
            playhead.Run(Now());
        } else if (hardwarePaused) {
            hardwarePaused = false;
            if (snd_pcm_pause(pcm, 0) < 0) {
                UpdatePosition();
                DropTo(position);
            }
        }
    }
    std::lock_guard lock(mutex);
    if (answeredRequests != serial) {
        answeredRequests = serial;
        answered.notify_all();
    }
    return true;
}

// Throws away what the PCM holds; writing goes on from `to`, which is where playback stands.
void AlsaOutputDevice::Stream::DropTo(int64_t to) {
    snd_pcm_drop(pcm);
    snd_pcm_prepare(pcm);
    started = false;
    hardwarePaused = false;
    position = std::min(position, to);
    played.store(position);
    std::lock_guard lock(mutex);
    written = to;
}

void AlsaOutputDevice::Stream::UpdatePosition() {
    if (pacedByClock) {
        std::lock_guard lock(mutex);
        position = std::max(position, playhead.Position(Now(), written));
    } else if (started && !hardwarePaused) {
        snd_pcm_sframes_t delay = 0;
        const int error = snd_pcm_delay(pcm, &delay);
        if (IsUnderrun(error) || snd_pcm_state(pcm) == SND_PCM_STATE_XRUN) {
            Recover();
        } else if (error == 0) {
            position = std::clamp<int64_t>(written - std::max<snd_pcm_sframes_t>(delay, 0), position, written);
        }
    }
    played.store(position);
}

// The PCM ran dry: everything written has been played (or is lost); the next write starts it
// again. The engine sees the underrun because the position caught up with what it wrote.
void AlsaOutputDevice::Stream::Recover() {
    if (snd_pcm_state(pcm) == SND_PCM_STATE_SUSPENDED) {
        snd_pcm_resume(pcm);
    }
    snd_pcm_prepare(pcm);
    started = false;
    if (!pacedByClock) {
        position = written;
        played.store(position);
    }
}

bool AlsaOutputDevice::Stream::HandBackOne() {
    std::unique_lock lock(mutex);
    if (abandoned || closeWanted || !queue.FrontPlayed(position)) {
        return false;
    }
    queue.PopFront();
    BufferDoneListener* const target = listener;
    inCallback = true;
    lock.unlock();
    target->BufferDone();
    lock.lock();
    inCallback = false;
    answered.notify_all(); // a controller may be timing out while the listener ran
    return true;
}

void AlsaOutputDevice::Stream::WriteQueued() {
    for (int attempts = 0; attempts < 4;) {
        snd_pcm_sframes_t room = snd_pcm_avail_update(pcm);
        if (IsUnderrun(room)) {
            Recover();
            ++attempts;
            continue;
        }
        if (room < 0) {
            Fail();
            return;
        }
        if (pacedByClock) {
            room = std::min<snd_pcm_sframes_t>(room, bufferFrames - (written - position));
        }
        int32_t frames = 0;
        {
            std::lock_guard lock(mutex);
            const int16_t* source = queue.At(written, &frames);
            frames = static_cast<int32_t>(std::min<int64_t>(frames, room));
            if (source == nullptr || frames <= 0) {
                break;
            }
            std::memcpy(staging.data(), source, static_cast<std::size_t>(frames) * 2 * sizeof(int16_t));
        }
        const snd_pcm_sframes_t count = snd_pcm_writei(pcm, staging.data(), static_cast<snd_pcm_uframes_t>(frames));
        if (count == -EAGAIN) {
            break;
        }
        if (IsUnderrun(count)) {
            Recover();
            ++attempts;
            continue;
        }
        if (count < 0) {
            Fail();
            return;
        }
        std::lock_guard lock(mutex);
        if (pacedByClock) {
            playhead.Extend(Now(), written); // a playhead that ran dry plays the new audio from now
        }
        written += count;
    }
    if (started || written == position) {
        return;
    }
    if (snd_pcm_start(pcm) < 0) {
        return; // tried again on the next round
    }
    started = true;
    if (!pacingKnown) {
        // A card holds what was just written: the delay grows and the room shrinks. A PCM that
        // shows neither does not pace, and the clock must.
        snd_pcm_sframes_t delay = 0;
        const bool noDelay = snd_pcm_delay(pcm, &delay) == 0 && delay == 0;
        pacedByClock = noDelay && snd_pcm_avail_update(pcm) >= bufferFrames;
        pacingKnown = true;
        std::lock_guard lock(mutex);
        if (pacedByClock) {
            playhead.Reset(rate, position);
            playhead.Run(Now());
        }
        facts.pacedByClock = pacedByClock;
    }
}

// The PCM broke (a device unplugged, a driver error): hand every buffer back as played, so that
// the engine hears of it through the position and its next Queue, which is refused.
void AlsaOutputDevice::Stream::Fail() {
    std::lock_guard lock(mutex);
    failed = true;
    position = std::max(position, queue.end());
    written = position;
    played.store(position);
}

void AlsaOutputDevice::Stream::SleepOnPipe(int timeoutMs) {
    ::poll(&pollFds[static_cast<std::size_t>(pcmFdCount)], 1, timeoutMs);
}

void AlsaOutputDevice::Stream::Wait() {
    std::unique_lock lock(mutex);
    if (wakeRequested || closeWanted || abandoned) {
        wakeRequested = false;
        return;
    }
    const bool unwritten = queue.end() > written;
    const bool pending = !queue.empty();
    const int64_t frontEnd = pending ? queue.front().start + periodPairs : 0;
    const int64_t tooLong = static_cast<int64_t>(kLongestWaitMs) * 1000;

    if (paused || !pending || failed) {
        // Nothing will happen until someone queues, restarts, resets or closes.
        waiting = Waiting::Idle;
        work.wait_for(lock, std::chrono::milliseconds(kLongestWaitMs), [&] { return wakeRequested; });
    } else if (pacedByClock) {
        const int64_t target = std::min(frontEnd, written);
        const int64_t now = Now();
        const int64_t due = target > position ? playhead.TimeOf(target) : now + tooLong;
        waiting = Waiting::Clock;
        cancelSleep.store(false);
        lock.unlock();
        clock.SleepUntilOrCancelled(std::min(due, now + tooLong), cancelSleep);
        lock.lock();
    } else {
        int timeoutMs = kLongestWaitMs;
        bool pollPcm = false;
        if (!started) {
            timeoutMs = 10; // the PCM would not start: try again shortly
        } else if (unwritten) {
            pollPcm = true; // wait for room
        } else {
            // Everything is written: sleep until the oldest buffer should have been played.
            timeoutMs = static_cast<int>(std::min<int64_t>(FramesToMs(frontEnd - position), kLongestWaitMs));
        }
        waiting = Waiting::Pipe;
        lock.unlock();
        if (pollPcm) {
            ::poll(pollFds.data(), pollFds.size(), timeoutMs);
            unsigned short events = 0;
            snd_pcm_poll_descriptors_revents(pcm, pollFds.data(), static_cast<unsigned>(pcmFdCount), &events);
        } else {
            SleepOnPipe(timeoutMs);
        }
        char drain[16];
        while (::read(wakeRead, drain, sizeof drain) > 0) {
        }
        lock.lock();
    }
    waiting = Waiting::Nothing;
    wakeRequested = false;
}

} // namespace lumisett::platform
