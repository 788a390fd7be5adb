#pragma once
// Four floats at a time, for the transform's inner loops. On x86-64 these are SSE registers;
// elsewhere (or with LUMISETT_PORTABLE_SIMD defined, which the tests use to check that path) a
// plain array whose loops the compiler may vectorise itself. Both paths do the same IEEE
// arithmetic in the same order, so results agree bit for bit.

#if defined(__SSE2__) && !defined(LUMISETT_PORTABLE_SIMD)
#include <immintrin.h>
#else
#include <cmath>
#endif

namespace lumisett::host::fft::simd {

#if defined(__SSE2__) && !defined(LUMISETT_PORTABLE_SIMD)

struct Vec4 {
    __m128 v;
};

inline Vec4 Load(const float* p) { return {_mm_loadu_ps(p)}; }
inline void Store(float* p, Vec4 a) { _mm_storeu_ps(p, a.v); }
inline Vec4 Splat(float x) { return {_mm_set1_ps(x)}; }
inline Vec4 operator+(Vec4 a, Vec4 b) { return {_mm_add_ps(a.v, b.v)}; }
inline Vec4 operator-(Vec4 a, Vec4 b) { return {_mm_sub_ps(a.v, b.v)}; }
inline Vec4 operator*(Vec4 a, Vec4 b) { return {_mm_mul_ps(a.v, b.v)}; }
inline Vec4 Sqrt(Vec4 a) { return {_mm_sqrt_ps(a.v)}; }

// (a3, a2, a1, a0): the mirrored half of a real spectrum is read backwards.
inline Vec4 Reverse(Vec4 a) { return {_mm_shuffle_ps(a.v, a.v, _MM_SHUFFLE(0, 1, 2, 3))}; }

// Splits eight interleaved values (lo = x0..x3, hi = x4..x7) into x0 x2 x4 x6 and x1 x3 x5 x7.
inline void Deinterleave(Vec4 lo, Vec4 hi, Vec4& even, Vec4& odd) {
    even.v = _mm_shuffle_ps(lo.v, hi.v, _MM_SHUFFLE(2, 0, 2, 0));
    odd.v = _mm_shuffle_ps(lo.v, hi.v, _MM_SHUFFLE(3, 1, 3, 1));
}

// The inverse of Deinterleave.
inline void Interleave(Vec4 even, Vec4 odd, Vec4& lo, Vec4& hi) {
    lo.v = _mm_unpacklo_ps(even.v, odd.v);
    hi.v = _mm_unpackhi_ps(even.v, odd.v);
}

// Rows become columns.
inline void Transpose(Vec4& a, Vec4& b, Vec4& c, Vec4& d) {
    _MM_TRANSPOSE4_PS(a.v, b.v, c.v, d.v);
}

#else

struct Vec4 {
    float v[4];
};

inline Vec4 Load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
inline void Store(float* p, Vec4 a) {
    for (int i = 0; i < 4; ++i) p[i] = a.v[i];
}
inline Vec4 Splat(float x) { return {{x, x, x, x}}; }
inline Vec4 operator+(Vec4 a, Vec4 b) {
    for (int i = 0; i < 4; ++i) a.v[i] += b.v[i];
    return a;
}
inline Vec4 operator-(Vec4 a, Vec4 b) {
    for (int i = 0; i < 4; ++i) a.v[i] -= b.v[i];
    return a;
}
inline Vec4 operator*(Vec4 a, Vec4 b) {
    for (int i = 0; i < 4; ++i) a.v[i] *= b.v[i];
    return a;
}
inline Vec4 Sqrt(Vec4 a) {
    for (int i = 0; i < 4; ++i) a.v[i] = std::sqrt(a.v[i]);
    return a;
}
inline Vec4 Reverse(Vec4 a) { return {{a.v[3], a.v[2], a.v[1], a.v[0]}}; }
inline void Deinterleave(Vec4 lo, Vec4 hi, Vec4& even, Vec4& odd) {
    even = {{lo.v[0], lo.v[2], hi.v[0], hi.v[2]}};
    odd = {{lo.v[1], lo.v[3], hi.v[1], hi.v[3]}};
}
inline void Interleave(Vec4 even, Vec4 odd, Vec4& lo, Vec4& hi) {
    lo = {{even.v[0], odd.v[0], even.v[1], odd.v[1]}};
    hi = {{even.v[2], odd.v[2], even.v[3], odd.v[3]}};
}
inline void Transpose(Vec4& a, Vec4& b, Vec4& c, Vec4& d) {
    const Vec4 r0 = a, r1 = b, r2 = c, r3 = d;
    a = {{r0.v[0], r1.v[0], r2.v[0], r3.v[0]}};
    b = {{r0.v[1], r1.v[1], r2.v[1], r3.v[1]}};
    c = {{r0.v[2], r1.v[2], r2.v[2], r3.v[2]}};
    d = {{r0.v[3], r1.v[3], r2.v[3], r3.v[3]}};
}

#endif

} // namespace lumisett::host::fft::simd
