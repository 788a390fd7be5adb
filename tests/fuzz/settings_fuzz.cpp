// libFuzzer target for the host's settings record: any bytes decode safely, and a record that
// decodes encodes back to the same bytes but for the path's unused tail.

#include "host/settings/host_settings.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumisett::host;
    auto settings = DecodeSettings(std::span<const std::uint8_t>(data, size));
    if (settings) {
        settings->ReplaceUnusableValues();
        const auto bytes = EncodeSettings(*settings);
        if (DecodeSettings(bytes)->sourcePath != settings->sourcePath) {
            __builtin_trap();
        }
    }
    return 0;
}
