#include "host/chain/spectral_stage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace lumisett::host {
namespace {

constexpr int kLeft = 0;
constexpr int kRight = 1;
constexpr int kChannelModeStereo = 0;

uint64_t PackShape(int32_t halfTransform, float overlap) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(halfTransform)) << 32) |
           std::bit_cast<uint32_t>(overlap);
}

int32_t PackedHalfTransform(uint64_t packed) {
    return static_cast<int32_t>(packed >> 32);
}

float PackedOverlap(uint64_t packed) {
    return std::bit_cast<float>(static_cast<uint32_t>(packed));
}

bool ValidHalfTransform(int32_t halfTransform) {
    return halfTransform >= kMinHalfTransform && halfTransform <= kMaxHalfTransform &&
           std::has_single_bit(static_cast<uint32_t>(halfTransform));
}

// transforms_[0] is N = 256, each next one twice as large.
std::size_t TransformIndex(int32_t size) {
    return static_cast<std::size_t>(std::countr_zero(static_cast<uint32_t>(size)) -
                                    std::countr_zero(static_cast<uint32_t>(fft::kMinRealFftSize)));
}

// The largest transform a block holds: a returned block must be complete, which needs N ≤ B.
int32_t LargestSizeFor(int32_t blockPairs) {
    const int32_t bound = std::min(blockPairs, fft::kMaxRealFftSize);
    return bound < fft::kMinRealFftSize ? 0 : static_cast<int32_t>(std::bit_floor(static_cast<uint32_t>(bound)));
}

} // namespace

FrameShape ShapeFor(int32_t halfTransform, float overlap) {
    FrameShape shape;
    shape.size = 2 * halfTransform;
    shape.taper = static_cast<int32_t>(shape.size * static_cast<double>(overlap) * 0.5);
    shape.hop = shape.size - shape.taper;
    return shape;
}

void FillTaper(std::span<float> taper) {
    const double length = static_cast<double>(taper.size());
    for (std::size_t i = 0; i < taper.size(); ++i) {
        const double angle = (static_cast<double>(i) + 0.5) * std::numbers::pi / length;
        taper[i] = static_cast<float>(std::sqrt((1.0 - std::cos(angle)) / 2.0));
    }
}

int16_t ToSample(float value) {
    if (std::isnan(value)) {
        return 0;
    }
    // Clipping first keeps the conversion in range; the bounds are integers, so clipping before
    // rounding gives the same result as after.
    const float clipped = std::clamp(value, -32768.0f, 32767.0f);
#if defined(__SSE2__)
    return static_cast<int16_t>(_mm_cvtss_si32(_mm_set_ss(clipped))); // rounds by MXCSR
#else
    return static_cast<int16_t>(std::lrint(clipped));
#endif
}

OverlapAddSpectralStage::OverlapAddSpectralStage(const ChainSlots& slots, const ChainControls& controls)
    : slots_(slots), controls_(controls), requested_(PackShape(kDefaultHalfTransform, kDefaultOverlap)) {}

bool OverlapAddSpectralStage::Start(int32_t blockPairs) {
    blockPairs_ = 0;
    largestSize_ = LargestSizeFor(blockPairs);
    if (largestSize_ == 0) {
        return false;
    }
    for (int32_t size = fft::kMinRealFftSize; size <= largestSize_; size *= 2) {
        fft::RealFft& transform = transforms_[TransformIndex(size)];
        if (transform.size() != size) {
            transform.Setup(size);
        }
    }
    const auto largest = static_cast<std::size_t>(largestSize_);
    taper_.assign(largest / 2, 0.0f);
    work_.assign(6 * static_cast<std::size_t>(blockPairs), 0);
    for (Channel& channel : channels_) {
        channel.frame.assign(largest, 0.0f);
        channel.tail.assign(largest / 2, 0.0f);
        channel.dc = 0.0f;
        channel.tailStale = false;
    }
    spectrum_.assign(2 * largest, 0.0f);
    scratch_.assign(2 * largest, 0.0f);
    secondHalfNext_ = false;
    readPosition_ = 0;
    shape_ = {};
    adopted_ = ~requested_.load(std::memory_order_acquire); // anything but the request
    AdoptRequestedShape();
    blockPairs_ = blockPairs;
    return true;
}

void OverlapAddSpectralStage::SetupTransform(int32_t halfTransform, float overlap) {
    const uint64_t previous = requested_.load(std::memory_order_relaxed);
    if (!ValidHalfTransform(halfTransform)) {
        halfTransform = PackedHalfTransform(previous);
    }
    overlap = std::isnan(overlap) ? PackedOverlap(previous) : std::clamp(overlap, kMinOverlap, kMaxOverlap);
    requested_.store(PackShape(halfTransform, overlap), std::memory_order_release);
}

