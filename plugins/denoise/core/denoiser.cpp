#include "plugins/denoise/core/denoiser.h"

#include "plugin_common/runtime/aligned_buffers.h"

#include <algorithm>
#include <new>

namespace lumisett::denoise {

Denoiser::~Denoiser() {
    Exit();
}

bool Denoiser::Init(std::int32_t n, double threshold, float reduction) {
    Exit();
    if (n < 1 || n > kMaxProfileLength) {
        return false;
    }
    const std::size_t floats = 2 * static_cast<std::size_t>(n);
    profile_ = static_cast<float*>(plugin::AllocateAligned(floats * sizeof(float)));
    user_ = static_cast<float*>(plugin::AllocateAligned(floats * sizeof(float)));
    workTable_ = static_cast<float*>(plugin::AllocateAligned(floats * sizeof(float)));
    publicTable_ = static_cast<float*>(plugin::AllocateAligned(floats * sizeof(float)));
    bandEdges_ = static_cast<std::int32_t*>(plugin::AllocateAligned(kBandCount * sizeof(std::int32_t)));
    void* input = plugin::AllocateAligned(kBandCount * sizeof(std::atomic<float>));
    void* removed = plugin::AllocateAligned(kBandCount * sizeof(std::atomic<float>));
    threshold_ = static_cast<double*>(plugin::AllocateAligned(sizeof(double)));
    if (profile_ == nullptr || user_ == nullptr || workTable_ == nullptr || publicTable_ == nullptr ||
        bandEdges_ == nullptr || input == nullptr || removed == nullptr || threshold_ == nullptr) {
        inputLevels_ = static_cast<std::atomic<float>*>(input);
        removedLevels_ = static_cast<std::atomic<float>*>(removed);
        Exit();
        return false;
    }
    inputLevels_ = new (input) std::atomic<float>[kBandCount]{};
    removedLevels_ = new (removed) std::atomic<float>[kBandCount]{};
    n_ = n;
    std::fill_n(user_, floats, 0.0f);
    std::fill_n(workTable_, floats, 0.0f);
    std::fill_n(publicTable_, floats, 0.0f);
    *threshold_ = threshold;
    reduction_.store(reduction);
    kind_.store(kWhite);
    userAvailable_.store(false);
    recording_.store(false);
    frames_.store(0);
    running_.store(false);
    levelsValid_.store(false);
    rate_.store(kDefaultRate);
    bins_.store(kDefaultBins);
    previousRate_ = 0;
    previousBins_ = 0;
    userOrigin_ = {};
    BuildBandEdges(kDefaultRate, kDefaultBins, std::span<std::int32_t, kBandCount>(bandEdges_, kBandCount));
    LoadWhiteProfile(Profile());
    tableBins_ = std::min(kDefaultBins, n_);
    BuildNoiseTable(Profile(), tableBins_, {workTable_, floats});
    std::copy_n(workTable_, floats, publicTable_);
    publicBins_ = tableBins_;
    tableChanged_ = false;
    return true;
}

void Denoiser::Exit() {
    // Every pointer goes back; the table ignores nulls it never gave out.
    for (void* buffer : {static_cast<void*>(profile_), static_cast<void*>(user_),
                         static_cast<void*>(workTable_), static_cast<void*>(publicTable_),
                         static_cast<void*>(bandEdges_), static_cast<void*>(inputLevels_),
                         static_cast<void*>(removedLevels_), static_cast<void*>(threshold_)}) {
        if (buffer != nullptr) {
            plugin::FreeAligned(buffer);
        }
    }
    profile_ = user_ = workTable_ = publicTable_ = nullptr;
    bandEdges_ = nullptr;
    inputLevels_ = removedLevels_ = nullptr;
    threshold_ = nullptr;
    n_ = 0;
}

void Denoiser::Open() {
    for (int i = 1; i < kBandCount; ++i) {
        inputLevels_[i].store(0.0f, std::memory_order_relaxed);
        removedLevels_[i].store(0.0f, std::memory_order_relaxed);
    }
}

void Denoiser::Close() {
    running_.store(false, std::memory_order_relaxed);
    levelSum_.store(0.0f, std::memory_order_relaxed);
}

void Denoiser::ClearLevels(int count) noexcept {
    for (int i = 0; i < std::min(count, kBandCount); ++i) {
        inputLevels_[i].store(0.0f, std::memory_order_relaxed);
        removedLevels_[i].store(0.0f, std::memory_order_relaxed);
    }
}

void Denoiser::LoadCurrentKind() {
    switch (kind_.load(std::memory_order_relaxed)) {
    case kWhite:
        LoadWhiteProfile(Profile());
        break;
    case kPink:
        LoadPinkProfile(Profile());
        break;
    case kUser:
        std::copy_n(user_, 2 * static_cast<std::size_t>(n_), profile_);
        break;
    default:
        break;
    }
    RebuildWorkingTable();
}

void Denoiser::RebuildWorkingTable() {
    BuildNoiseTable(Profile(), tableBins_, {workTable_, 2 * static_cast<std::size_t>(n_)});
    tableChanged_ = true;
}

bool Denoiser::SelectProfile(std::int32_t kind) {
    if (!initialised() || kind < kWhite || kind > kUser || (kind == kUser && !userProfileAvailable())) {
        return false;
    }
    plugin::SharedClaim::WindowHold hold(claim_);
    kind_.store(kind, std::memory_order_relaxed);
    if (!recording_.load(std::memory_order_relaxed)) {
        LoadCurrentKind();
    }
    return true;
}

void Denoiser::StartRecording() {
    if (!initialised() || recording_.load(std::memory_order_relaxed)) {
        return;
    }
    plugin::SharedClaim::WindowHold hold(claim_);
    std::fill_n(profile_, 2 * static_cast<std::size_t>(n_), 0.0f);
    frames_.store(0, std::memory_order_relaxed);
    recording_.store(true, std::memory_order_relaxed);
}

bool Denoiser::StopRecording() {
    if (!initialised() || !recording_.load(std::memory_order_relaxed)) {
        return false;
    }
    plugin::SharedClaim::WindowHold hold(claim_);
    recording_.store(false, std::memory_order_relaxed);
    const std::int32_t frames = frames_.load(std::memory_order_relaxed);
    if (frames > 0) {
        const auto count = static_cast<float>(frames);
        for (std::size_t i = 0; i < 2 * static_cast<std::size_t>(n_); ++i) {
            user_[i] = profile_[i] / count;
        }
        userOrigin_ = {previousRate_, previousBins_};
        userAvailable_.store(true, std::memory_order_relaxed);
        kind_.store(kUser, std::memory_order_relaxed);
    }
    // Also without a frame: the recording overwrote the noise profile with zeros.
    LoadCurrentKind();
    return frames > 0;
}

bool Denoiser::LoadUserProfile(std::span<const float> values, ProfileOrigin origin) {
    if (!initialised() || values.empty() || values.size() % 2 != 0) {
        return false;
    }
    // Resampled outside the claim, so the audio thread's frames are never held up by it.
    std::vector<float> resampled(2 * static_cast<std::size_t>(n_));
    ResampleProfile(values, resampled);
    plugin::SharedClaim::WindowHold hold(claim_);
    std::copy(resampled.begin(), resampled.end(), user_);
    userOrigin_ = origin;
    userAvailable_.store(true, std::memory_order_relaxed);
    kind_.store(kUser, std::memory_order_relaxed);
    if (!recording_.load(std::memory_order_relaxed)) {
        LoadCurrentKind();
    }
    return true;
}

std::vector<float> Denoiser::UserProfile(ProfileOrigin* origin) {
    if (!initialised() || !userProfileAvailable()) {
        return {};
    }
    plugin::SharedClaim::WindowHold hold(claim_);
    if (origin != nullptr) {
        *origin = userOrigin_;
    }
    return std::vector<float>(user_, user_ + 2 * static_cast<std::size_t>(n_));
}

void Denoiser::Accumulate(std::int32_t bins, const float* frame) noexcept {
    const std::int32_t frames = frames_.load(std::memory_order_relaxed) + 1;
    frames_.store(frames, std::memory_order_relaxed);
    const auto n = static_cast<std::size_t>(n_);
    const auto count = static_cast<std::size_t>(bins);
    const std::size_t r = n / count;
    for (std::size_t c = 0; c < 2; ++c) {
        const float* magnitudes = frame + c * 2 * count;
        for (std::size_t i = 0; i < count; ++i) {
            float* entries = profile_ + c * n + i * r;
            for (std::size_t k = 0; k < r; ++k) {
                entries[k] += magnitudes[i];
            }
            const float entry = static_cast<float>(frames) / entries[0];
            workTable_[c * count + i] = entry;
            publicTable_[c * count + i] = entry;
        }
    }
}

void Denoiser::Process(std::int32_t rate, std::int32_t mode, std::int32_t bins, float* frame) noexcept {
    rate_.store(rate, std::memory_order_relaxed);
    bins_.store(bins, std::memory_order_relaxed);
    running_.store(true, std::memory_order_relaxed);
    // More bins than the profile length would leave the bin ratio at 0 and every table entry
    // undefined: such a frame (the host prevents it) passes untouched.
    if (frame == nullptr || profile_ == nullptr || bins < 1 || bins > n_ || rate < 1) {
        levelsValid_.store(false, std::memory_order_relaxed);
        return;
    }
    const auto tableFloats = 2 * static_cast<std::size_t>(bins);
    const bool claimed = claim_.TryTake();
    bool recordingNow = recording_.load(std::memory_order_relaxed);
    if (claimed) {
        if (rate != previousRate_ || bins != previousBins_) {
            BuildBandEdges(rate, bins, std::span<std::int32_t, kBandCount>(bandEdges_, kBandCount));
            tableBins_ = bins;
            if (!recordingNow) {
                RebuildWorkingTable();
            }
            previousRate_ = rate;
            previousBins_ = bins;
        }
        if (tableChanged_ && tableBins_ == bins) {
            std::copy_n(workTable_, tableFloats, publicTable_);
            publicBins_ = bins;
            tableChanged_ = false;
        }
        if (recordingNow) {
            Accumulate(bins, frame);
            publicBins_ = bins;
        }
    }
    if (!recordingNow && publicBins_ == bins) {
        const auto t = static_cast<float>(threshold());
        const float r = reduction();
        if ((mode & 1) != 0) {
            ApplyGainRule(bins, publicTable_, frame, frame + bins, t, r);
        }
        if ((mode & 2) != 0) {
            ApplyGainRule(bins, publicTable_ + bins, frame + 2 * bins, frame + 3 * bins, t, r);
        }
    }
    if (mode != 0 && claimed) {
        const LevelUpdate update = UpdateBandLevels(
            bins, frame, frame + bins, std::span<const std::int32_t, kBandCount>(bandEdges_, kBandCount),
            std::span<std::atomic<float>, kBandCount>(inputLevels_, kBandCount),
            std::span<std::atomic<float>, kBandCount>(removedLevels_, kBandCount));
        if (update.updated) {
            levelSum_.store(levelSum_.load(std::memory_order_relaxed) + update.removed,
                            std::memory_order_relaxed);
        }
        levelCount_.store(levelCount_.load(std::memory_order_relaxed) + update.bands,
                          std::memory_order_relaxed);
        levelsValid_.store(true, std::memory_order_relaxed);
    } else if (mode == 0) {
        levelsValid_.store(false, std::memory_order_relaxed);
    }
    if (claimed) {
        claim_.Release();
    }
}

} // namespace lumisett::denoise
