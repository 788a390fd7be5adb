#include "plugins/declicker/declicker_effect.h"

#include "plugin_common/runtime/descriptor.h"
#include "plugin_common/runtime/plugin_runtime.h"
#include "plugins/declicker/core/keys.h"
#include "plugins/declicker/declicker_identity.h"

namespace lumisett::declicker {
namespace {

// At namespace scope rather than inside Effect(): DoEffect reaches it from the audio context,
// where a function-local static would cost an initialisation guard on every call.
DeclickerEffect g_effect;

// The descriptor's processing routine: what DoEffect runs.
void ProcessBlock(std::int32_t mask, std::int32_t pairs, std::int16_t* block) noexcept {
    g_effect.Process(mask, pairs, block);
}

} // namespace

EffectDescriptor* DeclickerEffect::Init(std::int32_t* statusWord, std::string directory) {
    statusWord_ = statusWord;
    plugin::Runtime().Start(kIdentity, std::move(directory));
    settings_.Store(ValuesFromRecord(plugin::Runtime().record()));
    plugin::FillDescriptor(descriptor_,
                           {.name = kDisplayName,
                            .status = kStatusText,
                            .kind = KIND_BLOCK_PRE,
                            .spectral = 0,
                            .latency = kLatencyFrames,
                            .process = reinterpret_cast<EffectProcessRoutine>(&ProcessBlock)});
    initialised_ = true;
    return &descriptor_;
}

bool DeclickerEffect::Exit() {
    stream_.Close();
    if (initialised_) {
        WriteValuesToRecord(settings_.Snapshot(), plugin::Runtime().record());
    }
    initialised_ = false;
    return plugin::Runtime().Finish();
}

std::int32_t DeclickerEffect::Open(std::int32_t blockPairs) {
    return stream_.Open(blockPairs) ? 1 : 0;
}

void DeclickerEffect::Close() {
    stream_.Close();
}

bool DeclickerEffect::SetParameter(std::string_view key, std::string_view value) {
    if (const auto taken = ApplyKey(settings_, key, value)) {
        return *taken;
    }
    return plugin::SetCommonParameter(key, value).value_or(false);
}

DeclickerEffect& Effect() {
    return g_effect;
}

} // namespace lumisett::declicker
