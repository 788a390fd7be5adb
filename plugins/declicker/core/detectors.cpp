#include "plugins/declicker/core/detectors.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace lumisett::declicker {
namespace {

// trunc(value) as a 64-bit threshold. A value beyond the range, or not a number (only a
// corrupt factor gives one), becomes the nearest end of the range, so that the comparison
// with the energies stays defined: a NaN threshold marks nothing.
std::int64_t ThresholdOf(long double value) noexcept {
    constexpr long double kTop = 9.2e18L;
    if (!(value == value) || value >= kTop) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (value <= -kTop) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(value); // toward zero
}

enum class Slope { Falling, Rising, Flat };

Slope SlopeOf(std::int32_t before, std::int32_t after) noexcept {
    return before > after ? Slope::Falling : before < after ? Slope::Rising : Slope::Flat;
}

bool Continues(Slope slope, std::int32_t before, std::int32_t after) noexcept {
    return slope == Slope::Falling ? before > after : before < after;
}

// How far the start of an event moves back: over the monotone run that leads into it. The
// step that breaks the run still counts.
std::int32_t StartWidening(const std::int32_t* x, std::int32_t v) noexcept {
    const Slope slope = SlopeOf(x[v], x[v + 1]);
    std::int32_t k = 0;
    if (slope == Slope::Flat) {
        return 0;
    }
    while (v - k > 0) {
        ++k;
        if (!Continues(slope, x[v - k], x[v - k + 1])) {
            break;
        }
    }
    return k;
}

// The end of an event that closed at scan position m with end q: widened over the monotone
// run that leads out of it, but never to n or beyond; an end that reaches n becomes n.
std::int32_t WidenedEnd(const std::int32_t* x, std::int32_t n, std::int32_t m,
                        std::int32_t q) noexcept {
    const Slope slope = SlopeOf(x[q - 1], x[q]);
    std::int32_t g = 0;
    if (slope != Slope::Flat) {
        do {
            ++g;
            if (m + g >= n) {
                break;
            }
        } while (Continues(slope, x[q + g - 1], x[q + g]));
    }
    return m + g < n ? q + g : n;
}

} // namespace

void DetectClicks(const std::int32_t* x, std::int32_t n, const ClickShape& shape,
                  const DetectorScratch& scratch, EventList& events) noexcept {
    events.count = 0;
    std::int64_t* energy = scratch.energy;
    std::uint8_t* marks = scratch.marks;

    // Second differences reach +-131070, so their squares need 64 bits: a 32-bit energy would
    // wrap beyond 46340 and hide the loudest clicks.
    energy[0] = 0;
    std::int64_t total = 0;
    for (std::int32_t j = 1; j <= n; ++j) {
        const std::int64_t d = x[j - 1] - 2 * static_cast<std::int64_t>(x[j]) + x[j + 1];
        energy[j] = d * d;
        total += energy[j];
    }
    std::memset(marks, 0, static_cast<std::size_t>(n) + 1);

    // The mean is that of the energies not yet marked, kept as an exact integer sum: as the
    // outliers leave it, the threshold falls and later passes find smaller clicks near them.
    const long double positions = static_cast<long double>(n) + 1;
    std::int64_t remaining = total;
    for (std::int32_t pass = 0; pass < shape.passes; ++pass) {
        const std::int64_t threshold =
            ThresholdOf(static_cast<long double>(remaining) / positions * shape.factor);
        bool marked = false;
        for (std::int32_t k = 0; k < n; ++k) {
            if (marks[k] == 0 && energy[k] > threshold) {
                marks[k] = 1;
                remaining -= energy[k];
                marked = true;
            }
        }
        if (!marked) {
            break;
        }
    }

    // Marked positions make events; gaps of up to mergeGap unmarked positions are bridged. An
    // event still open at the end of the window is left for the next call, which sees it again.
    bool open = false;
    std::int32_t v = 0; // first marked position of the open event
    std::int32_t w = 0; // last marked position so far
    for (std::int32_t m = 1; m <= n && !events.full(); ++m) {
        if (marks[m] != 0) {
            if (!open) {
                open = true;
                v = m;
            }
            w = m;
            continue;
        }
        if (!open || m - w <= shape.mergeGap) {
            continue;
        }
        open = false;
        const std::int32_t q = w + 1;
        if (q - v < shape.minLength || q - v >= shape.maxLength) {
            continue;
        }
        const std::int32_t start = v - StartWidening(x, v);
        events.Add(start, WidenedEnd(x, n, m, q) - start);
    }
}

void DetectCrackles(const std::int32_t* x, std::int32_t n, double factor, std::int32_t maxLength,
                    const DetectorScratch& scratch, EventList& events) noexcept {
    events.count = 0;
    std::int32_t* h = scratch.differences;

    // Fourth differences f[2 .. n+7], read up to x[n+9], then fifth differences |f[j]-f[j+1]|
    // written over them in place (f[j+1] is still the fourth difference when h[j] is formed).
    // 16-bit input keeps both within 32 bits; their sum over the window needs 64.
    h[0] = 0;
    h[1] = 0;
    for (std::int32_t j = 2; j <= n + 7; ++j) {
        h[j] = x[j - 2] - 4 * x[j - 1] + 6 * x[j] - 4 * x[j + 1] + x[j + 2];
    }
    std::int64_t total = 0;
    for (std::int32_t j = 0; j <= n; ++j) {
        h[j] = std::abs(h[j] - h[j + 1]);
        total += h[j];
    }
    const std::int64_t threshold = ThresholdOf(
        static_cast<long double>(factor) * static_cast<long double>(total) /
        (static_cast<long double>(n) + 1));

    // Runs of marked positions (0 .. n-1), without bridging; position n is never marked, so
    // every run has closed by the end of the scan.
    bool open = false;
    std::int32_t s = 0;
    for (std::int32_t l = 1; l <= n && !events.full(); ++l) {
        const bool marked = l < n && h[l] > threshold;
        if (marked && !open) {
            open = true;
            s = l;
        } else if (!marked && open) {
            open = false;
            if (l - s < maxLength) {
                events.Add(s, l - s);
            }
        }
    }
}

bool RepairLine(std::int32_t* x, std::int32_t length, std::int32_t s, std::int32_t L) noexcept {
    if (s < 0 || L < 1 || s >= length - L) {
        return false;
    }
    const long double y0 = x[s];
    const long double rise = static_cast<long double>(x[s + L]) - y0;
    for (std::int32_t j = 1; j < L; ++j) {
        x[s + j] = static_cast<std::int32_t>(y0 + j * rise / L);
    }
    return true;
}

bool RepairCubic(std::int32_t* x, std::int32_t length, std::int32_t s, std::int32_t L) noexcept {
    if (s < 1 || L < 1 || s >= length - L - 1) {
        return false;
    }
    const std::int32_t e = s + L;
    const long double y0 = x[s];
    const long double d0 = static_cast<long double>(x[s]) - x[s - 1];
    const long double y1 = x[e];
    const long double d1 = static_cast<long double>(x[e + 1]) - x[e];
    const long double z = (y1 - y0) - L * d0;
    const long double c2 = (3 * z / L - (d1 - d0)) / L;
    const long double c3 = ((d1 - d0) - 2 * z / L) / (static_cast<long double>(L) * L);
    for (std::int32_t j = 0; j < L; ++j) {
        const long double t = j;
        const long double value = y0 + d0 * t + c2 * t * t + c3 * t * t * t;
        x[s + j] = static_cast<std::int32_t>(std::clamp(value, -32768.0L, 32767.0L));
    }
    return true;
}

} // namespace lumisett::declicker
