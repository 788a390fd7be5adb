#pragma once
// The Layer III decoder library "ulx3.so", bound at start-up. Its absence is normal: the host
// then simply does not recognise Layer III files.

#include "decoder/ulx3_api.h"
#include "platform/dynamic_library.h"

#include <memory>
#include <string>

namespace lumisett::host {

inline constexpr const char* kDecoderLibraryFile = "ulx3.so";

struct DecoderEntryPoints {
    InitUlxFn initUlx = nullptr;
    UlxFn ulx = nullptr;
    UlxOneBckFn ulxOneBck = nullptr;
    SeekUlxFn seekUlx = nullptr;
    ResetUlxFn resetUlx = nullptr;
    ExitUlxFn exitUlx = nullptr;
    // Optional: without it every frame counts as a full frame.
    UlxFrameSamplesFn ulxFrameSamples = nullptr;
};

class DecoderLibrary {
public:
    // Loads "ulx3.so" from the program directory and binds its six entry points. Silent when
    // the library or any entry point is missing.
    void Bind(const std::string& programDirectory);
    // The library stays loaded until here even when an entry point was missing.
    void Unload();

    // True only when the library loaded and all six entry points were found.
    bool available() const { return available_; }
    bool loaded() const { return library_ != nullptr; }
    const DecoderEntryPoints& entryPoints() const { return entryPoints_; }

private:
    std::unique_ptr<platform::DynamicLibrary> library_;
    DecoderEntryPoints entryPoints_;
    bool available_ = false;
};

} // namespace lumisett::host
