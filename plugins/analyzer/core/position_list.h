#pragma once
// The positions of the host's spectral stage that the traces can show, built from the names
// TransEff announces: "<name> in" and "<name> out" for each, then "none".
//
// Threads. TransEff (the window thread) builds a new list into the buffer that is not
// published and then publishes it, together with its name count, in one atomic word; the
// audio thread (TransData) only ever reads that word, so it sees the count of a whole list and
// never a list being written. The entries themselves are read on the window thread only.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumisett::analyzer {

inline constexpr const char* kInSuffix = " in";
inline constexpr const char* kOutSuffix = " out";
inline constexpr const char* kNoneEntry = "none";
inline constexpr std::size_t kEntryBytes = 40;   // terminator included
inline constexpr int kMaxNames = 32;             // far more than the host's four slots
inline constexpr std::size_t kNamesBufferBytes = 204; // the host's announcement buffer

// The entries for `n` names packed one after another, each with its terminator. Names are
// read only within the host's 204-byte buffer and at most kMaxNames of them; a negative n or
// null `names` gives no names. Each entry is cut to 39 characters, the suffix kept.
std::vector<std::string> BuildPositionEntries(std::int32_t n, const char* names);

class PositionList {
public:
    PositionList();

    // Window thread (TransEff).
    void Announce(std::int32_t n, const char* names) noexcept;
    // Window thread: the published entries, "none" last.
    std::vector<std::string> Entries() const;

    // Either thread: how many names the published list holds (the stage's output position).
    std::int32_t nameCount() const noexcept;

private:
    using Entry = std::array<char, kEntryBytes>;
    struct Buffer {
        std::array<Entry, 2 * kMaxNames + 1> entries{};
        std::int32_t size = 0; // entries in use
    };
    static std::uint32_t Pack(std::uint32_t buffer, std::int32_t names);

    std::array<Buffer, 2> buffers_{};
    std::atomic<std::uint32_t> published_; // bit 0: buffer; the bits above: name count
};

} // namespace lumisett::analyzer
