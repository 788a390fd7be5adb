#include "plugins/analyzer/core/position_list.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace lumisett::analyzer {
namespace {

// Walks the announced names without ever reading past the host's buffer.
template <typename Visit>
std::int32_t ForEachName(std::int32_t n, const char* names, Visit visit) {
    if (names == nullptr || n <= 0) {
        return 0;
    }
    std::size_t used = 0;
    std::int32_t count = 0;
    while (count < n && count < kMaxNames && used < kNamesBufferBytes) {
        const char* start = names + used;
        const std::size_t length = strnlen(start, kNamesBufferBytes - used);
        if (used + length >= kNamesBufferBytes) {
            break; // no terminator inside the buffer: not a whole name
        }
        visit(std::string_view(start, length));
        used += length + 1;
        ++count;
    }
    return count;
}

std::string EntryText(std::string_view name, std::string_view suffix) {
    const std::size_t room = kEntryBytes - 1 - suffix.size();
    std::string text(name.substr(0, room));
    text.append(suffix);
    return text;
}

} // namespace

std::vector<std::string> BuildPositionEntries(std::int32_t n, const char* names) {
    std::vector<std::string> entries;
    ForEachName(n, names, [&](std::string_view name) {
        entries.push_back(EntryText(name, kInSuffix));
        entries.push_back(EntryText(name, kOutSuffix));
    });
    entries.emplace_back(kNoneEntry);
    return entries;
}

PositionList::PositionList() : published_(Pack(0, 0)) {
    std::strcpy(buffers_[0].entries[0].data(), kNoneEntry);
    buffers_[0].size = 1;
}

std::uint32_t PositionList::Pack(std::uint32_t buffer, std::int32_t names) {
    return buffer | (static_cast<std::uint32_t>(names) << 1);
}

void PositionList::Announce(std::int32_t n, const char* names) noexcept {
    const std::uint32_t back = (published_.load(std::memory_order_relaxed) & 1u) ^ 1u;
    Buffer& buffer = buffers_[back];
    std::int32_t size = 0;
    // Composed in place: TransEff allocates nothing.
    auto add = [&](std::string_view name, std::string_view suffix) {
        Entry& entry = buffer.entries[static_cast<std::size_t>(size++)];
        const std::size_t length = std::min(name.size(), kEntryBytes - 1 - suffix.size());
        std::memcpy(entry.data(), name.data(), length);
        std::memcpy(entry.data() + length, suffix.data(), suffix.size());
        entry[length + suffix.size()] = '\0';
    };
    const std::int32_t count = ForEachName(n, names, [&](std::string_view name) {
        add(name, kInSuffix);
        add(name, kOutSuffix);
    });
    add(kNoneEntry, "");
    buffer.size = size;
    published_.store(Pack(back, count), std::memory_order_release);
}

std::vector<std::string> PositionList::Entries() const {
    const Buffer& buffer = buffers_[published_.load(std::memory_order_acquire) & 1u];
    std::vector<std::string> entries;
    for (std::int32_t i = 0; i < buffer.size; ++i) {
        entries.emplace_back(buffer.entries[static_cast<std::size_t>(i)].data());
    }
    return entries;
}

std::int32_t PositionList::nameCount() const noexcept {
    return static_cast<std::int32_t>(published_.load(std::memory_order_acquire) >> 1);
}

} // namespace lumisett::analyzer
