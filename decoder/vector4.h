// Four floats (or four integers) that the compiler keeps in one vector register: the fast
// paths of the hybrid filterbank and the synthesis run four transforms side by side in them.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__GNUC__)
#define ULX3_ALWAYS_INLINE __attribute__((always_inline)) inline
#else
#define ULX3_ALWAYS_INLINE inline
#endif

namespace ulx3 {

typedef float Float4 __attribute__((vector_size(16)));
typedef int32_t Int4 __attribute__((vector_size(16)));

ULX3_ALWAYS_INLINE Float4 Load4(const float* p) {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace ulx3
