#pragma once
// The host's spectral stage: a short-time Fourier transform with overlap-add around the
// spectral plug-ins. It cuts the stream into frames of N = 2K samples per channel that overlap
// by a taper of L samples, transforms each frame, hands the spectrum frame (magnitude and gain
// rows, 4K floats) to every spectral plug-in and to the analyzer in slot order, applies the
// gains the plug-ins left, transforms back and overlap-adds the result. The block handed in is
// replaced by the block that entered one call earlier, fully processed: the stage delays the
// audio by exactly one block.
//
// Threads:
// - Start runs on the window thread while no block is processed (playback start). It sizes
//   everything from the block length and prepares a transform for every size that fits.
// - SetupTransform runs on the window thread at any time, also during playback. It only
//   publishes K and v; the audio thread adopts them at the start of its next block. Taper,
//   hop and transform are therefore never changed under a frame in progress.
// - ProcessBlock runs in the audio context: no allocation, no lock, no file.

#include "host/chain/fft/real_fft.h"
#include "host/chain/processing_chain.h"
#include "host/plugins/chain_slots.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace lumisett::host {

inline constexpr int32_t kMinHalfTransform = fft::kMinRealFftSize / 2;
inline constexpr int32_t kMaxHalfTransform = fft::kMaxRealFftSize / 2;
inline constexpr int32_t kDefaultHalfTransform = 1024;
inline constexpr float kMinOverlap = 0.1f;
inline constexpr float kMaxOverlap = 1.0f;
inline constexpr float kDefaultOverlap = 0.5f;

// How frames are cut for a transform of N = 2K samples and an overlap fraction v.
struct FrameShape {
    int32_t size = 0;  // N
    int32_t taper = 0; // L = trunc(N·v/2): samples shared with each neighbouring frame
    int32_t hop = 0;   // H = N − L: distance between frame starts
};
FrameShape ShapeFor(int32_t halfTransform, float overlap);

// The rising half of a sine window over taper.size() samples. w[i]² + w[L−1−i]² = 1, so a
// frame's fading end and the next frame's rising start, each windowed twice, add up to one.
void FillTaper(std::span<float> taper);

// A processed value as a sample: rounded to the nearest integer with ties to even (the
// thread's rounding mode, which the audio thread keeps at round-to-nearest) and clipped to 16
// bits. NaN, which only a broken gain can produce, becomes silence rather than full scale.
int16_t ToSample(float value);

class OverlapAddSpectralStage final : public SpectralStage {
public:
    OverlapAddSpectralStage(const ChainSlots& slots, const ChainControls& controls);

    // Window thread, while no block is processed: sizes the work area from the block length B
    // (a ring of 2B pairs and a mirror of B pairs), prepares the transforms of every size up to
    // min(B, 8192), and zero-fills the stream state. Takes the K and v last set up. Returns
    // false when B leaves no room for the smallest transform; the stage then leaves blocks
    // untouched.
    bool Start(int32_t blockPairs);

    // Window thread, any time: transform size 2K (K = 128 .. 4096, a power of two) and overlap
    // v (0.1 .. 1.0) for the next block. An invalid K is ignored; v is limited to its range.
    // A size larger than the block is limited to the block length when adopted.
    void SetupTransform(int32_t halfTransform, float overlap);

    // Audio context.
    void ProcessBlock(int16_t* block, int32_t pairs, int32_t rate, int channelMode,
                      bool bypassAll) override;

    // The spectrum frame of the last frame processed, 4K floats; for tests, between blocks.
    std::span<const float> lastFrame() const {
        return std::span<const float>(spectrum_).first(4 * static_cast<std::size_t>(half_));
    }

private:
    struct Channel {
        std::vector<float> frame; // N values: samples, then spectrum, then output
        std::vector<float> tail;  // the previous frame's fading end, L values
        float dc = 0.0f;          // bin 0 times u, kept aside while the plug-ins run
        bool tailStale = false;   // the channel skipped frames; its tail is from long ago
    };
    struct FrameCall {
        int32_t rate;
        int mask;       // 3 in stereo mode, 1 in the mono modes
        bool bypassAll;
        bool stereo;    // the right channel is transformed too
    };

    void AdoptRequestedShape();
    void StoreBlock(const int16_t* block);
    void ProcessFrame(const FrameCall& call);
    void Analyse(int channel, float* magnitudes, float* gains);
    void RunSpectralPlugIns(const FrameCall& call);
    TransDataFn AnalyzerTakingPart() const;
    void Synthesise(int channel, const float* gains);
    void MirrorOverrun();

    const ChainSlots& slots_;
    const ChainControls& controls_;

    // K and v as set up by the window thread: K in the high half, v's bits in the low half, so
    // that the audio thread always reads a pair that belongs together.
    std::atomic<uint64_t> requested_;

    // --- the audio thread's own state, sized by Start -----------------------------------
    int32_t blockPairs_ = 0;
    int32_t largestSize_ = 0;
    std::array<fft::RealFft, 6> transforms_; // N = 256, 512, ..., 8192
    fft::RealFft* transform_ = nullptr;
    uint64_t adopted_ = 0; // the requested_ value the shape below was made from
    FrameShape shape_;
    int32_t half_ = 0;         // K
    float unitGain_ = 0.0f;    // u = 1/K: the gain preset, which holds the inverse's scaling
    float magnitudeScale_ = 0.0f; // g = sqrt(1/K)
    std::vector<float> taper_;
    std::vector<int16_t> work_; // 3B pairs: a ring of 2B pairs, then a mirror of its first B
    bool secondHalfNext_ = false; // f: the next block goes to ring pairs [B, 2B)
    int32_t readPosition_ = 0;    // R, in 16-bit samples: where the next frame starts
    std::array<Channel, 2> channels_;
    std::vector<float> spectrum_; // the spectrum frame: 4K floats
    std::vector<float> scratch_;  // what kind-1 plug-ins work on while bypass-all is on
};

} // namespace lumisett::host
