#include "plugins/zeroline/core/dc_stream.h"

#include "plugin_common/runtime/aligned_buffers.h"

#include <cstdlib>
#include <cstring>

namespace lumisett::zeroline {
namespace {

constexpr std::size_t kPairBytes = 2 * sizeof(std::int16_t);

std::int32_t LargestChange(const std::int16_t* before, const std::int16_t* after,
                           std::int32_t pairs, int channel) {
    std::int32_t largest = 0;
    for (std::int32_t i = 0; i < pairs; ++i) {
        const std::int32_t change = std::abs(after[2 * i + channel] - before[2 * i + channel]);
        largest = change > largest ? change : largest;
    }
    return largest;
}

} // namespace

DcStream::~DcStream() {
    Close();
}

bool DcStream::Open(std::int32_t blockPairs) {
    Close(); // a second Open without Close must not leak the first copy
    if (blockPairs <= 0) {
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(blockPairs) * kPairBytes;
    void* buffer = plugin::AllocateAligned(bytes);
    if (buffer == nullptr) {
        return false;
    }
    std::memset(buffer, 0, bytes);
    input_ = static_cast<std::int16_t*>(buffer);
    capacity_ = blockPairs;
    left_ = {};
    right_ = {};
    return true;
}

void DcStream::Close() {
    if (input_ != nullptr) {
        plugin::FreeAligned(input_);
        input_ = nullptr;
        capacity_ = 0;
    }
    meters_.Reset();
}

void DcStream::Process(std::int32_t mask, std::int32_t pairs, std::int16_t* block) noexcept {
    if (input_ == nullptr || block == nullptr || pairs < 0 || pairs > capacity_) {
        return;
    }
    std::memcpy(input_, block, static_cast<std::size_t>(pairs) * kPairBytes);
    if (mask == 0) {
        meters_.Publish(0, 0);
        return;
    }
    FilterBlock(block, pairs, left_, right_);
    meters_.Publish(LargestChange(input_, block, pairs, 0), LargestChange(input_, block, pairs, 1));
}

} // namespace lumisett::zeroline