// Taper, hop and transform change only here, between blocks, so a frame never sees half a
// change. The tails keep the previous frame's values; a part the previous taper did not reach
// holds values of some frame long past and is cleared instead.
void OverlapAddSpectralStage::AdoptRequestedShape() {
    const uint64_t requested = requested_.load(std::memory_order_acquire);
    if (requested == adopted_) {
        return;
    }
    adopted_ = requested;
    const int32_t halfTransform = std::min(PackedHalfTransform(requested), largestSize_ / 2);
    const FrameShape next = ShapeFor(halfTransform, PackedOverlap(requested));
    if (next.taper > shape_.taper) {
        for (Channel& channel : channels_) {
            std::fill(channel.tail.begin() + shape_.taper, channel.tail.begin() + next.taper, 0.0f);
        }
    }
    if (next.taper != shape_.taper) {
        FillTaper(std::span(taper_.data(), static_cast<std::size_t>(next.taper)));
    }
    shape_ = next;
    half_ = halfTransform;
    unitGain_ = 1.0f / static_cast<float>(halfTransform);
    magnitudeScale_ = std::sqrt(unitGain_);
    transform_ = &transforms_[TransformIndex(next.size)];
}

void OverlapAddSpectralStage::ProcessBlock(int16_t* block, int32_t pairs, int32_t rate, int channelMode,
                                           bool bypassAll) {
    if (blockPairs_ == 0 || pairs != blockPairs_ || block == nullptr) {
        return;
    }
    AdoptRequestedShape();
    const bool stereoMode = channelMode == kChannelModeStereo;
    const FrameCall call{rate, stereoMode ? CHANNEL_MASK_STEREO : CHANNEL_MASK_MONO, bypassAll,
                         stereoMode && !controls_.spectralMono.load(std::memory_order_relaxed)};

    StoreBlock(block);
    // The newest sample ends the half just written; frames run while a whole one is there.
    const int32_t ringSamples = 4 * blockPairs_;
    const int32_t end = secondHalfNext_ ? 2 * blockPairs_ : 0;
    int32_t available = end - readPosition_;
    if (available < 0) {
        available += ringSamples;
    }
    const int32_t frames = (available - 2 * shape_.taper) / (2 * shape_.hop);
    for (int32_t i = 0; i < frames; ++i) {
        ProcessFrame(call);
        readPosition_ += 2 * shape_.hop;
        if (readPosition_ >= ringSamples) {
            MirrorOverrun();
        }
    }
    // The other half entered one call earlier. Everything before the read position is final,
    // and less than one frame (N ≤ B pairs) lies between it and the newest sample, so that
    // half is complete.
    const int16_t* finished = work_.data() + (secondHalfNext_ ? 2 * blockPairs_ : 0);
    std::copy_n(finished, 2 * static_cast<std::size_t>(blockPairs_), block);
}

// Ring pairs [0, B) are also kept in the mirror behind the ring, so that a frame that crosses
// the ring's end reads on without wrapping.
void OverlapAddSpectralStage::StoreBlock(const int16_t* block) {
    const auto samples = 2 * static_cast<std::size_t>(blockPairs_);
    if (secondHalfNext_) {
        std::copy_n(block, samples, work_.begin() + static_cast<std::ptrdiff_t>(samples));
    } else {
        std::copy_n(block, samples, work_.begin());
        std::copy_n(block, samples, work_.begin() + static_cast<std::ptrdiff_t>(2 * samples));
    }
    secondHalfNext_ = !secondHalfNext_;
}

// The frames that crossed the ring's end wrote their output into the mirror; it belongs at the
// ring's start.
void OverlapAddSpectralStage::MirrorOverrun() {
    const int32_t ringSamples = 4 * blockPairs_;
    std::copy(work_.begin() + ringSamples, work_.begin() + readPosition_, work_.begin());
    readPosition_ -= ringSamples;
}

void OverlapAddSpectralStage::ProcessFrame(const FrameCall& call) {
    float* rows = spectrum_.data();
    const int32_t k = half_;
    Analyse(kLeft, rows, rows + k);
    if (call.stereo) {
        Analyse(kRight, rows + 2 * k, rows + 3 * k);
    } else {
        channels_[kRight].tailStale = true;
    }
    RunSpectralPlugIns(call);
    Synthesise(kLeft, rows + k);
    if (call.stereo) {
        Synthesise(kRight, rows + 3 * k);
    }
}

