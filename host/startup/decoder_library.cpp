#include "host/startup/decoder_library.h"

namespace lumisett::host {

void DecoderLibrary::Bind(const std::string& programDirectory) {
    Unload();
    library_ = platform::DynamicLibrary::Open(programDirectory + kDecoderLibraryFile);
    if (!library_) {
        return;
    }
    DecoderEntryPoints& e = entryPoints_;
    e.initUlx = library_->Function<InitUlxFn>("InitUlx");
    e.ulx = library_->Function<UlxFn>("Ulx");
    e.ulxOneBck = library_->Function<UlxOneBckFn>("UlxOneBck");
    e.seekUlx = library_->Function<SeekUlxFn>("SeekUlx");
    e.resetUlx = library_->Function<ResetUlxFn>("ResetUlx");
    e.exitUlx = library_->Function<ExitUlxFn>("ExitUlx");
    e.ulxFrameSamples = library_->Function<UlxFrameSamplesFn>("UlxFrameSamples");
    available_ = e.initUlx && e.ulx && e.ulxOneBck && e.seekUlx && e.resetUlx && e.exitUlx;
}

void DecoderLibrary::Unload() {
    available_ = false;
    entryPoints_ = {};
    library_.reset();
}

} // namespace lumisett::host
