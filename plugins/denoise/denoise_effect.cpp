#include "plugins/denoise/denoise_effect.h"

#include "plugin_common/runtime/descriptor.h"
#include "plugin_common/runtime/plugin_runtime.h"
#include "plugins/denoise/core/profile_file.h"
#include "plugins/denoise/core/slider_scale.h"
#include "plugins/denoise/denoise_identity.h"
#include "platform/message.h"

#include <charconv>
#include <cmath>

namespace lumisett::denoise {
namespace {

constexpr const char* kProfileErrorCaption = " Error: noiseprofile";

std::optional<double> ParseNumber(std::string_view text) {
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

} // namespace

void ApplyDefaults(plugin::ParameterRecord& record) {
    record.SetI32(kKindOffset, kWhite);
    record.SetF32(kThresholdOffset, kDefaultThreshold);
    record.SetF32(kReductionOffset, kDefaultReduction);
}

EffectDescriptor* DenoiseEffect::Init(std::int32_t* statusWord, std::int32_t n, std::string directory) {
    statusWord_ = statusWord;
    plugin::Runtime().Start(kIdentity, std::move(directory));
    plugin::ParameterRecord& record = plugin::Runtime().record();
    // Only white and pink are ever saved; anything else (a damaged or foreign record) loads
    // white rather than a user profile that does not exist yet.
    const std::int32_t kind = record.I32(kKindOffset);
    editorKind_ = kind == kPink ? kPink : kWhite;
    const float t = record.F32(kThresholdOffset);
    const float r = record.F32(kReductionOffset);
    if (!denoiser_.Init(n, std::isfinite(t) && t > 0.0f ? t : kDefaultThreshold,
                        std::isfinite(r) ? r : kDefaultReduction)) {
        plugin::Runtime().SetPersistence(false);
        plugin::Runtime().Finish();
        return nullptr;
    }
    plugin::FillDescriptor(descriptor_, {.name = kDisplayName,
                                         .status = kStatusText,
                                         .kind = KIND_SPECTRAL,
                                         .spectral = 1,
                                         .latency = 0,
                                         .process = nullptr});
    return &descriptor_;
}

bool DenoiseEffect::Exit() {
    if (!denoiser_.initialised()) {
        return true;
    }
    plugin::WithdrawNoiseTable();
    plugin::ParameterRecord& record = plugin::Runtime().record();
    record.SetF32(kThresholdOffset, static_cast<float>(denoiser_.threshold()));
    record.SetF32(kReductionOffset, denoiser_.reduction());
    record.SetI32(kKindOffset, editorKind_ == kPink ? kPink : kWhite);
    denoiser_.Exit();
    return plugin::Runtime().Finish();
}

std::int32_t DenoiseEffect::Open() {
    if (!denoiser_.initialised()) {
        return 0;
    }
    denoiser_.Open();
    return 1;
}

void DenoiseEffect::Close() {
    if (denoiser_.initialised()) {
        denoiser_.Close();
    }
}

void DenoiseEffect::SetThreshold(double t) {
    denoiser_.SetThreshold(t);
}

void DenoiseEffect::SetReduction(float r) {
    denoiser_.SetReduction(r);
}

bool DenoiseEffect::SetParameter(std::string_view key, std::string_view value) {
    if (!denoiser_.initialised()) {
        return false;
    }
    if (key == "threshold") {
        const auto decibels = ParseNumber(value);
        if (!decibels || *decibels < kMinThresholdDecibels || *decibels > kMaxThresholdDecibels) {
            return false;
        }
        SetThreshold(ThresholdFromDecibels(*decibels));
        return true;
    }
    if (key == "reduction") {
        const auto percent = ParseNumber(value);
        if (!percent || *percent < 0.0 || *percent > 100.0) {
            return false;
        }
        SetReduction(static_cast<float>(*percent / 100.0));
        return true;
    }
    if (key == "profile") {
        if (value == "white" || value == "pink") {
            const std::int32_t kind = value == "white" ? kWhite : kPink;
            RememberKind(kind);
            return denoiser_.SelectProfile(kind);
        }
        std::string error;
        const auto saved = LoadProfileFile(std::string(value), &error);
        if (!saved) {
            platform::ShowMessage(kProfileErrorCaption, error);
            return false;
        }
        RememberKind(kUser);
        return denoiser_.LoadUserProfile(saved->values, saved->origin);
    }
    if (key == "learn") {
        if (value == "start") {
            denoiser_.StartRecording();
            return true;
        }
        if (value == "stop") {
            if (denoiser_.StopRecording()) {
                RememberKind(kUser);
            }
            return true;
        }
        return false;
    }
    return false;
}

namespace {
// At namespace scope: DoEffect reaches it from the audio context without an initialisation
// guard.
DenoiseEffect g_effect;
} // namespace

DenoiseEffect& Effect() {
    return g_effect;
}

} // namespace lumisett::denoise
