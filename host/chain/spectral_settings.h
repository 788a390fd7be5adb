#pragma once
// The spectral stage's three settings (transform size, overlap, mono) as the FFT Properties
// window changes them: each change goes into the settings record, the mono option also into
// the chain's controls, and size and overlap on to the stage's SetupTransform. Free of window
// code, so that the window stays a thin face on it.
//
// Threads: window thread only. The stage's SetupTransform may be called during playback; the
// change takes effect at the next block.

#include "host/chain/processing_chain.h"
#include "host/settings/host_settings.h"

#include <cstdint>
#include <functional>

namespace lumisett::host {

class SpectralSettingsControl {
public:
    // Receives K and v after every size or overlap change; the host forwards them to
    // OverlapAddSpectralStage::SetupTransform.
    using SetupTransformFn = std::function<void(int32_t halfTransform, float overlap)>;

    SpectralSettingsControl(HostSettings& settings, ChainControls& controls,
                            SetupTransformFn setupTransform);

    int32_t transformSize() const { return 2 * settings_.halfTransform; } // N
    float overlap() const { return settings_.overlap; }                   // v
    bool mono() const { return settings_.spectralMono != 0; }

    // A size button. The size is taken only when the device buffer holds it (a frame must fit
    // in one block); otherwise K stays. The transform is set up again either way. Returns the
    // size now in force, whose button the window shows checked.
    int32_t ChooseTransformSize(int32_t size);
    // The overlap slider; v is kept within 0.1 .. 1.0.
    void SetOverlap(float overlap);
    void SetMono(bool on);

private:
    HostSettings& settings_;
    ChainControls& controls_;
    SetupTransformFn setupTransform_;
};

} // namespace lumisett::host