void OverlapAddSpectralStage::Analyse(int channel, float* magnitudes, float* gains) {
    Channel& state = channels_[static_cast<std::size_t>(channel)];
    const int16_t* x = work_.data() + readPosition_ + channel; // sample t at x[2t]
    float* frame = state.frame.data();
    const float* w = taper_.data();
    const int32_t n = shape_.size;
    for (int32_t t = 0; t < shape_.taper; ++t) {
        frame[t] = x[2 * t] * w[t];
        frame[n - 1 - t] = x[2 * (n - 1 - t)] * w[t];
    }
    for (int32_t t = shape_.taper; t < shape_.hop; ++t) {
        frame[t] = x[2 * t];
    }
    transform_->Forward(frame, frame);

    state.dc = frame[0] * unitGain_;
    const int32_t k = half_;
    for (int32_t j = 0; j < k - 1; ++j) {
        const float re = frame[2 * j + 2];
        const float im = frame[2 * j + 3];
        magnitudes[j] = magnitudeScale_ * std::sqrt(re * re + im * im);
    }
    magnitudes[k - 1] = magnitudeScale_ * std::fabs(frame[1]); // Nyquist
    std::fill_n(gains, k, unitGain_);
}

// The analyzer watches every position, also under bypass-all (with mask 0); the kind-1
// plug-ins then work on scratch, so their gains are never applied.
void OverlapAddSpectralStage::RunSpectralPlugIns(const FrameCall& call) {
    const TransDataFn transData = AnalyzerTakingPart();
    float* frame = spectrum_.data();
    float* spectralFrame = call.bypassAll ? scratch_.data() : frame;
    int32_t position = 0;
    for (int i = 0; i < kSlotCount; ++i) {
        const ChainSlot& slot = slots_.slot(i);
        if (slot.open.load(std::memory_order_acquire) == 0) {
            continue;
        }
        const int32_t kind = slot.kind.load(std::memory_order_relaxed);
        if (kind != KIND_SPECTRAL && kind != KIND_ANALYZER) {
            continue;
        }
        const bool on = slot.on.load(std::memory_order_relaxed);
        const int mask = call.bypassAll || !on ? CHANNEL_MASK_BYPASS : call.mask;
        if (transData != nullptr) {
            transData(call.rate, mask, half_, position, frame);
        }
        ++position;
        if (kind == KIND_SPECTRAL && slot.effect.doEffect != nullptr) {
            slot.effect.doEffect(call.rate, mask, half_, nullptr, spectralFrame);
        }
    }
    if (transData != nullptr) {
        transData(call.rate, CHANNEL_MASK_BYPASS, half_, position, frame); // the stage's output
    }
}

// The bound TransData, provided its plug-in is open: a slot that OpenEffect refused gets no
// calls, and one being unloaded is closed before it is unbound.
TransDataFn OverlapAddSpectralStage::AnalyzerTakingPart() const {
    const TransDataFn bound = slots_.boundTransData();
    if (bound == nullptr) {
        return nullptr;
    }
    for (int i = 0; i < kSlotCount; ++i) {
        const ChainSlot& slot = slots_.slot(i);
        if (slot.open.load(std::memory_order_acquire) != 0 &&
            slot.kind.load(std::memory_order_relaxed) == KIND_ANALYZER && slot.effect.transData == bound) {
            return bound;
        }
    }
    return nullptr;
}

void OverlapAddSpectralStage::Synthesise(int channel, const float* gains) {
    Channel& state = channels_[static_cast<std::size_t>(channel)];
    float* frame = state.frame.data();
    const int32_t k = half_;
    // y = ½·Σ G(k)·X(k)·e^(+2πikt/N) over all N bins; the ½ rides on the gains (exactly, as a
    // power of two). Bin 0 keeps u, the Nyquist bin takes the row's last gain.
    frame[0] = 0.5f * state.dc;
    frame[1] *= 0.5f * gains[k - 1];
    for (int32_t bin = 1; bin < k; ++bin) {
        const float gain = 0.5f * gains[bin - 1];
        frame[2 * bin] *= gain;
        frame[2 * bin + 1] *= gain;
    }
    transform_->Inverse(frame, frame);

    if (state.tailStale) {
        std::fill(state.tail.begin(), state.tail.end(), 0.0f);
        state.tailStale = false;
    }
    int16_t* out = work_.data() + readPosition_ + channel; // sample t at out[2t]
    const float* w = taper_.data();
    float* tail = state.tail.data();
    const int32_t n = shape_.size;
    const int32_t taper = shape_.taper;
    for (int32_t t = 0; t < taper; ++t) {
        const float value = frame[t] * w[t] + tail[t];
        tail[t] = frame[n - taper + t] * w[taper - 1 - t];
        out[2 * t] = ToSample(value);
    }
    for (int32_t t = taper; t < shape_.hop; ++t) {
        out[2 * t] = ToSample(frame[t]);
    }
}

} // namespace lumisett::host
