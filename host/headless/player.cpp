#include "host/headless/player.h"

#include "host/engine/audio_engine.h"
#include "host/engine/transport.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace lumisett::host {
namespace {

using SteadyClock = std::chrono::steady_clock;
constexpr auto kTickPeriod = std::chrono::milliseconds(100);
// A device that hands nothing back for this long while playing has stopped.
constexpr auto kDeviceSilenceLimit = std::chrono::seconds(5);

// The headless "window thread": it sleeps until the next tick or until the device reports
// completions (notification by window).
class EventLoop final : public WindowThreadWaker {
public:
    void WakeForCompletions() override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            woken_ = true;
        }
        wake_.notify_one();
    }

    void WaitUntil(SteadyClock::time_point deadline) {
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait_until(lock, deadline, [this] { return woken_; });
        woken_ = false;
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
};

PlayResult Failed(int code, std::string text = {}) {
    PlayResult result;
    result.failure = {code, text.empty() ? FailureText(code) : std::move(text)};
    return result;
}

EngineConfig EngineConfigFrom(const HostSettings& settings) {
    return {settings.bufferPairs, settings.bufferCount, settings.notifyByWindow != 0,
            settings.overflowWatch != 0};
}

// Ticks until the end of the file has been heard. Returns an error text, or empty.
std::string RunUntilTheEnd(AudioEngine& engine, Transport& transport, EventLoop& loop, PlayResult& result) {
    auto nextTick = SteadyClock::now() + kTickPeriod;
    auto lastProgress = SteadyClock::now();
    int64_t lastWritten = engine.pairsWritten();
    for (;;) {
        loop.WaitUntil(nextTick);
        engine.RunPendingCompletions();
        const auto now = SteadyClock::now();
        if (now < nextTick) {
            continue;
        }
        nextTick += kTickPeriod;
        if (engine.CompleteRequestedStop()) {
            return "playback stopped: the output device refused a buffer";
        }
        const bool overflow = engine.bufferOverflow();
        const bool overload = engine.cpuOverload();
        if (transport.Tick()) {
            return {};
        }
        if (transport.paused()) {
            // Nobody is there to press resume: count what happened and go on.
            result.underruns += overflow;
            result.overloads += overload;
            transport.PauseButton();
        }
        if (engine.pairsWritten() != lastWritten) {
            lastWritten = engine.pairsWritten();
            lastProgress = now;
        } else if (now - lastProgress > kDeviceSilenceLimit) {
            return "playback stopped: the output device stopped playing";
        }
    }
}

} // namespace

PlayResult PlayFile(HostSession& session, const HostSettings& settings, const RunOptions& options,
                    platform::OutputDevice& device, platform::Clock& clock) {
    AudioSource source;
    if (auto failure = StartRun(session, options, source)) {
        return Failed(failure->code, failure->text);
    }
    ChainControls controls;
    ApplyRunControls(controls, settings, source);
    ProcessingChain chain(session.slots(), controls);
    OverlapAddSpectralStage spectralStage(session.slots(), controls);
    if (!PrepareSpectralStage(spectralStage, chain, settings)) {
        return Failed(0, "out of memory for the spectral stage");
    }
    AudioEngine engine(session.slots(), chain, controls, source, clock);
    Transport transport(engine, source, controls, session.statusWord());
    EventLoop loop;

    const int started = engine.Start(device, EngineConfigFrom(settings), &loop);
    if (started != kEngineStarted) {
        return Failed(started);
    }
    transport.Reset();
    PlayResult result;
    const std::string error = RunUntilTheEnd(engine, transport, loop, result);
    result.pairsPlayed = engine.pairsPlayed();
    engine.Stop();
    if (!error.empty()) {
        result.failure = {0, error};
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace lumisett::host
