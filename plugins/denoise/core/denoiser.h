#pragma once
// The de-noiser's processing state: the noise profile and its kinds, the noise table the gain
// rule reads, the fingerprint recording, and the band levels the editor draws.
//
// Threads. Process runs in the audio context; everything else runs on the window thread.
// The profile, the user profile and the working table belong to whichever thread holds the
// `claim_` flag. The window thread claims it for a whole operation (a profile switch, the
// start or stop of a recording, a loaded profile), waiting at most for the frame in progress;
// the audio thread only tries to claim it at the start of a frame and never waits: when the
// window thread holds it, that frame is processed with the table of the frame before. The
// table the gain rule reads (the public one, whose address the analyzer keeps) is written by
// the audio thread alone, from the working table, at the start of a frame it has claimed, so
// no frame ever meets a half-written table and no accumulation interleaves with the averaging
// at stop.

#include "plugin_common/runtime/shared_claim.h"
#include "plugins/denoise/core/spectral_rules.h"

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

namespace lumisett::denoise {

inline constexpr std::int32_t kDefaultRate = 44100;
inline constexpr std::int32_t kDefaultBins = 1024;
inline constexpr std::int32_t kMaxProfileLength = 16384;

// Where a user profile came from: the rate and bin count it was recorded with.
struct ProfileOrigin {
    std::int32_t rate = 0;
    std::int32_t bins = 0;
};

class Denoiser {
public:
    Denoiser() = default;
    ~Denoiser();
    Denoiser(const Denoiser&) = delete;
    Denoiser& operator=(const Denoiser&) = delete;

    // InitEffect: takes every buffer from the plug-in's aligned table for the profile length
    // `n` (1 .. kMaxProfileLength), loads the white profile and builds the table for 1024 bins.
    // False when `n` is out of range or memory ran out (nothing is then kept).
    bool Init(std::int32_t n, double threshold, float reduction);
    // ExitEffect: returns the buffers. Harmless when not initialised.
    void Exit();
    bool initialised() const { return profile_ != nullptr; }
    std::int32_t profileLength() const { return n_; }

    // OpenEffect and CloseEffect.
    void Open();
    void Close();

    // --- window thread: the operations of the editor and the headless keys -------------
    // 0 white, 1 pink, 2 user. The user kind is refused (false) until a user profile exists;
    // any other value is refused too.
    bool SelectProfile(std::int32_t kind);
    void StartRecording();
    // True when the recording captured at least one frame and is now the selected user profile.
    bool StopRecording();
    // Takes `values` (2·M entries, any M) as the user profile, resampled to this profile
    // length, and selects it. False (nothing changed) when the size is odd or zero.
    bool LoadUserProfile(std::span<const float> values, ProfileOrigin origin);
    // The user profile (2·N entries), empty before the first one.
    std::vector<float> UserProfile(ProfileOrigin* origin = nullptr);

    // T lives in a plain double because the analyzer reads it through the address GetNoiseTab
    // hands out; our own threads reach it atomically.
    void SetThreshold(double t) noexcept {
        std::atomic_ref<double>(*threshold_).store(t, std::memory_order_relaxed);
    }
    double threshold() const noexcept {
        return std::atomic_ref<double>(*threshold_).load(std::memory_order_relaxed);
    }
    void SetReduction(float r) noexcept { reduction_.store(r, std::memory_order_relaxed); }
    float reduction() const noexcept { return reduction_.load(std::memory_order_relaxed); }

    std::int32_t profileKind() const noexcept { return kind_.load(std::memory_order_relaxed); }
    bool userProfileAvailable() const noexcept { return userAvailable_.load(std::memory_order_relaxed); }
    bool recording() const noexcept { return recording_.load(std::memory_order_relaxed); }
    std::int32_t recordedFrames() const noexcept { return frames_.load(std::memory_order_relaxed); }
    bool running() const noexcept { return running_.load(std::memory_order_relaxed); }
    bool levelsValid() const noexcept { return levelsValid_.load(std::memory_order_relaxed); }
    std::int32_t currentRate() const noexcept { return rate_.load(std::memory_order_relaxed); }
    std::int32_t currentBins() const noexcept { return bins_.load(std::memory_order_relaxed); }

    // The level accumulator: read, decay and reset race harmlessly with the audio thread's
    // additions (a lost addition only disturbs one display value).
    std::atomic<float>& levelSum() noexcept { return levelSum_; }
    std::atomic<std::int32_t>& levelCount() noexcept { return levelCount_; }
    std::span<const std::atomic<float>, kBandCount> inputLevels() const noexcept {
        return std::span<const std::atomic<float>, kBandCount>(inputLevels_, kBandCount);
    }
    std::span<const std::atomic<float>, kBandCount> removedLevels() const noexcept {
        return std::span<const std::atomic<float>, kBandCount>(removedLevels_, kBandCount);
    }
    // Clears the band levels 0 .. count-1 (the scope's set-up).
    void ClearLevels(int count) noexcept;

    // GetNoiseTab: addresses that stay the same from Init to Exit.
    float* noiseTable() noexcept { return publicTable_; }
    double* thresholdAddress() noexcept { return threshold_; }

    // --- audio context ------------------------------------------------------------------
    void Process(std::int32_t rate, std::int32_t mode, std::int32_t bins, float* frame) noexcept;

    // For tests: the band edges last built.
    std::span<const std::int32_t, kBandCount> bandEdges() const noexcept {
        return std::span<const std::int32_t, kBandCount>(bandEdges_, kBandCount);
    }

private:
    std::span<float> Profile() { return {profile_, 2 * static_cast<std::size_t>(n_)}; }
    std::span<float> User() { return {user_, 2 * static_cast<std::size_t>(n_)}; }
    // With the claim held: the profile of the current kind into the noise profile, and the
    // working table rebuilt from it for the last known bin count.
    void LoadCurrentKind();
    void RebuildWorkingTable();
    void Accumulate(std::int32_t bins, const float* frame) noexcept;

    std::int32_t n_ = 0;
    float* profile_ = nullptr;
    float* user_ = nullptr;
    float* workTable_ = nullptr;
    float* publicTable_ = nullptr;
    std::int32_t* bandEdges_ = nullptr;
    std::atomic<float>* inputLevels_ = nullptr;
    std::atomic<float>* removedLevels_ = nullptr;
    double* threshold_ = nullptr;

    plugin::SharedClaim claim_;
    // Under the claim.
    std::int32_t previousRate_ = 0;
    std::int32_t previousBins_ = 0;
    std::int32_t tableBins_ = kDefaultBins; // the bin count the working table is built for
    bool tableChanged_ = false;             // the working table waits to be published
    ProfileOrigin userOrigin_;
    // The audio thread's own.
    std::int32_t publicBins_ = kDefaultBins;

    std::atomic<float> reduction_{0.0f};
    std::atomic<std::int32_t> kind_{kWhite};
    std::atomic<bool> userAvailable_{false};
    std::atomic<bool> recording_{false};
    std::atomic<std::int32_t> frames_{0};
    std::atomic<bool> running_{false};
    std::atomic<bool> levelsValid_{false};
    std::atomic<std::int32_t> rate_{kDefaultRate};
    std::atomic<std::int32_t> bins_{kDefaultBins};
    std::atomic<float> levelSum_{0.0f};
    std::atomic<std::int32_t> levelCount_{0};
};

} // namespace lumisett::denoise
