#include "host/plugins/chain_slots.h"

#include <cstring>
#include <thread>

namespace lumisett::host {
namespace {

bool ValidSlot(int slot) {
    return slot >= 0 && slot < kSlotCount;
}

bool ValidKind(int32_t kind) {
    return kind >= KIND_ANALYZER && kind <= KIND_BLOCK_POST;
}

int32_t ReadInt32At(const EffectDescriptor* descriptor, std::size_t offset) {
    int32_t value = 0;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(descriptor) + offset, sizeof value);
    return value;
}

// The kind decides which entry points the host calls through; a plug-in that lacks one of
// them cannot take part in the chain.
bool HasEntryPointsOfKind(const BoundEffect& effect, int32_t kind) {
    if (kind == KIND_ANALYZER) {
        return effect.transEff != nullptr && effect.transData != nullptr;
    }
    return effect.doEffect != nullptr;
}

// The descriptor's name, at most 19 characters even when a plug-in forgot the terminator.
std::string_view DescriptorName(const ChainSlot& slot) {
    if (slot.shortForm || slot.descriptor == nullptr) {
        return {};
    }
    const char* name = slot.descriptor->name;
    return std::string_view(name, strnlen(name, sizeof slot.descriptor->name - 1));
}

} // namespace

void ChainActivity::WaitUntilIdle() const {
    while (inPass_.load()) {
        std::this_thread::yield();
    }
}

ChainSlots::ChainSlots(PluginRegistry& registry, std::string programDirectory, int32_t* statusWord)
    : registry_(registry), programDirectory_(std::move(programDirectory)), statusWord_(statusWord) {
    for (ChainSlot& slot : slots_) {
        slot.registryIndex = registry_.noneIndex();
    }
}

ChainSlots::~ChainSlots() {
    ExitAll();
}

int ChainSlots::SelectionChanged(int slot, int listIndex) {
    if (!ValidSlot(slot)) {
        return registry_.noneIndex();
    }
    ChainSlot& target = At(slot);
    const int none = registry_.noneIndex();
    if (listIndex < 0 || listIndex > none) {
        return target.registryIndex;
    }
    const bool chooseNone = listIndex == none;
    if (!chooseNone && registry_.entries()[static_cast<std::size_t>(listIndex)].inUse) {
        // Already loaded, here or in another slot: one entry sits in one slot only.
        return target.registryIndex;
    }
    UnloadSlot(slot);
    if (chooseNone) {
        return none;
    }
    LoadIntoSlot(slot, listIndex);
    return target.registryIndex;
}

bool ChainSlots::UseClicked(int slot, bool checked) {
    if (!ValidSlot(slot) || !At(slot).loaded()) {
        return false;
    }
    At(slot).on.store(checked, std::memory_order_relaxed);
    return checked;
}

void ChainSlots::OpenPressed(int slot) {
    if (ValidSlot(slot) && At(slot).loaded() && At(slot).effect.openEffWindow != nullptr) {
        At(slot).effect.openEffWindow(ownerWindow_);
    }
}

bool ChainSlots::BindAndInitialise(ChainSlot& target, int registryIndex) {
    const RegistryEntry& entry = registry_.entries()[static_cast<std::size_t>(registryIndex)];
    target.library = platform::DynamicLibrary::Open(programDirectory_ + entry.baseName + ".so");
    if (!target.library) {
        return false;
    }
    const platform::DynamicLibrary& library = *target.library;
    BoundEffect& effect = target.effect;
    effect.initEffect = library.Function<InitEffectFn>("InitEffect");
    effect.exitEffect = library.Function<ExitEffectFn>("ExitEffect");
    effect.openEffWindow = library.Function<OpenEffWindowFn>("OpenEffWindow");
    effect.closeEffWindow = library.Function<CloseEffWindowFn>("CloseEffWindow");
    effect.openEffect = library.Function<OpenEffectFn>("OpenEffect");
    effect.closeEffect = library.Function<CloseEffectFn>("CloseEffect");
    effect.doEffect = library.Function<DoEffectFn>("DoEffect");
    effect.transEff = library.Function<TransEffFn>("TransEff");
    effect.transData = library.Function<TransDataFn>("TransData");
    effect.setEffectParam = library.Function<SetEffectParamFn>("SetEffectParam");
    if (effect.initEffect == nullptr) {
        return false;
    }
    target.descriptor = effect.initEffect(statusWord_, EFFECT_HOST_KMAX);
    return target.descriptor != nullptr;
}

DescriptorValues ChainSlots::ReadDescriptor(const EffectDescriptor* descriptor) {
    DescriptorValues values;
    values.shortForm = std::memcmp(descriptor->magic, EFFECT_DESCRIPTOR_MAGIC, 4) != 0;
    if (values.shortForm) {
        values.latency = ReadInt32At(descriptor, EFFECT_SHORT_FORM_LATENCY_OFFSET);
        values.kind = ReadInt32At(descriptor, EFFECT_SHORT_FORM_KIND_OFFSET);
        values.spectral = ReadInt32At(descriptor, EFFECT_SHORT_FORM_SPECTRAL_OFFSET);
    } else {
        values.latency = descriptor->latency;
        values.kind = descriptor->kind;
        values.spectral = descriptor->spectral;
    }
    return values;
}

