#include "plugin_common/runtime/descriptor.h"

#include <algorithm>
#include <cstring>

namespace lumisett::plugin {
namespace {

template <std::size_t N>
void CopyText(char (&field)[N], std::string_view text) {
    const std::size_t length = std::min(text.size(), N - 1);
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

} // namespace

void FillDescriptor(EffectDescriptor& descriptor, const DescriptorValues& values) {
    std::memset(&descriptor, 0, sizeof descriptor);
    std::memcpy(descriptor.magic, EFFECT_DESCRIPTOR_MAGIC, sizeof descriptor.magic);
    descriptor.process = values.process;
    CopyText(descriptor.name, values.name);
    CopyText(descriptor.status, values.status);
    descriptor.latency = values.latency;
    descriptor.kind = values.kind;
    descriptor.spectral = values.spectral;
}

} // namespace lumisett::plugin
