#pragma once
// A plug-in's parameter record and its file.
//
// The record is a fixed number of bytes that begins with a 32-bit little-endian magic and
// holds the editor window's screen rectangle at a fixed offset; the file is exactly those
// bytes. Fields are read and written one by one in little-endian, so the file is the same on
// every machine and no packed struct is ever cast over it. Every accessor checks its offset:
// a wrong offset reads 0 and writes nothing, it never reaches outside the record.
//
// Thread: window thread only (InitEffect, the editor, ExitEffect).

#include "platform/standard_messages.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lumisett::plugin {

// What distinguishes one plug-in's record from another's.
struct ParameterLayout {
    const char* fileName = "";      // "zeroline.par"
    std::size_t size = 0;           // bytes in the record and the file
    std::uint32_t magic = 0;        // first four bytes, little-endian
    std::size_t rectangleOffset = 0; // left, top, right, bottom: signed 32-bit each
};

// Screen coordinates of the editor window: right and bottom are left + width, top + height.
struct WindowRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

class ParameterRecord {
public:
    ParameterRecord() = default;
    explicit ParameterRecord(const ParameterLayout& layout);

    const ParameterLayout& layout() const { return layout_; }
    std::span<const std::uint8_t> bytes() const { return bytes_; }

    std::uint32_t U32(std::size_t offset) const;
    std::int32_t I32(std::size_t offset) const;
    float F32(std::size_t offset) const;
    double F64(std::size_t offset) const;
    void SetU32(std::size_t offset, std::uint32_t value);
    void SetI32(std::size_t offset, std::int32_t value);
    void SetF32(std::size_t offset, float value);
    void SetF64(std::size_t offset, double value);

    bool HasMagic() const;
    WindowRect rectangle() const;
    void SetRectangle(const WindowRect& rect);

    // True unless the file was invalid at start-up: only then is the saved rectangle trusted.
    bool positionValid() const { return positionValid_; }
    void SetPositionValid(bool valid) { positionValid_ = valid; }

    // Takes `bytes` as the record when they are exactly the record's size.
    bool Assign(std::span<const std::uint8_t> bytes);

private:
    bool Fits(std::size_t offset, std::size_t width) const;

    ParameterLayout layout_;
    std::vector<std::uint8_t> bytes_;
    bool positionValid_ = true;
};

// Sets the plug-in's own default values; fields it does not set keep what the record held.
using ApplyDefaults = void (*)(ParameterRecord& record);

// The host shows the same texts for its own settings file.
using platform::kParameterErrorCaption;
using platform::kParameterErrorText;
using platform::kSaveErrorCaption;
using platform::kSaveErrorText;

// Reads the record from `path`. A missing or unreadable file, a file of any other length, or
// one without the magic shows the parameter-file message and then starts from defaults: magic
// set, rectangle zero, `applyDefaults` (may be null), position not trusted. True when the
// file was valid.
bool LoadParameterFile(ParameterRecord& record, const std::string& path,
                       ApplyDefaults applyDefaults);

// Replaces the file at `path` with the record in one step: a failed save leaves the previous
// file as it was. Shows nothing; false on failure (see ShowSaveFailure).
bool SaveParameterFile(const ParameterRecord& record, const std::string& path);

// The message ExitEffect shows when the save failed.
void ShowSaveFailure();

} // namespace lumisett::plugin
