#pragma once
// The host's four chain slots: loading a registered plug-in into a slot, binding its entry
// points, driving the contract's calls around loading and unloading, and the analyzer's
// host-wide binding. Free of any window code: the main window calls the handlers below.
//
// Threads: everything here runs on the window thread, except the chain's per-block reads of
// `open`, `on`, `kind`, `spectral` and the bound DoEffect/TransData, which the audio thread
// makes inside a ChainPass. Fields the audio thread reads are atomics; a slot is published to
// the chain by storing its `open` flag last, and retired by clearing it and waiting until the
// chain is not inside a pass before anything of the plug-in is closed or unloaded.

#include "host/plugins/plugin_registry.h"
#include "platform/dynamic_library.h"
#include "plugin_common/effect_api.h"

#include <array>
#include <atomic>
#include <memory>
#include <string>

namespace lumisett::host {

inline constexpr int kSlotCount = 4;
inline constexpr std::size_t kAnnounceBufferSize = 204;

// The entry points bound from one plug-in library; a missing export is null.
struct BoundEffect {
    InitEffectFn initEffect = nullptr;
    ExitEffectFn exitEffect = nullptr;
    OpenEffWindowFn openEffWindow = nullptr;
    CloseEffWindowFn closeEffWindow = nullptr;
    OpenEffectFn openEffect = nullptr;
    CloseEffectFn closeEffect = nullptr;
    DoEffectFn doEffect = nullptr;
    TransEffFn transEff = nullptr;
    TransDataFn transData = nullptr;
    SetEffectParamFn setEffectParam = nullptr; // optional
};

// What a descriptor declares about its plug-in.
struct DescriptorValues {
    bool shortForm = false;
    int32_t latency = 0;
    int32_t kind = KIND_BLOCK_PRE;
    int32_t spectral = 0;
};

struct ChainSlot {
    int registryIndex = 0; // equals the registry count for "none"
    std::unique_ptr<platform::DynamicLibrary> library;
    BoundEffect effect;
    const EffectDescriptor* descriptor = nullptr;
    bool shortForm = false;
    std::atomic<bool> on{false};      // the slot's "use" box
    std::atomic<int32_t> open{0};     // OpenEffect's result; nonzero: the chain calls it
    std::atomic<int32_t> latency{0};  // sample pairs
    std::atomic<int32_t> kind{KIND_BLOCK_PRE};
    std::atomic<int32_t> spectral{0};

    bool loaded() const { return library != nullptr; }
};

// Marks the audio thread's passes through the chain, so that the window thread can wait
// until no pass uses a plug-in it is about to close. The audio thread never waits.
class ChainActivity {
public:
    void EnterPass() { inPass_.store(true); }
    void LeavePass() { inPass_.store(false); }
    // Window thread: returns once no pass is running. With notification on the window thread
    // no pass can be running here, so this returns at once.
    void WaitUntilIdle() const;

private:
    std::atomic<bool> inPass_{false};
};

class ChainPass {
public:
    explicit ChainPass(ChainActivity& activity) : activity_(activity) { activity_.EnterPass(); }
    ~ChainPass() { activity_.LeavePass(); }
    ChainPass(const ChainPass&) = delete;
    ChainPass& operator=(const ChainPass&) = delete;

private:
    ChainActivity& activity_;
};

class ChainSlots {
public:
    // `programDirectory` ends with "/"; `statusWord` is the host status word that every
    // plug-in receives (the host writes it atomically).
    ChainSlots(PluginRegistry& registry, std::string programDirectory, int32_t* statusWord);
    ~ChainSlots(); // ExitAll() if it has not run; then the libraries are unloaded
    ChainSlots(const ChainSlots&) = delete;
    ChainSlots& operator=(const ChainSlots&) = delete;

    // The main window (a QWidget*) that owns the plug-ins' editors; null runs without editors.
    void SetOwnerWindow(void* owner) { ownerWindow_ = owner; }

    // --- handlers of the main window ---------------------------------------------------
    // Slot list selection changed to `listIndex`; returns the index the list must show.
    int SelectionChanged(int slot, int listIndex);
    // "use" box clicked; returns the state the box must show.
    bool UseClicked(int slot, bool checked);
    // "open" button: shows the plug-in's editor again.
    void OpenPressed(int slot);

    // --- the load and unload sequences --------------------------------------------------
    bool LoadIntoSlot(int slot, int registryIndex);
    void UnloadSlot(int slot);
    void AnnounceNames();

    // Headless runs: hands one parameter to the plug-in in `slot`; false when the slot is
    // empty, the plug-in has no such export, or it refused the value.
    bool SetEffectParam(int slot, const char* key, const char* value);

    // --- playback -------------------------------------------------------------------------
    // Playback start: OpenEffect(B) for every loaded slot that is not open.
    void OpenForPlayback(int32_t blockPairs);
    // Playback stop, after the device returned every buffer: CloseEffect for every open slot.
    void CloseAfterPlayback();
    bool playbackRunning() const { return playbackBlockPairs_ != 0; }

    // Host exit: ExitEffect for every loaded slot in slot order; nothing is unloaded here.
    void ExitAll();

    // --- for the chain and the windows -------------------------------------------------------
    const ChainSlot& slot(int index) const { return slots_.at(static_cast<std::size_t>(index)); }
    // Either thread.
    bool AnySpectralLoaded() const;
    // The analyzer's TransData, or null; read by the chain once per frame.
    TransDataFn boundTransData() const { return transData_.load(std::memory_order_acquire); }
    ChainActivity& activity() { return activity_; }
    const PluginRegistry& registry() const { return registry_; }

private:
    ChainSlot& At(int slot) { return slots_.at(static_cast<std::size_t>(slot)); }
    bool BindAndInitialise(ChainSlot& target, int registryIndex);
    static DescriptorValues ReadDescriptor(const EffectDescriptor* descriptor);
    void ReleaseLibrary(ChainSlot& target);

    PluginRegistry& registry_;
    std::string programDirectory_;
    int32_t* statusWord_;
    void* ownerWindow_ = nullptr;
    std::array<ChainSlot, kSlotCount> slots_;
    int32_t playbackBlockPairs_ = 0;
    bool exited_ = false;

    // The analyzer's host-wide binding: the last analyzer loaded is served.
    int analyzerSlot_ = -1;
    TransEffFn transEff_ = nullptr;
    std::atomic<TransDataFn> transData_{nullptr};
    ChainActivity activity_;
};

} // namespace lumisett::host
