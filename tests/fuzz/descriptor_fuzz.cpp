// libFuzzer target for the descriptor-file parser and the base-name rule.

#include "host/plugins/descriptor_file.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (auto name = lumisett::host::ParseDescriptorText(text)) {
        if (name->empty() || name->size() > lumisett::host::kDisplayNameMaxLength) {
            __builtin_trap();
        }
    }
    lumisett::host::BaseNameOfDescriptor(text.substr(0, 64));
    return 0;
}
