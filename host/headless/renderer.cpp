#include "host/headless/renderer.h"

#include "host/chain/processing_chain.h"
#include "host/headless/headless_run.h"
#include "host/headless/wav_output.h"
#include "host/source/audio_source.h"
#include "host/startup/host_messages.h"

#include <algorithm>

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
        if (progress) {
            progress(std::min(1.0, static_cast<double>(written) / static_cast<double>(expectedPairs)));
        }
    }
    return RenderResult{true, {}, written, latency};
}

} // namespace

RenderResult RenderFile(HostSession& session, const HostSettings& settings,
                        const RunOptions& options, const RenderProgress& progress) {
    AudioSource source;
    const int opened = source.Open(options.input, &session.decoder());
    if (opened != kSourceOpened) {
        return Failed(opened);
    }
    if (std::string error = LoadChainForRun(session, options); !error.empty()) {
        return Failed(0, error);
    }
    const int32_t blockPairs = settings.bufferPairs;
    ChainSlots& slots = session.slots();
    slots.OpenForPlayback(blockPairs);
    for (int i = 0; i < kSlotCount; ++i) {
        if (slots.slot(i).loaded() && slots.slot(i).open.load() == 0) {
            slots.CloseAfterPlayback();
            return Failed(0, "the plug-in " + options.chain[static_cast<std::size_t>(i)] +
                                 " could not start processing");
        }
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

    WavOutput output;
    RenderResult result = output.Create(options.output, source.sampleRate())
                              ? Pump(chain, source, output, blockPairs, progress)
                              : Failed(kCodeOutputNotCreated);
    if (result.ok && !output.Finish()) {
        result = Failed(kCodeWriteError);
    }
    slots.CloseAfterPlayback();
    chain.Stop();
    return result;
}

} // namespace lumisett::host
