#include "plugins/hilofilt/hilofilt_effect.h"

#include "plugin_common/runtime/descriptor.h"
#include "plugin_common/runtime/plugin_runtime.h"
#include "plugins/hilofilt/hilofilt_identity.h"

namespace lumisett::hilofilt {
namespace {

FilterParameters ParametersOf(const plugin::ParameterRecord& record) {
    return Sanitized({record.F32(kHighPassHzOffset), record.F32(kHighPassSlopeOffset),
                      record.F32(kLowPassHzOffset), record.F32(kLowPassSlopeOffset)});
}

void StoreParameters(plugin::ParameterRecord& record, const FilterParameters& p) {
    record.SetF32(kHighPassHzOffset, p.highPassHz);
    record.SetF32(kHighPassSlopeOffset, p.highPassSlope);
    record.SetF32(kLowPassHzOffset, p.lowPassHz);
    record.SetF32(kLowPassSlopeOffset, p.lowPassSlope);
}

// The routine the descriptor names: the table applied to one frame.
void SpectralRoutine(const float* h, std::int32_t bins, float* frame) noexcept {
    ApplyResponse(h, bins, frame);
}

} // namespace

void ApplyDefaults(plugin::ParameterRecord& record) {
    StoreParameters(record, kDefaultParameters);
}

EffectDescriptor* HilofiltEffect::Init(std::int32_t kMax, std::string directory) {
    plugin::Runtime().Start(kIdentity, std::move(directory));
    if (!filter_.Init(kMax, ParametersOf(plugin::Runtime().record()))) {
        plugin::Runtime().SetPersistence(false);
        plugin::Runtime().Finish();
        return nullptr;
    }
    plugin::FillDescriptor(descriptor_,
                           {.name = kDisplayName,
                            .status = kStatusText,
                            .kind = KIND_SPECTRAL,
                            .spectral = 1,
                            .latency = 0,
                            .process = reinterpret_cast<EffectProcessRoutine>(&SpectralRoutine)});
    return &descriptor_;
}

bool HilofiltEffect::Exit() {
    if (!filter_.initialised()) {
        return true;
    }
    plugin::WithdrawNoiseTable();
    StoreParameters(plugin::Runtime().record(), filter_.parameters());
    filter_.Exit();
    return plugin::Runtime().Finish();
}

bool HilofiltEffect::SetParameter(std::string_view key, std::string_view value) {
    if (!initialised()) {
        return false;
    }
    const auto changed = WithSetting(filter_.parameters(), key, value);
    if (!changed) {
        return false;
    }
    filter_.SetParameters(*changed);
    return true;
}

namespace {
// At namespace scope: DoEffect reaches it from the audio context without an initialisation
// guard.
HilofiltEffect g_effect;
} // namespace

HilofiltEffect& Effect() {
    return g_effect;
}

} // namespace lumisett::hilofilt
