#pragma once
// Filling a plug-in's EffectDescriptor.

#include "plugin_common/effect_api.h"

#include <cstdint>
#include <string_view>

namespace lumisett::plugin {

struct DescriptorValues {
    std::string_view name;   // at most 19 characters are kept
    std::string_view status; // at most 49 characters are kept
    std::int32_t kind = KIND_BLOCK_PRE;
    std::int32_t spectral = 0;
    std::int32_t latency = 0;
    EffectProcessRoutine process = nullptr;
};

// Clears the whole record, then writes the magic and the values; texts are cut to their
// fields and always NUL-terminated.
void FillDescriptor(EffectDescriptor& descriptor, const DescriptorValues& values);

} // namespace lumisett::plugin
