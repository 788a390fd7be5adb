#include "host/source/sample_streams.h"

#include <algorithm>
#include <climits>

namespace lumisett::host {

int64_t CrescorStream::Read(int16_t* dst, int64_t samples) {
    return reader_.Read(dst, static_cast<int>(std::min<int64_t>(samples, INT_MAX)));
}

bool CrescorStream::StepBack(int64_t samples) {
    if (samples <= 0 || samples > INT_MAX) {
        return samples == 0;
    }
    return reader_.StepBack(-static_cast<int>(samples));
}

Layer3Stream::Layer3Stream(const DecoderEntryPoints& decoder, const StreamInfo& info)
    : decoder_(decoder),
      frameSamples_(std::clamp(info.samplesPerFrame * info.channels, 1, kLayer3BufferSamples)),
      channels_(std::clamp<int>(info.channels, 1, 2)),
      mpegVersion_(info.version),
      totalFrames_(info.samplesPerFrame > 0 ? info.totalSamples / info.samplesPerFrame : 0) {}

Layer3Stream::~Layer3Stream() {
    decoder_.exitUlx();
}

bool Layer3Stream::DecodeFrame() {
    int16_t* frame = buffer_.data() + kHeadroom;
    const int32_t result = decoder_.ulx(frame);
    int produced = frameSamples_;
    if (decoder_.ulxFrameSamples != nullptr) {
        // A frame that only fills the bit reservoir writes nothing.
        const int perChannel = decoder_.ulxFrameSamples();
        produced = std::clamp(perChannel * channels_, 0, frameSamples_);
    }
    ++nextFrame_;
    start_ = kHeadroom;
    count_ = produced;
    // The frame that reports the end still wrote its samples: they are delivered, then the
    // stream ends.
    ended_ = result != 0;
    return produced > 0 || !ended_;
}

int64_t Layer3Stream::Read(int16_t* dst, int64_t samples) {
    int64_t delivered = 0;
    while (delivered < samples) {
        if (count_ == 0) {
            if (ended_ || !DecodeFrame()) {
                break;
            }
            continue;
        }
        const int take = static_cast<int>(std::min<int64_t>(count_, samples - delivered));
        std::copy_n(buffer_.begin() + start_, take, dst + delivered);
        start_ += take;
        count_ -= take;
        delivered += take;
    }
    if (delivered >= kHeadroom) {
        std::copy_n(dst + delivered - kHeadroom, kHeadroom, lastDelivered_.begin());
        delivered_ = kHeadroom;
    } else if (delivered == 1) {
        lastDelivered_[0] = lastDelivered_[1];
        lastDelivered_[1] = dst[0];
        delivered_ = std::min(delivered_ + 1, kHeadroom);
    }
    return delivered;
}

bool Layer3Stream::PutBackDelivered(int64_t samples) {
    if (samples > delivered_) {
        return false;
    }
    // The remembered samples go back in front of the buffer, whether or not it was refilled
    // since they were delivered; the headroom always has room for them.
    const int k = static_cast<int>(samples);
    std::copy_n(lastDelivered_.end() - k, k, buffer_.begin() + start_ - k);
    start_ -= k;
    count_ += k;
    delivered_ -= k;
    return true;
}

bool Layer3Stream::RebuildBefore(int64_t samples) {
    // Step back over whole frames until they cover the target, then a few frames more, and
    // decode forward again so that the overlap and the bit reservoir are rebuilt from the
    // frames before it. Near the start there are fewer frames before it to rebuild from.
    const int64_t distance = count_ + samples;
    int64_t covered = 0;
    while (covered < distance && nextFrame_ > 0) {
        StepBackOneFrame();
        covered += frameSamples_;
    }
    if (covered < distance) {
        return false;
    }
    const int extraBack = static_cast<int>(std::min<int64_t>(mpegVersion_ == 2 ? 4 : 2, nextFrame_));
    for (int i = 0; i < extraBack; ++i) {
        StepBackOneFrame();
    }
    ended_ = false;
    for (int i = 0; i < extraBack + 1; ++i) {
        DecodeFrame();
    }
    const int skip = static_cast<int>(covered - distance);
    start_ = kHeadroom + std::min(skip, count_);
    count_ = std::max(0, count_ - skip);
    delivered_ = 0;
    return true;
}

void Layer3Stream::StepBackOneFrame() {
    decoder_.ulxOneBck();
    nextFrame_ = std::max<int64_t>(0, nextFrame_ - 1);
}

bool Layer3Stream::StepBack(int64_t samples) {
    if (samples <= 0) {
        return samples == 0;
    }
    return samples <= kHeadroom ? PutBackDelivered(samples) : RebuildBefore(samples);
}

void Layer3Stream::Reset() {
    start_ = kHeadroom;
    count_ = 0;
    delivered_ = 0;
    ended_ = false;
    nextFrame_ = 0;
    decoder_.resetUlx();
}

void Layer3Stream::SeekTo(float fraction) {
    decoder_.seekUlx(fraction);
    ended_ = false;
    // The decoder lands on a frame near the place; this is where we believe it is.
    nextFrame_ = static_cast<int64_t>(fraction * static_cast<float>(totalFrames_));
}

} // namespace lumisett::host
