#pragma once
// The plug-in's table of 32-byte-aligned buffers.
//
// Plug-ins take their tables and per-stream buffers from here in InitEffect and OpenEffect,
// never in the audio path. The table has a fixed number of entries and a "next" index one past
// the highest entry in use; a freed entry below it stays a hole until every entry above it is
// freed too, so the table never reorders and never searches for room.
//
// Thread: window thread only (InitEffect, ExitEffect, OpenEffect, CloseEffect).

#include <array>
#include <cstddef>

namespace lumisett::plugin {

class AlignedBufferTable {
public:
    static constexpr int kEntries = 50;
    static constexpr std::size_t kAlignment = 32;

    AlignedBufferTable() = default;
    ~AlignedBufferTable();
    AlignedBufferTable(const AlignedBufferTable&) = delete;
    AlignedBufferTable& operator=(const AlignedBufferTable&) = delete;

    // A buffer of at least `size` bytes whose address is a multiple of 32, or null when the
    // table is full or the system has no memory.
    void* Allocate(std::size_t size) noexcept;

    // Returns the buffer that Allocate gave out at `address`; any other address is ignored.
    void Free(void* address) noexcept;

    // Returns every buffer still in the table.
    void FreeAll() noexcept;

    // One past the highest entry in use (0 when the table is empty).
    int next() const noexcept { return next_; }
    bool InUse(int index) const noexcept;

private:
    struct Entry {
        void* block = nullptr;   // what the system handed out
        void* aligned = nullptr; // what the caller got
    };
    std::array<Entry, kEntries> entries_{};
    int next_ = 0;
};

// The plug-in's own table (each plug-in library holds its own).
void* AllocateAligned(std::size_t size) noexcept;
void FreeAligned(void* address) noexcept;
void FreeAllAligned() noexcept;

} // namespace lumisett::plugin
