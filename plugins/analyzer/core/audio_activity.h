#pragma once
// Marks the audio thread's passes through TransData, so that the window thread can withdraw
// something the audio thread reads (a noise table, the trace buffers) and then wait until no
// pass can still be using it. The audio thread never waits.
//
// The pass announces itself before it reads any shared pointer, and the window thread
// unpublishes the pointer before it looks at the announcement, both in sequentially
// consistent order: either the window thread sees the pass and waits for it to end, or the
// pass starts late enough to see the pointer already gone.

#include <atomic>
#include <thread>

namespace lumisett::analyzer {

class AudioActivity {
public:
    class Pass {
    public:
        explicit Pass(AudioActivity& activity) noexcept : activity_(activity) {
            activity_.passes_.fetch_add(1, std::memory_order_seq_cst);
        }
        ~Pass() { activity_.passes_.fetch_sub(1, std::memory_order_release); }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;

    private:
        AudioActivity& activity_;
    };

    // Window thread, after unpublishing: returns once no pass is running. With the host's
    // chain on the window thread no pass can be running here, so it returns at once.
    void WaitUntilIdle() const noexcept {
        while (passes_.load(std::memory_order_seq_cst) != 0) {
            std::this_thread::yield();
        }
    }

private:
    std::atomic<int> passes_{0};
};

} // namespace lumisett::analyzer
