#include "plugin_common/runtime/aligned_buffers.h"

#include <cstdint>
#include <cstdlib>
#include <limits>

namespace lumisett::plugin {
namespace {

void* AlignUp(void* block) {
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    constexpr auto mask = static_cast<std::uintptr_t>(AlignedBufferTable::kAlignment - 1);
    return reinterpret_cast<void*>((address + mask) & ~mask);
}

AlignedBufferTable g_table;

} // namespace

AlignedBufferTable::~AlignedBufferTable() {
    FreeAll();
}

void* AlignedBufferTable::Allocate(std::size_t size) noexcept {
    constexpr std::size_t slack = kAlignment - 1;
    if (next_ >= kEntries || size > std::numeric_limits<std::size_t>::max() - slack) {
        return nullptr;
    }
    void* block = std::malloc(size + slack);
    if (block == nullptr) {
        return nullptr;
    }
    entries_[static_cast<std::size_t>(next_)] = {block, AlignUp(block)};
    ++next_;
    return entries_[static_cast<std::size_t>(next_ - 1)].aligned;
}

void AlignedBufferTable::Free(void* address) noexcept {
    if (address == nullptr) {
        return;
    }
    for (int i = 0; i < next_; ++i) {
        Entry& entry = entries_[static_cast<std::size_t>(i)];
        if (entry.aligned == address) {
            std::free(entry.block);
            entry = {};
            break;
        }
    }
    // Only free entries at the top give room back; holes below stay until then.
    while (next_ > 0 && !InUse(next_ - 1)) {
        --next_;
    }
}

void AlignedBufferTable::FreeAll() noexcept {
    for (Entry& entry : entries_) {
        std::free(entry.block);
        entry = {};
    }
    next_ = 0;
}

bool AlignedBufferTable::InUse(int index) const noexcept {
    return index >= 0 && index < kEntries &&
           entries_[static_cast<std::size_t>(index)].block != nullptr;
}

void* AllocateAligned(std::size_t size) noexcept {
    return g_table.Allocate(size);
}

void FreeAligned(void* address) noexcept {
    g_table.Free(address);
}

void FreeAllAligned() noexcept {
    g_table.FreeAll();
}

} // namespace lumisett::plugin
