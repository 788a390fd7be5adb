#pragma once
// Pieces that the output devices share: the queue of buffers a device holds, numbered by the
// stream frames they cover, and a playhead that a clock moves. Neither is thread safe: each
// device guards them with its own mutex or keeps them on its own thread.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace lumisett::platform {

// Buffers queued and not yet handed back, oldest first. Buffer k covers the stream frames
// [start, start + periodFrames); a buffer's start is where the previous one ended, so the
// queue is one run of frames from front().start to end().
class DeviceQueue {
public:
    struct Buffer {
        const int16_t* pairs = nullptr;
        int64_t start = 0;
    };

    // Room for `capacity` buffers of `periodFrames` pairs; the next buffer starts at `start`.
    void Reset(int capacity, int32_t periodFrames, int64_t start = 0) {
        slots_.assign(static_cast<std::size_t>(std::max(capacity, 1)), Buffer{});
        periodFrames_ = periodFrames;
        head_ = 0;
        count_ = 0;
        end_ = start;
    }

    int32_t periodFrames() const { return periodFrames_; }
    bool empty() const { return count_ == 0; }
    int count() const { return count_; }
    // The frame after the last queued buffer.
    int64_t end() const { return end_; }

    // False when the queue is full (never allocates).
    bool Push(const int16_t* pairs) {
        if (count_ == static_cast<int>(slots_.size())) {
            return false;
        }
        slots_[(head_ + count_) % slots_.size()] = Buffer{pairs, end_};
        ++count_;
        end_ += periodFrames_;
        return true;
    }

    const Buffer& front() const { return slots_[head_]; }
    // Whether the oldest buffer has been played up to its end.
    bool FrontPlayed(int64_t played) const { return count_ > 0 && front().start + periodFrames_ <= played; }
    void PopFront() {
        head_ = (head_ + 1) % slots_.size();
        --count_;
    }

    // Drops every buffer; the next one starts at `start`.
    void Clear(int64_t start) {
        count_ = 0;
        end_ = start;
    }

    // The queued samples at stream frame `frame`: where they are and how many frames follow in
    // the same buffer. Null when no queued buffer holds that frame.
    const int16_t* At(int64_t frame, int32_t* frames) const {
        for (int i = 0; i < count_; ++i) {
            const Buffer& buffer = slots_[(head_ + i) % slots_.size()];
            if (frame >= buffer.start && frame < buffer.start + periodFrames_) {
                const int64_t offset = frame - buffer.start;
                *frames = static_cast<int32_t>(periodFrames_ - offset);
                return buffer.pairs + 2 * offset;
            }
        }
        *frames = 0;
        return nullptr;
    }

private:
    std::vector<Buffer> slots_;
    int32_t periodFrames_ = 0;
    int head_ = 0;
    int count_ = 0;
    int64_t end_ = 0;
};

// Where playback paced by a clock has got to. While it runs, frames go by at the stream's rate;
// it never passes the end of the audio it was given (`limit`), and when it has reached that end
// it waits there, so that audio given later plays from the moment it came.
class Playhead {
public:
    void Reset(int32_t rate, int64_t frames) {
        rate_ = rate;
        frames_ = frames;
        running_ = false;
    }

    bool running() const { return running_; }

    // Starts moving at `now` (a running playhead keeps its pace).
    void Run(int64_t now) {
        if (!running_) {
            anchorTime_ = now;
            running_ = true;
        }
    }

    // Stands still at the position reached by `now`.
    void Stop(int64_t now, int64_t limit) {
        frames_ = Position(now, limit);
        running_ = false;
    }

    int64_t Position(int64_t now, int64_t limit) const {
        if (!running_ || now <= anchorTime_) {
            return std::min(frames_, limit);
        }
        return std::min(limit, frames_ + (now - anchorTime_) * rate_ / kMicroseconds);
    }

    // Call before giving the playhead more audio than `limit`: if it already stands at the end,
    // the new audio starts playing now rather than back when the old audio ran out.
    void Extend(int64_t now, int64_t limit) {
        if (running_ && Position(now, limit) >= limit) {
            frames_ = limit;
            anchorTime_ = now;
        }
    }

    // The clock time at which a running playhead reaches `frame`.
    int64_t TimeOf(int64_t frame) const {
        const int64_t frames = std::max<int64_t>(frame - frames_, 0);
        return anchorTime_ + (frames * kMicroseconds + rate_ - 1) / rate_;
    }

private:
    static constexpr int64_t kMicroseconds = 1'000'000;

    int32_t rate_ = 44100;
    int64_t frames_ = 0;     // position at anchorTime_ (or where it stands)
    int64_t anchorTime_ = 0;
    bool running_ = false;
};

} // namespace lumisett::platform
