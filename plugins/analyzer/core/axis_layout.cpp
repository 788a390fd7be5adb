#include "plugins/analyzer/core/axis_layout.h"

#include <cmath>
#include <cstdio>

namespace lumisett::analyzer {
namespace {

int Position(double frequency, double low, double high, int width) {
    return static_cast<int>(std::lround((std::log10(frequency) - low) * width / (high - low)));
}

bool Inside(int x, int width) {
    return x > 0 && x < width;
}

std::string Format(const char* format, int value) {
    char text[24];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string LimitText(double logarithm) {
    const long hertz = std::lround(std::pow(10.0, logarithm));
    return hertz >= 1000 ? Format("%dk", static_cast<int>(hertz / 1000)) : Format("%d", static_cast<int>(hertz));
}

const char* const kDecadeLabels[] = {"10 ", "100 ", "1k ", "10k "};

} // namespace

std::vector<AxisTick> FrequencyTicks(double low, double high, int width) {
    std::vector<AxisTick> ticks;
    auto add = [&](double frequency, int length, std::string label) {
        const int x = Position(frequency, low, high, width);
        if (Inside(x, width)) {
            ticks.push_back({x, length, std::move(label)});
        }
    };
    double decade = 10.0;
    for (const char* label : kDecadeLabels) {
        add(decade, kMajorTick, label);
        if (decade < 10000.0) {
            for (int m = 2; m <= 9; ++m) {
                add(m * decade, kMinorTick, {});
            }
        }
        decade *= 10.0;
    }
    for (int k = 11; k <= 18; ++k) {
        add(k * 1000.0, kMinorTick, {});
    }
    return ticks;
}

EndLabels FrequencyEndLabels(double low, double high, int width) {
    int first = -1;
    int last = -1;
    for (const AxisTick& tick : FrequencyTicks(low, high, width)) {
        if (tick.label.empty()) {
            continue;
        }
        first = first < 0 ? tick.position : std::min(first, tick.position);
        last = std::max(last, tick.position);
    }
    EndLabels labels;
    if (first < 0 || first >= kEndLabelGap) {
        labels.low = LimitText(low);
    }
    if (last < 0 || width - last > kEndLabelGap - 1) {
        labels.high = LimitText(high);
    }
    return labels;
}

std::vector<AxisTick> AmplitudeTicks(const LevelScale& scale) {
    std::vector<AxisTick> ticks;
    const int steps = (scale.depth - scale.top) / 10;
    if (steps <= 0) {
        return ticks;
    }
    if (scale.decibel) {
        const double spacing = (scale.height - 8.0) / steps;
        for (int k = 0; k <= steps; ++k) {
            const int y = 6 + static_cast<int>(std::lround(k * spacing));
            ticks.push_back({y, kMajorTick, Format("%+-3d", -scale.top - 10 * k)});
        }
        return ticks;
    }
    const int shown = scale.depth - scale.top >= 40 ? 4 : steps + 1;
    for (int k = 0; k < shown; ++k) {
        const int decibels = -scale.top - 10 * k;
        const double a = std::pow(10.0, (kReferenceDecibels + decibels) / 20.0);
        const double height = TraceHeight(a, scale);
        ticks.push_back({static_cast<int>(std::lround(scale.height - height)), kMajorTick,
                         Format("%+3d", decibels)});
    }
    return ticks;
}

} // namespace lumisett::analyzer
