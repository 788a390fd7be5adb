#include "host/headless/renderer.h"

#include "host/chain/processing_chain.h"
#include "host/headless/headless_run.h"
#include "host/headless/wav_output.h"
#include "host/source/audio_source.h"
#include "host/startup/host_messages.h"

#include <algorithm>
#include <cmath>

namespace lumisett::host {
namespace {

constexpr int kCodeOutputNotCreated = -5;
constexpr int kCodeWriteError = -7;

RenderResult Failed(int code, std::string text = {}) {
    return RenderResult{false, RunFailure{code, text.empty() ? FailureText(code) : std::move(text)}, 0, 0};
}

// Runs blocks through the chain until the source has ended and every pair it delivered has
// come out, dropping the chain's announced latency at the start.
RenderResult Pump(ProcessingChain& chain, AudioSource& source, WavOutput& output, int32_t blockPairs,
                  const RenderProgress& progress) {
    const int64_t unitBytes = 2 * source.channels();
    const int32_t latency = chain.AnnouncedLatency();
    const int64_t expectedPairs = std::max<int64_t>(1, source.dataLength() / unitBytes);
    std::vector<int16_t> block(2 * static_cast<std::size_t>(blockPairs));
    int64_t producedPairs = 0;
    int64_t sourcePairs = -1; // known once the source has ended
    int64_t written = 0;
    while (sourcePairs < 0 || producedPairs < latency + sourcePairs) {
        chain.ProcessBlock(block.data(), source, {});
        if (sourcePairs < 0 && source.endReached()) {
            sourcePairs = (source.position() - source.dataOffset()) / unitBytes;
        }
        int64_t first = std::max<int64_t>(latency, producedPairs);
        int64_t last = producedPairs + blockPairs;
        if (sourcePairs >= 0) {
            last = std::min(last, latency + sourcePairs);
        }
        if (last > first) {
            const auto from = block.begin() + 2 * (first - producedPairs);
            if (!output.Append(std::span<const int16_t>(&*from, static_cast<std::size_t>(2 * (last - first))))) {
                return Failed(kCodeWriteError);
            }
            written += last - first;
        }
        producedPairs += blockPairs;
        if (progress && !progress(std::min(1.0, static_cast<double>(written) / static_cast<double>(expectedPairs)))) {
            return Failed(0, "the render was cancelled");
        }
    }
    return RenderResult{true, {}, written, latency};
}

// Opens every loaded plug-in for blocks of `blockPairs`; the error when one would not start.
std::string OpenSlots(ChainSlots& slots, int32_t blockPairs) {
    slots.OpenForPlayback(blockPairs);
    for (int i = 0; i < kSlotCount; ++i) {
        const ChainSlot& slot = slots.slot(i);
        if (slot.loaded() && slot.open.load() == 0) {
            slots.CloseAfterPlayback();
            const auto& entry = slots.registry().entries()[static_cast<std::size_t>(slot.registryIndex)];
            return "the plug-in " + entry.baseName + " could not start processing";
        }
    }
    return {};
}

void TellEveryPlugIn(ChainSlots& slots, const char* key, const char* value) {
    for (int i = 0; i < kSlotCount; ++i) {
        if (slots.slot(i).loaded()) {
            slots.SetEffectParam(i, key, value); // a plug-in that does not learn says 0: fine
        }
    }
}

// --learn: the span of the source through the chain, opened and closed as for a render of its
// own, with every plug-in told to learn; the output is thrown away and the source rewound. The
// spectral stage analyses each block as it comes in, so learning covers the whole blocks that
// lie inside the span (at least one) and nothing after it.
std::string Learn(ChainSlots& slots, const HostSettings& settings, AudioSource& source,
                  const RunOptions& options) {
    const int32_t blockPairs = settings.bufferPairs;
    if (options.learn->start > 0 && !source.canSeek()) {
        return "--learn can only start at 0 in a source that cannot be repositioned";
    }
    if (std::string error = OpenSlots(slots, blockPairs); !error.empty()) {
        return error;
    }
    ChainControls controls;
    ApplyRunControls(controls, settings, source);
    ProcessingChain chain(slots, controls);
    OverlapAddSpectralStage spectralStage(slots, controls);
    if (!PrepareSpectralStage(spectralStage, chain, settings)) {
        slots.CloseAfterPlayback();
        return "out of memory for the spectral stage";
    }
    chain.Start(blockPairs);
    source.Start(blockPairs);
    const int64_t unitBytes = 2 * source.channels();
    const auto pairAt = [&](double seconds) {
        return static_cast<int64_t>(std::llround(seconds * source.sampleRate()));
    };
    const int64_t firstPair = pairAt(options.learn->start);
    const int64_t blocks = std::max<int64_t>(1, (pairAt(options.learn->end) - firstPair) / blockPairs);
    std::vector<int16_t> block(2 * static_cast<std::size_t>(blockPairs));
    source.Seek(source.dataOffset() + firstPair * unitBytes);
    TellEveryPlugIn(slots, "learn", "start");
    for (int64_t i = 0; i < blocks && !source.endReached(); ++i) {
        chain.ProcessBlock(block.data(), source, {});
    }
    TellEveryPlugIn(slots, "learn", "stop");
    slots.CloseAfterPlayback();
    chain.Stop();
    source.Rewind();
    return {};
}

} // namespace

RenderResult RenderFile(HostSession& session, const HostSettings& settings,
                        const RunOptions& options, const RenderProgress& progress) {
    AudioSource source;
    if (auto failure = StartRun(session, options, source)) {
        return Failed(failure->code, failure->text);
    }
    ChainSlots& slots = session.slots();
    if (options.learn) {
        if (std::string error = Learn(slots, settings, source, options); !error.empty()) {
            return Failed(0, error);
        }
    }
    return RenderThroughChain(slots, settings, source, options.output, progress);
}

RenderResult RenderThroughChain(ChainSlots& slots, const HostSettings& settings, AudioSource& source,
                                const std::string& output, const RenderProgress& progress) {
    const int32_t blockPairs = settings.bufferPairs;
    if (std::string error = OpenSlots(slots, blockPairs); !error.empty()) {
        return Failed(0, error);
    }
    ChainControls controls;
    ApplyRunControls(controls, settings, source);
    ProcessingChain chain(slots, controls);
    OverlapAddSpectralStage spectralStage(slots, controls);
    if (!PrepareSpectralStage(spectralStage, chain, settings)) {
        slots.CloseAfterPlayback();
        return Failed(0, "out of memory for the spectral stage");
    }
    chain.Start(blockPairs);
    source.Start(blockPairs);

    WavOutput file;
    RenderResult result = file.Create(output, source.sampleRate())
                              ? Pump(chain, source, file, blockPairs, progress)
                              : Failed(kCodeOutputNotCreated);
    if (result.ok && !file.Finish()) {
        result = Failed(kCodeWriteError);
    }
    slots.CloseAfterPlayback();
    chain.Stop();
    return result;
}

} // namespace lumisett::host
