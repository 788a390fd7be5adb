#include "plugin_common/runtime/aligned_buffers.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace lumisett::plugin {
namespace {

bool IsAligned(const void* address) {
    return reinterpret_cast<std::uintptr_t>(address) % AlignedBufferTable::kAlignment == 0;
}

TEST(AlignedBuffers, GivesWritableBuffersOn32ByteBoundaries) {
    AlignedBufferTable table;
    const std::vector<std::size_t> sizes{0, 1, 31, 32, 33, 4096 * 4};
    for (std::size_t size : sizes) {
        void* buffer = table.Allocate(size);
        ASSERT_NE(buffer, nullptr) << size;
        EXPECT_TRUE(IsAligned(buffer)) << size;
        std::memset(buffer, 0x5a, size); // the sanitizer build catches a short block
    }
    EXPECT_EQ(table.next(), static_cast<int>(sizes.size()));
}

TEST(AlignedBuffers, FreeingTheNewestLowersNextByOne) {
    AlignedBufferTable table;
    table.Allocate(8);
    table.Allocate(8);
    void* newest = table.Allocate(8);
    table.Free(newest);
    EXPECT_EQ(table.next(), 2);
}

TEST(AlignedBuffers, AnOlderBufferLeavesAHoleUntilEverythingAboveIsFreed) {
    AlignedBufferTable table;
    void* first = table.Allocate(8);
    void* second = table.Allocate(8);
    void* third = table.Allocate(8);

    table.Free(first);
    EXPECT_EQ(table.next(), 3);
    EXPECT_FALSE(table.InUse(0));

    void* fourth = table.Allocate(8); // goes on top, not into the hole
    EXPECT_TRUE(table.InUse(3));
    EXPECT_FALSE(table.InUse(0));
    EXPECT_EQ(table.next(), 4);

    table.Free(fourth);
    table.Free(third);
    EXPECT_EQ(table.next(), 2);
    table.Free(second); // the hole at 0 goes with it
    EXPECT_EQ(table.next(), 0);
}

TEST(AlignedBuffers, AFullTableRefusesUntilItsTopIsFreed) {
    AlignedBufferTable table;
    std::vector<void*> buffers;
    for (int i = 0; i < AlignedBufferTable::kEntries; ++i) {
        buffers.push_back(table.Allocate(16));
        ASSERT_NE(buffers.back(), nullptr) << i;
    }
    EXPECT_EQ(table.Allocate(16), nullptr);

    table.Free(buffers[10]);
    EXPECT_EQ(table.Allocate(16), nullptr) << "a hole below the top is not reused";

    table.Free(buffers.back());
    EXPECT_NE(table.Allocate(16), nullptr);
}

TEST(AlignedBuffers, IgnoresAddressesItDidNotGiveOut) {
    AlignedBufferTable table;
    auto* buffer = static_cast<std::uint8_t*>(table.Allocate(64));
    int local = 0;
    for (void* stranger : {static_cast<void*>(&local), static_cast<void*>(buffer + 1),
                           static_cast<void*>(nullptr)}) {
        table.Free(stranger);
        EXPECT_EQ(table.next(), 1);
        EXPECT_TRUE(table.InUse(0));
    }
}

TEST(AlignedBuffers, AnImpossibleSizeFailsWithoutTakingAnEntry) {
    AlignedBufferTable table;
    EXPECT_EQ(table.Allocate(std::numeric_limits<std::size_t>::max()), nullptr);
    EXPECT_EQ(table.next(), 0);
}

} // namespace
} // namespace lumisett::plugin
