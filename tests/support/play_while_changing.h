#pragma once
// A plug-in in the host's headless playback on the null device, as fast as it goes, while
// another thread changes its settings the way its editor does: the real engine and the real
// plug-in, for ThreadSanitizer to watch (the cores' own tests check the frames).

#include "host/plugins/chain_slots.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lumisett::test {

// One round of changes from the other thread; returns whether the plug-in accepted the one
// the test counts.
using SettingsChange = std::function<bool(host::ChainSlots& slots, int round)>;

struct PlayedWhileChanging {
    int accepted = 0; // rounds whose counted change the plug-in accepted
    // The energy of the first half of the source's samples, and of the same stretch as played
    // (past the device's silent queue and the chain's delay).
    double sourceEnergy = 0;
    double playedEnergy = 0;
};

// Plays `source` (stereo, 44.1 kHz) through the chain `plugin` alone, in blocks of 2048 pairs
// with a 2048-point transform, the plug-in copied with the source into a temporary program
// directory. Once the device plays, another thread runs `rounds` rounds of `change`; the device
// waits for them to be done before half the source has been played, so the plug-in is never
// unloaded under them. Playback that fails fails the test.
void PlayWhileChanging(const std::string& plugin, const std::vector<std::int16_t>& source, int rounds,
                       const SettingsChange& change, PlayedWhileChanging& out);

} // namespace lumisett::test
