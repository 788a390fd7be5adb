#include "platform/system_info.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sys/utsname.h>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define LUMISETT_X86 1
#else
#define LUMISETT_X86 0
#endif

namespace lumisett::platform {
namespace {

std::string DistributionName() {
    std::ifstream release("/etc/os-release");
    for (std::string line; std::getline(release, line);) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            std::string name = line.substr(12);
            if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
                name = name.substr(1, name.size() - 2);
            }
            return name;
        }
    }
    return {};
}

std::string SystemText() {
    utsname names{};
    if (uname(&names) != 0) {
        return {};
    }
    std::string text = std::string(names.sysname) + " " + names.release;
    const std::string distribution = DistributionName();
    return distribution.empty() ? text : text + " (" + distribution + ")";
}

#if LUMISETT_X86
// The loop's cycles per iteration on each family, for the clock measurement.
int CyclesPerIteration(int family) {
    switch (family) {
    case 3: return 115;
    case 4: return 47;
    case 5: return 43;
    default: return 38;
    }
}

// Times a fixed loop of 4000 bit scans (the shortest of ten runs) and turns it into a clock.
double MeasureClockMhz(int family) {
    using Clock = std::chrono::steady_clock;
    auto shortest = Clock::duration::max();
    for (int run = 0; run < 10; ++run) {
        const auto start = Clock::now();
        unsigned result = 0;
        for (unsigned i = 4000; i != 0; --i) {
            unsigned bit;
            __asm__ volatile("bsf %1, %0" : "=r"(bit) : "r"(0x80000000u));
            result += bit;
        }
        __asm__ volatile("" : : "r"(result));
        shortest = std::min(shortest, Clock::now() - start);
    }
    const double microseconds = std::chrono::duration<double, std::micro>(shortest).count();
    return microseconds > 0 ? CyclesPerIteration(family) * 4000.0 / microseconds : 0.0;
}
#endif

} // namespace

std::string ProcessorText(const std::string& vendor, int family, double clockMhz) {
    if (vendor != "GenuineIntel") {
        return vendor.empty() ? "Non Intel" : vendor;
    }
    static const char* const names[] = {"Intel 386", "Intel 486", "Intel Pentium", "Intel Pentium Pro",
                                        "Intel Pentium II", "Intel ??? (> PII)"};
    if (family < 3 || family > 8) {
        return "Non Intel";
    }
    char clock[32];
    std::snprintf(clock, sizeof clock, " %.1f MHz", clockMhz);
    return std::string(names[family - 3]) + clock;
}

SystemInfo GatherSystemInfo() {
    SystemInfo info;
    info.system = SystemText();
    info.coprocessor = true; // every processor this runs on has its floating-point unit built in
#if LUMISETT_X86
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(0, &eax, &ebx, &ecx, &edx) == 0) {
        info.processor = "Non Intel";
        return info;
    }
    char vendor[13] = {};
    std::memcpy(vendor, &ebx, 4);
    std::memcpy(vendor + 4, &edx, 4);
    std::memcpy(vendor + 8, &ecx, 4);
    __get_cpuid(1, &eax, &ebx, &ecx, &edx);
    info.family = static_cast<int>((eax >> 8) & 0xF);
    info.mmx = (edx & (1u << 23)) != 0;
    info.coprocessor = (edx & 1u) != 0;
    const bool named = std::strcmp(vendor, "GenuineIntel") == 0 && info.family >= 3 && info.family <= 8;
    const double clock = named ? MeasureClockMhz(info.family) : 0.0;
    info.clockMhz = static_cast<int>(clock);
    info.processor = ProcessorText(vendor, info.family, clock);
#else
    info.processor = "Non Intel";
#endif
    return info;
}

} // namespace lumisett::platform
