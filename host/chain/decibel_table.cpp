#include "host/chain/decibel_table.h"

#include <cmath>

namespace lumisett::host {

const std::array<float, kDecibelTableSize>& DecibelTable() {
    static const std::array<float, kDecibelTableSize> table = [] {
        std::array<float, kDecibelTableSize> values{};
        values[0] = -100.0f;
        for (int v = 1; v < kDecibelTableSize; ++v) {
            values[static_cast<std::size_t>(v)] =
                static_cast<float>(20.0 * std::log10(v / 32768.0));
        }
        return values;
    }();
    return table;
}

} // namespace lumisett::host
