#pragma once
// The plug-in's C boundary: what every export does around the call into C++. No exception may
// leave an export (the host is a C caller and would be torn down by one).

#include "plugin_common/runtime/plugin_runtime.h"

#include <cstdint>
#include <string_view>

namespace lumisett::plugin {

// `body()`, or `fallback` when it throws.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

// `body()`, with whatever it throws swallowed.
template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

// SetEffectParam: missing texts are refused, the keys every plug-in understands are handled
// here, and the rest goes to `own(key, value)`, which says whether it took the value.
// 1 when the value was taken, else 0.
template <typename Own>
std::int32_t SetEffectParameter(const char* key, const char* value, Own&& own) noexcept {
    if (key == nullptr || value == nullptr) {
        return 0;
    }
    return Guarded<std::int32_t>(0, [&] {
        if (const auto common = SetCommonParameter(key, value)) {
            return *common ? 1 : 0;
        }
        return own(std::string_view(key), std::string_view(value)) ? 1 : 0;
    });
}

// For a plug-in without keys of its own.
inline bool NoOwnKeys(std::string_view, std::string_view) {
    return false;
}

} // namespace lumisett::plugin
