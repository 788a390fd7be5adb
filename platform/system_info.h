#pragma once
// What the splash window and the about box tell about the machine: the system, the processor
// (maker, family, clock), the floating-point unit and MMX.

#include <string>

namespace lumisett::platform {

struct SystemInfo {
    std::string system;          // the kernel and the distribution
    std::string processor;       // "Intel Pentium Pro 2893.4 MHz", a maker's name, or "Non Intel"
    bool coprocessor = false;
    bool mmx = false;
    int family = 0;              // 0 .. 15
    int clockMhz = 0;
};

// Start-up: gathers everything once (the clock measurement takes a few milliseconds).
SystemInfo GatherSystemInfo();

// The processor text for a maker string and family, with the clock appended for Intel's
// processors of the families that have a name: "Intel 386" .. "Intel ??? (> PII)".
std::string ProcessorText(const std::string& vendor, int family, double clockMhz);

} // namespace lumisett::platform