bool ChainSlots::LoadIntoSlot(int slot, int registryIndex) {
    if (!ValidSlot(slot) || registryIndex < 0 || registryIndex >= registry_.count() ||
        At(slot).loaded() || registry_.entries()[static_cast<std::size_t>(registryIndex)].inUse) {
        return false;
    }
    ChainSlot& target = At(slot);
    if (!BindAndInitialise(target, registryIndex)) {
        ReleaseLibrary(target);
        return false;
    }
    const DescriptorValues values = ReadDescriptor(target.descriptor);
    const int32_t kind = values.kind;
    if (!ValidKind(kind) || !HasEntryPointsOfKind(target.effect, kind)) {
        // It accepted InitEffect, so it gets the ExitEffect that balances it.
        if (target.effect.exitEffect != nullptr) {
            target.effect.exitEffect();
        }
        ReleaseLibrary(target);
        return false;
    }

    // Only an accepted plug-in's values become visible to the chain.
    target.shortForm = values.shortForm;
    target.latency = values.latency;
    target.kind = values.kind;
    target.spectral = values.spectral;
    registry_.entries()[static_cast<std::size_t>(registryIndex)].inUse = true;
    target.registryIndex = registryIndex;
    target.on.store(true);
    if (kind == KIND_ANALYZER) {
        analyzerSlot_ = slot;
        transEff_ = target.effect.transEff;
    }
    if (playbackRunning() && target.effect.openEffect != nullptr) {
        // Publishes the slot to the chain: every field above is written before `open`.
        target.open.store(target.effect.openEffect(playbackBlockPairs_), std::memory_order_release);
    }
    if (kind == KIND_ANALYZER || (kind == KIND_SPECTRAL && transEff_ != nullptr)) {
        AnnounceNames();
    }
    if (kind == KIND_ANALYZER) {
        transData_.store(target.effect.transData, std::memory_order_release);
    }
    if (target.effect.openEffWindow != nullptr) {
        target.effect.openEffWindow(ownerWindow_);
    }
    return true;
}

void ChainSlots::UnloadSlot(int slot) {
    if (!ValidSlot(slot) || !At(slot).loaded()) {
        return;
    }
    ChainSlot& target = At(slot);
    if (target.effect.closeEffWindow != nullptr) {
        target.effect.closeEffWindow();
    }
    if (analyzerSlot_ == slot) {
        analyzerSlot_ = -1;
        transEff_ = nullptr;
        transData_.store(nullptr);
    }
    const bool wasOpen = target.open.exchange(0) != 0;
    activity_.WaitUntilIdle();
    if (wasOpen && target.effect.closeEffect != nullptr) {
        target.effect.closeEffect();
    }
    if (target.effect.exitEffect != nullptr) {
        target.effect.exitEffect();
    }
    registry_.entries()[static_cast<std::size_t>(target.registryIndex)].inUse = false;
    const bool wasSpectral = target.kind.load() == KIND_SPECTRAL;
    ReleaseLibrary(target);
    if (wasSpectral && transEff_ != nullptr) {
        AnnounceNames(); // the analyzer no longer lists it
    }
}

bool ChainSlots::SetEffectParam(int slot, const char* key, const char* value) {
    if (!ValidSlot(slot) || !At(slot).loaded() || At(slot).effect.setEffectParam == nullptr) {
        return false;
    }
    return At(slot).effect.setEffectParam(key, value) == 1;
}

void ChainSlots::AnnounceNames() {
    if (transEff_ == nullptr) {
        return;
    }
    char buffer[kAnnounceBufferSize] = {};
    std::size_t used = 0;
    int32_t count = 0;
    for (const ChainSlot& current : slots_) {
        const int32_t kind = current.kind.load();
        if (!current.loaded() || (kind != KIND_SPECTRAL && kind != KIND_ANALYZER)) {
            continue;
        }
        // A short-form plug-in has no name; it still holds its position in the stage.
        std::string_view name = DescriptorName(current);
        if (used + name.size() + 1 > sizeof buffer) {
            break;
        }
        name.copy(buffer + used, name.size());
        used += name.size() + 1;
        ++count;
    }
    transEff_(count, buffer);
}

void ChainSlots::OpenForPlayback(int32_t blockPairs) {
    playbackBlockPairs_ = blockPairs;
    for (ChainSlot& current : slots_) {
        if (current.loaded() && current.open.load() == 0 && current.effect.openEffect != nullptr) {
            current.open.store(current.effect.openEffect(blockPairs), std::memory_order_release);
        }
    }
}

void ChainSlots::CloseAfterPlayback() {
    playbackBlockPairs_ = 0;
    std::array<bool, kSlotCount> wasOpen{};
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        wasOpen[i] = slots_[i].open.exchange(0) != 0;
    }
    activity_.WaitUntilIdle();
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        if (wasOpen[i] && slots_[i].effect.closeEffect != nullptr) {
            slots_[i].effect.closeEffect();
        }
    }
}

void ChainSlots::ExitAll() {
    if (exited_) {
        return;
    }
    exited_ = true;
    // The caller stops playback first; a slot still open is closed before it is shut down.
    CloseAfterPlayback();
    for (ChainSlot& current : slots_) {
        if (current.loaded() && current.effect.exitEffect != nullptr) {
            current.effect.exitEffect();
        }
    }
}

bool ChainSlots::AnySpectralLoaded() const {
    // Either thread: only the atomic flag is read; an empty slot's flag is 0.
    for (const ChainSlot& current : slots_) {
        if (current.spectral.load(std::memory_order_relaxed) != 0) {
            return true;
        }
    }
    return false;
}

void ChainSlots::ReleaseLibrary(ChainSlot& target) {
    target.library.reset();
    target.effect = {};
    target.descriptor = nullptr;
    target.shortForm = false;
    target.registryIndex = registry_.noneIndex();
    target.on.store(false);
    target.open.store(0);
    target.latency.store(0);
    target.kind.store(KIND_BLOCK_PRE);
    target.spectral.store(0);
}

} // namespace lumisett::host
