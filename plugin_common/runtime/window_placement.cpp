#include "plugin_common/runtime/window_placement.h"

#include <algorithm>
#include <cstdint>

namespace lumisett::plugin {
namespace {

// Far beyond any desktop, far below where window-system arithmetic could overflow.
constexpr std::int64_t kCoordinateLimit = 1 << 20;
constexpr std::int64_t kSizeLimit = 1 << 14;

int Bounded(std::int64_t value, std::int64_t limit) {
    return static_cast<int>(std::clamp(value, -limit, limit));
}

} // namespace

std::optional<WindowPlacement> PlacementFromRecord(const ParameterRecord& record) {
    const WindowRect rect = record.rectangle();
    if (!record.positionValid() || rect.right == 0) {
        return std::nullopt;
    }
    WindowPlacement placement;
    placement.x = Bounded(rect.left, kCoordinateLimit);
    placement.y = Bounded(rect.top, kCoordinateLimit);
    const std::int64_t width = std::int64_t{rect.right} - rect.left;
    const std::int64_t height = std::int64_t{rect.bottom} - rect.top;
    if (width > 0 && height > 0 && width <= kSizeLimit && height <= kSizeLimit) {
        placement.width = static_cast<int>(width);
        placement.height = static_cast<int>(height);
    }
    return placement;
}

} // namespace lumisett::plugin
