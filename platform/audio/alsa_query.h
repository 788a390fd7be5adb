#pragma once
// Questions put to ALSA without playing anything: which rates a PCM accepts for 16-bit stereo,
// and whether a capture and a playback PCM can be open at the same time.

#include <cstdint>
#include <string>
#include <vector>

namespace lumisett::platform::alsa {

enum class Direction { Playback, Capture };

// Whether `name` can be opened now (and is closed again at once).
bool Opens(const std::string& name, Direction direction);

// Opens `name` for a query only (no stream is configured) and asks whether it takes 16-bit
// stereo at `rate`. False when the PCM cannot be opened.
bool AcceptsRate(const std::string& name, Direction direction, int32_t rate);

// The rates of kDeviceRates that `name` accepts, as a mask (bit i for kDeviceRates[i]), from
// one query-only open.
uint16_t RateMask(const std::string& name, Direction direction);

// Really opens `input` for capture and `output` for playback at once (44100 Hz, 16-bit
// stereo) and closes both again: whether the pair can record and play at the same time.
bool OpensTogether(const std::string& input, const std::string& output);

// The PCM names that ALSA's device hints list for `direction`, in ALSA's order.
std::vector<std::string> HintedNames(Direction direction);

} // namespace lumisett::platform::alsa
