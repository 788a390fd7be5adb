#pragma once
// What the processing tells the editor: written in the audio context by every DoEffect, read
// (and partly decayed or cleared) by the editor's timers on the window thread. Each value is
// an atomic of its own and nothing more is promised: a lost update between a decay and an
// increment disturbs one displayed value for one tick.

#include <atomic>
#include <cstdint>

namespace lumisett::declicker {

struct ScratchCounters {
    std::atomic<bool> running{false};        // a stream has processed a block and not yet closed
    std::atomic<bool> levelsValid{false};    // set per block; cleared once the scope drew it
    std::atomic<std::int32_t> clicks{0};     // events of the latest block, both channels
    std::atomic<std::int32_t> crackles{0};
    // Sum of (length - 1) over the repaired events. 64 bits: without an editor to decay it, a
    // long stream would run a 32-bit total over.
    std::atomic<std::int64_t> repairedTotal{0};
    std::atomic<std::int64_t> channelPasses{0};
    std::atomic<std::int32_t> blockLength{0}; // frames of the latest block
};

} // namespace lumisett::declicker
