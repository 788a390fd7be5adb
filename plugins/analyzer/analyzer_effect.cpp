#include "plugins/analyzer/analyzer_effect.h"

#include "plugin_common/runtime/descriptor.h"
#include "plugin_common/runtime/plugin_runtime.h"
#include "plugins/analyzer/analyzer_identity.h"
#include "platform/dynamic_library.h"

namespace lumisett::analyzer {
namespace {

constexpr const char* kNoiseExport = "GetNoiseTab";

std::size_t Index(TraceId which) {
    return static_cast<std::size_t>(which);
}

// Never loads anything: only a module the host already loaded can lend its table.
std::unique_ptr<platform::DynamicLibrary> FindLoadedModule(const PluginEntry& entry) {
    return plugin::FindLoadedPlugin(LibraryFileName(entry));
}

} // namespace

EffectDescriptor* AnalyzerEffect::Init(std::int32_t* statusWord, std::int32_t maxBins, std::string directory) {
    statusWord_ = statusWord;
    plugin::Runtime().Start(kIdentity, std::move(directory));
    const DisplaySettings settings = ReadSettings(plugin::Runtime().record());
    WriteSettings(plugin::Runtime().record(), settings); // what a damaged file held is not kept
    table_ = ScanPluginTable(plugin::Runtime().directory());
    remembered_ = {kInitialTrace1Text, kInitialTrace2Text, kInitialNoiseText};
    if (!watch_.Start(settings, maxBins)) {
        plugin::Runtime().SetPersistence(false);
        plugin::Runtime().Finish();
        return nullptr;
    }
    plugin::FillDescriptor(descriptor_, {.name = kDisplayName,
                                         .status = kStatusText,
                                         .kind = KIND_ANALYZER,
                                         .spectral = 1,
                                         .latency = 0,
                                         .process = nullptr});
    return &descriptor_;
}

bool AnalyzerEffect::Exit() {
    if (!watch_.started()) {
        return true;
    }
    WriteSettings(plugin::Runtime().record(), watch_.settings());
    watch_.Stop();
    return plugin::Runtime().Finish();
}

void AnalyzerEffect::CloseStream() {
    watch_.ClearTraces(false);
}

void AnalyzerEffect::ForgetNoiseSource() {
    watch_.noiseSource().Forget();
    watch_.SetSelection(TraceId::kNoise, -1);
    watch_.RequestRepaint();
}

void AnalyzerEffect::WindowOpened() {
    watch_.SetWindowOpen(true);
}

void AnalyzerEffect::WindowClosed() {
    watch_.SetWindowOpen(false);
    for (TraceId which : {TraceId::kFirst, TraceId::kSecond, TraceId::kNoise}) {
        watch_.SetSelection(which, -1);
    }
    // Nothing reads the table while the window is closed; opening binds again.
    watch_.noiseSource().Forget();
}

std::vector<std::string> AnalyzerEffect::LoadedNoiseSources() const {
    std::vector<std::string> names;
    for (const PluginEntry& entry : table_) {
        const auto module = FindLoadedModule(entry);
        if (module != nullptr && module->Symbol(kNoiseExport) != nullptr) {
            names.push_back(entry.displayName);
        }
    }
    return names;
}

bool AnalyzerEffect::BindNoiseSource(const std::string& displayName) {
    watch_.noiseSource().Forget();
    const auto entry = FindPlugin(table_, displayName);
    if (!entry) {
        return false;
    }
    // The handle is dropped again at once: the table stays valid until the lender's
    // ExitEffect, which tells us through DenoClose before it frees it.
    const auto module = FindLoadedModule(*entry);
    if (module == nullptr) {
        return false;
    }
    const auto getNoiseTab = module->Function<GetNoiseTabFn>(kNoiseExport);
    if (getNoiseTab == nullptr) {
        return false;
    }
    double* reference = nullptr;
    const float* table = getNoiseTab(&reference);
    if (table == nullptr || reference == nullptr) {
        return false;
    }
    watch_.noiseSource().Bind(table, reference);
    return true;
}

std::array<ListView, 3> AnalyzerEffect::RefillLists() {
    std::array<ListView, 3> lists;
    const std::vector<std::string> positions = watch_.positions().Entries();
    for (TraceId which : {TraceId::kFirst, TraceId::kSecond}) {
        const ListChoice choice = ChooseRemembered(positions, remembered_[Index(which)]);
        remembered_[Index(which)] = choice.remembered;
        watch_.SetSelection(which, choice.selection);
        lists[Index(which)] = {positions, choice.index};
    }
    std::vector<std::string> sources = LoadedNoiseSources();
    sources.emplace_back(kNoneEntry);
    const ListChoice choice = ChooseRemembered(sources, remembered_[Index(TraceId::kNoise)]);
    const int shown = Pick(TraceId::kNoise, sources, choice.index); // binds; "none" when it cannot
    remembered_[Index(TraceId::kNoise)] = choice.remembered; // the text it found, not the entry's
    lists[Index(TraceId::kNoise)] = {std::move(sources), shown};
    return lists;
}

int AnalyzerEffect::Pick(TraceId which, const std::vector<std::string>& entries, int index) {
    ListChoice choice = ChooseEntry(entries, index);
    remembered_[Index(which)] = choice.remembered;
    if (which == TraceId::kNoise) {
        if (choice.selection == -1 || !BindNoiseSource(choice.remembered)) {
            watch_.noiseSource().Forget();
            choice = ChooseEntry(entries, -1);
        }
    }
    watch_.SetSelection(which, choice.selection);
    return choice.index;
}

const std::string& AnalyzerEffect::rememberedText(TraceId which) const {
    return remembered_[Index(which)];
}

void AnalyzerEffect::ChangeSettings(const DisplaySettings& settings) {
    watch_.SetSettings(settings);
    WriteSettings(plugin::Runtime().record(), settings);
}

namespace {
// At namespace scope: TransData reaches it from the audio context without an initialisation
// guard.
AnalyzerEffect g_effect;
} // namespace

AnalyzerEffect& Effect() {
    return g_effect;
}

} // namespace lumisett::analyzer
