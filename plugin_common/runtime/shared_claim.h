// A claim on state that the window thread and the audio context both change. The audio context
// only ever tries to take it and goes on without when it is taken; the window thread waits for
// it, which is short and bounded because the audio context holds it for one frame at most.
#pragma once

#include <atomic>
#include <thread>

namespace lumisett::plugin {

class SharedClaim {
public:
    // Audio context: true when the claim was free and is now ours. Never waits.
    bool TryTake() noexcept { return !taken_.exchange(true, std::memory_order_acquire); }
    void Release() noexcept { taken_.store(false, std::memory_order_release); }

    // Window thread: holds the claim for its lifetime, waiting for the audio context to let go.
    class WindowHold {
    public:
        explicit WindowHold(SharedClaim& claim) : claim_(claim) {
            while (!claim_.TryTake()) {
                std::this_thread::yield();
            }
        }
        ~WindowHold() { claim_.Release(); }
        WindowHold(const WindowHold&) = delete;
        WindowHold& operator=(const WindowHold&) = delete;

    private:
        SharedClaim& claim_;
    };

private:
    std::atomic<bool> taken_{false};
};

} // namespace lumisett::plugin
