#pragma once
// The correction meters of the DC-offset remover.
//
// The audio path publishes, per block and channel, the largest change the filter made (the
// correction peak). The editor's 100 ms tick turns the peaks into a level in dB, keeps the
// highest level since the last reset (the held value shown as text) and a bar target.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace lumisett::zeroline {

inline constexpr float kSilenceDb = -100.0f;

// 20 log10(peak / 32768), or -100 dB for no correction.
float LevelOfPeak(std::int32_t peak);
// The held value as the value field shows it: "%+5.1f", or "-inf" while nothing is held.
std::string HeldText(float held);
// Where the level bar heads: (level + 80) * 0.0166, empty below -80 dB (full from about
// -19.8 dB, since the bar shows at most full).
float BarTargetOf(float level);

struct ChannelReading {
    float level = kSilenceDb;
    float held = kSilenceDb;
    std::string text;
    float barTarget = 0.0f;
};
// One tick of one channel; raises `held` to the level when the level is higher.
ChannelReading ReadChannel(std::int32_t peak, float& held);

class CorrectionMeters {
public:
    static constexpr int kLeft = 0;
    static constexpr int kRight = 1;

    // Audio thread: the peaks of the latest block.
    void Publish(std::int32_t left, std::int32_t right) noexcept;

    // Window thread, every 100 ms: both channels' readings. While the host is paused the
    // peaks are cleared afterwards, so the bars fall to empty.
    std::array<ChannelReading, 2> Tick(bool paused);

    // Window thread: forget the held values (the editor's Reset, and when it opens).
    void ResetHeld();
    // Window thread, end of a stream: no peaks, nothing held.
    void Reset();

    std::int32_t peak(int channel) const { return peaks_[Index(channel)].load(std::memory_order_relaxed); }
    float held(int channel) const { return held_[Index(channel)]; }

private:
    static std::size_t Index(int channel) { return channel == kRight ? 1 : 0; }

    std::array<std::atomic<std::int32_t>, 2> peaks_{};
    std::array<float, 2> held_{kSilenceDb, kSilenceDb}; // window thread only
};

} // namespace lumisett::zeroline
