#include "host/chain/spectral_settings.h"

#include "host/chain/spectral_stage.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace lumisett::host {

SpectralSettingsControl::SpectralSettingsControl(HostSettings& settings, ChainControls& controls,
                                                 SetupTransformFn setupTransform)
    : settings_(settings), controls_(controls), setupTransform_(std::move(setupTransform)) {}

int32_t SpectralSettingsControl::ChooseTransformSize(int32_t size) {
    if (fft::RealFft::SupportedSize(size) && size <= settings_.bufferPairs) {
        settings_.halfTransform = static_cast<int16_t>(size / 2);
    }
    setupTransform_(settings_.halfTransform, settings_.overlap);
    return transformSize();
}

void SpectralSettingsControl::SetOverlap(float overlap) {
    if (std::isnan(overlap)) {
        return;
    }
    settings_.overlap = std::clamp(overlap, kMinOverlap, kMaxOverlap);
    setupTransform_(settings_.halfTransform, settings_.overlap);
}

void SpectralSettingsControl::SetMono(bool on) {
    settings_.spectralMono = on ? 1 : 0;
    controls_.spectralMono.store(on, std::memory_order_relaxed);
}

} // namespace lumisett::host
