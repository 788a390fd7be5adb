#include "plugins/zeroline/zeroline_effect.h"

#include "plugin_common/runtime/descriptor.h"
#include "plugin_common/runtime/plugin_runtime.h"
#include "plugins/zeroline/zeroline_identity.h"

namespace lumisett::zeroline {

EffectDescriptor* ZerolineEffect::Init(std::int32_t* statusWord, std::string directory) {
    statusWord_ = statusWord;
    plugin::Runtime().Start(kIdentity, std::move(directory));
    plugin::FillDescriptor(descriptor_,
                           {.name = kDisplayName,
                            .status = kStatusText,
                            .kind = KIND_BLOCK_PRE,
                            .spectral = 0,
                            .latency = 0,
                            .process = reinterpret_cast<EffectProcessRoutine>(&FilterBlock)});
    initialised_ = true;
    return &descriptor_;
}

bool ZerolineEffect::Exit() {
    stream_.Close();
    initialised_ = false;
    return plugin::Runtime().Finish();
}

std::int32_t ZerolineEffect::Open(std::int32_t blockPairs) {
    return stream_.Open(blockPairs) ? 1 : 0;
}

void ZerolineEffect::Close() {
    stream_.Close();
}

namespace {
// At namespace scope rather than inside Effect(): DoEffect reaches it from the audio context,
// where a function-local static would cost an initialisation guard on every call.
ZerolineEffect g_effect;
} // namespace

ZerolineEffect& Effect() {
    return g_effect;
}

} // namespace lumisett::zeroline
