#pragma once
// The filter behind its exports, without windows: descriptor, runtime, response tables and
// the headless keys. The exports forward here; the editor reaches the parameters through
// Effect() and nothing else.
//
// Threads: Process in the audio context; everything else on the window thread.

#include "plugin_common/effect_api.h"
#include "plugins/hilofilt/core/response_filter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace lumisett::hilofilt {

class HilofiltEffect {
public:
    // InitEffect: loads the parameter file from `directory`, builds the tables for bin counts
    // up to `kMax`, fills the descriptor. Null when the tables cannot be had.
    EffectDescriptor* Init(std::int32_t kMax, std::string directory);
    // ExitEffect: tells a loaded analyzer to drop our noise table, frees the tables and saves
    // the record. False when the save failed.
    bool Exit();

    bool initialised() const { return filter_.initialised(); }
    std::int32_t Open() const { return initialised() ? 1 : 0; }
    void Process(std::int32_t rate, std::int32_t mask, std::int32_t bins, float* frame) noexcept {
        filter_.Process(rate, mask, bins, frame);
    }

    // SetEffectParam's own keys (see WithSetting). False for an unknown key or a refused value;
    // nothing changes then.
    bool SetParameter(std::string_view key, std::string_view value);

    // The editor's changes: the table is rebuilt at once.
    void SetParameters(const FilterParameters& parameters) { filter_.SetParameters(parameters); }
    const FilterParameters& parameters() const { return filter_.parameters(); }

    const EffectDescriptor& descriptor() const { return descriptor_; }
    ResponseFilter& filter() { return filter_; }

private:
    EffectDescriptor descriptor_{};
    ResponseFilter filter_;
};

// The plug-in's one instance.
HilofiltEffect& Effect();

} // namespace lumisett::hilofilt
