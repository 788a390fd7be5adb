// A plug-in for tests only: it records every call it receives, one line per call, in
// "calls.log" beside its library, so that tests can check the host's call orders. Several
// copies of the library under different base names are distinct plug-ins; each reads its
// behaviour from "<base>.cfg" beside it (lines "key=value"):
//   kind, spectral, latency   descriptor values (default 0)
//   name                      descriptor name (default: the base name)
//   refuse=1                  InitEffect returns null
//   short=1                   the descriptor is returned in its short form (no magic)
//   open=N                    OpenEffect's result (default 1)
//   add=N                     DoEffect adds N to the channels its mask names
//   delay=N                   DoEffect delays both channels by N pairs (a real latency)
//   gain=X                    DoEffect on a spectrum frame multiplies the gain rows of the
//                             channels its mask names by X (a spectral effect of known gain)
//   gainfrom=J                ... only from element J of each gain row on (default 0)
//   gainmask=N                ... for the channels of mask N, whatever mask it is handed (a
//                             plug-in that does not honour bypass)
// Build variants leave out exports: RECORDER_WITHOUT_INIT, RECORDER_MINIMAL (only InitEffect
// and ExitEffect).

#include "plugin_common/effect_api.h"
#include "platform/program_path.h"

#include <cstdio>
#include <dlfcn.h>
#include <cstring>
#include <fstream>
#include <map>
#include <vector>
#include <string>

namespace {

std::string g_directory;
std::string g_base;
std::map<std::string, std::string> g_config;
#ifndef RECORDER_MINIMAL
int g_add = 0;
float g_gain = 1.0f;
int g_gainFrom = 0;
int g_gainMask = -1; // -1: the mask handed over
std::vector<int16_t> g_delayLine; // 2 samples per pair of delay
std::size_t g_delayPosition = 0;
#endif

void Log(const std::string& line) {
    std::ofstream(g_directory + "calls.log", std::ios::app) << g_base << ' ' << line << '\n';
}

int ConfigInt(const std::string& key, int fallback) {
    auto it = g_config.find(key);
    return it == g_config.end() ? fallback : std::stoi(it->second);
}

#ifndef RECORDER_WITHOUT_INIT
EffectDescriptor g_descriptor;
alignas(EffectDescriptor) unsigned char g_shortForm[16];

void LocateAndConfigure() {
    Dl_info info{};
    std::string file;
    if (dladdr(reinterpret_cast<const void*>(&Log), &info) != 0 && info.dli_fname != nullptr) {
        file = info.dli_fname;
    }
    g_directory = lumisett::platform::DirectoryPart(file);
    file = file.substr(g_directory.size());
    g_base = file.substr(0, file.find('.'));
    g_config.clear();
    std::ifstream config(g_directory + g_base + ".cfg");
    for (std::string line; std::getline(config, line);) {
        auto eq = line.find('=');
        if (eq != std::string::npos) {
            g_config[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
}

EffectDescriptor* FillDescriptor() {
    if (ConfigInt("short", 0) != 0) {
        int32_t values[4] = {0, ConfigInt("latency", 0), ConfigInt("kind", 0),
                             ConfigInt("spectral", 0)};
        std::memcpy(g_shortForm, values, sizeof g_shortForm);
        return reinterpret_cast<EffectDescriptor*>(g_shortForm);
    }
    std::memset(&g_descriptor, 0, sizeof g_descriptor);
    std::memcpy(g_descriptor.magic, EFFECT_DESCRIPTOR_MAGIC, 4);
    auto name = g_config.count("name") ? g_config["name"] : g_base;
    std::strncpy(g_descriptor.name, name.c_str(), sizeof g_descriptor.name - 1);
    g_descriptor.latency = ConfigInt("latency", 0);
    g_descriptor.kind = ConfigInt("kind", 0);
    g_descriptor.spectral = ConfigInt("spectral", 0);
    return &g_descriptor;
}
#endif

} // namespace

extern "C" {

#ifndef RECORDER_WITHOUT_INIT
LUMISETT_EXPORT EffectDescriptor* InitEffect(int32_t* statusWord, int32_t kMax) {
    LocateAndConfigure();
    Log("InitEffect " + std::to_string(kMax) + (statusWord != nullptr ? " status" : " null"));
    return ConfigInt("refuse", 0) != 0 ? nullptr : FillDescriptor();
}
#endif

LUMISETT_EXPORT int32_t ExitEffect(void) {
    Log("ExitEffect");
    return 0;
}

#ifndef RECORDER_MINIMAL
LUMISETT_EXPORT int32_t OpenEffWindow(void* owner) {
    Log(std::string("OpenEffWindow") + (owner != nullptr ? " owner" : " null"));
    return 0;
}

LUMISETT_EXPORT int32_t CloseEffWindow(void) {
    Log("CloseEffWindow");
    return 0;
}

LUMISETT_EXPORT int32_t OpenEffect(int32_t blockPairs) {
    Log("OpenEffect " + std::to_string(blockPairs));
    g_add = ConfigInt("add", 0);
    g_gain = g_config.count("gain") ? std::stof(g_config["gain"]) : 1.0f;
    g_gainFrom = ConfigInt("gainfrom", 0);
    g_gainMask = ConfigInt("gainmask", -1);
    g_delayLine.assign(2 * static_cast<std::size_t>(ConfigInt("delay", 0)), 0);
    g_delayPosition = 0;
    return ConfigInt("open", 1);
}

LUMISETT_EXPORT int32_t CloseEffect(void) {
    Log("CloseEffect");
    return 0;
}

LUMISETT_EXPORT int32_t DoEffect(int32_t rate, int32_t mask, int32_t count, int16_t* block,
                                 float* frame) {
    Log("DoEffect " + std::to_string(rate) + " " + std::to_string(mask) + " " +
        std::to_string(count));
    if (frame != nullptr) {
        // The frame's rows: left magnitudes, left gains, right magnitudes, right gains.
        const int gainMask = g_gainMask >= 0 ? g_gainMask : mask;
        for (int channel = 0; channel < 2; ++channel) {
            if (gainMask & (1 << channel)) {
                float* gains = frame + (2 * channel + 1) * count;
                for (int32_t j = g_gainFrom; j < count; ++j) gains[j] *= g_gain;
            }
        }
    }
    if (mask == 0 || block == nullptr) {
        return 0;
    }
    for (int32_t i = 0; i < 2 * count; ++i) {
        if (mask & (1 << (i % 2))) {
            block[i] = static_cast<int16_t>(block[i] + g_add);
        }
        if (!g_delayLine.empty()) {
            std::swap(block[i], g_delayLine[g_delayPosition]);
            g_delayPosition = (g_delayPosition + 1) % g_delayLine.size();
        }
    }
    return 0;
}

LUMISETT_EXPORT int32_t TransEff(int32_t n, const char* names) {
    std::string line = "TransEff " + std::to_string(n);
    for (int32_t i = 0; i < n; ++i) {
        line += std::string(i == 0 ? " " : "|") + names;
        names += std::strlen(names) + 1;
    }
    Log(line);
    return 0;
}

LUMISETT_EXPORT int32_t TransData(int32_t rate, int32_t mask, int32_t bins, int32_t position,
                                  float*) {
    Log("TransData " + std::to_string(rate) + " " + std::to_string(mask) + " " +
        std::to_string(bins) + " " + std::to_string(position));
    return 0;
}
#endif

} // extern "C"
