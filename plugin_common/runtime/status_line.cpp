#include "plugin_common/runtime/status_line.h"

#include <cstring>

namespace lumisett::plugin {

std::string CenterStatusText(std::string_view text) {
    const std::size_t lead =
        text.size() < kStatusCentreWidth ? (kStatusCentreWidth - text.size()) / 2 : 0;
    std::string line(lead, ' ');
    line.append(text);
    if (line.size() < kStatusLineWidth) {
        line.append(kStatusLineWidth - line.size(), ' ');
    }
    return line;
}

std::string_view StatusTextOf(const char* field, std::size_t fieldSize) {
    if (field == nullptr) {
        return {};
    }
    const void* end = std::memchr(field, '\0', fieldSize);
    const std::size_t length =
        end != nullptr ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : fieldSize;
    return {field, length};
}

} // namespace lumisett::plugin
