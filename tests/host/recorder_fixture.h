#pragma once
// A temporary program directory with copies of the recording plug-in, and the calls they saw.

#include "host/plugins/chain_slots.h"
#include "host/plugins/plugin_registry.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace lumisett::host {

class RecorderFixture : public testing::Test {
protected:
    // Installs a copy of a recorder build (`variant`) as "<alias>.so" with its descriptor
    // file and its configuration lines.
    void Install(const std::string& alias, const std::string& config,
                 const std::string& variant = "recorder") {
        dir.CopyIn(std::string(TEST_PLUGIN_DIR) + variant + ".so", alias + ".so");
        dir.Write(alias + ".eff", "KORVENTIX\n" + alias + "\n");
        dir.Write(alias + ".cfg", config);
    }

    void Scan() {
        registry.ScanDescriptors(dir.path());
        slots = std::make_unique<ChainSlots>(registry, dir.path(), &statusWord);
    }

    int Index(const std::string& alias) const {
        for (int i = 0; i < registry.count(); ++i) {
            if (registry.entries()[static_cast<std::size_t>(i)].baseName == alias) return i;
        }
        ADD_FAILURE() << "no registry entry " << alias;
        return -1;
    }

    // The calls recorded since the last time, one per line.
    std::vector<std::string> TakeCalls() {
        std::vector<std::string> lines;
        std::istringstream text(dir.Read("calls.log"));
        for (std::string line; std::getline(text, line);) lines.push_back(line);
        std::remove(dir.File("calls.log").c_str());
        return lines;
    }

    test::TempDir dir;
    PluginRegistry registry;
    int32_t statusWord = 0;
    std::unique_ptr<ChainSlots> slots;
};

using Calls = std::vector<std::string>;

} // namespace lumisett::host
