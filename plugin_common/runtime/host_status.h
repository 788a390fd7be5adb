#pragma once
// Reading the host status word. The host owns the word and writes it atomically from its
// player window; a plug-in only reads it, from any thread, so it loads it atomically too.

#include "plugin_common/effect_api.h"

#include <cstdint>

namespace lumisett::plugin {

// The word's current value; 0 when the host gave no word.
inline std::int32_t ReadHostStatus(const std::int32_t* word) noexcept {
    return word != nullptr ? __atomic_load_n(word, __ATOMIC_RELAXED) : 0;
}

inline bool HostIsPaused(const std::int32_t* word) noexcept {
    return (ReadHostStatus(word) & HOST_STATUS_PAUSED) != 0;
}

} // namespace lumisett::plugin
