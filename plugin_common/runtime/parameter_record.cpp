#include "plugin_common/runtime/parameter_record.h"

#include "platform/file_io.h"
#include "platform/message.h"

#include <bit>

namespace lumisett::plugin {

ParameterRecord::ParameterRecord(const ParameterLayout& layout)
    : layout_(layout), bytes_(layout.size, 0) {}

bool ParameterRecord::Fits(std::size_t offset, std::size_t width) const {
    return offset <= bytes_.size() && width <= bytes_.size() - offset;
}

std::uint32_t ParameterRecord::U32(std::size_t offset) const {
    if (!Fits(offset, 4)) {
        return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(bytes_[offset + i]) << (8 * i);
    }
    return value;
}

void ParameterRecord::SetU32(std::size_t offset, std::uint32_t value) {
    if (!Fits(offset, 4)) {
        return;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::int32_t ParameterRecord::I32(std::size_t offset) const {
    return static_cast<std::int32_t>(U32(offset));
}

void ParameterRecord::SetI32(std::size_t offset, std::int32_t value) {
    SetU32(offset, static_cast<std::uint32_t>(value));
}

float ParameterRecord::F32(std::size_t offset) const {
    return std::bit_cast<float>(U32(offset));
}

void ParameterRecord::SetF32(std::size_t offset, float value) {
    SetU32(offset, std::bit_cast<std::uint32_t>(value));
}

double ParameterRecord::F64(std::size_t offset) const {
    if (!Fits(offset, 8)) {
        return 0.0;
    }
    const std::uint64_t low = U32(offset);
    const std::uint64_t high = U32(offset + 4);
    return std::bit_cast<double>(low | (high << 32));
}

void ParameterRecord::SetF64(std::size_t offset, double value) {
    if (!Fits(offset, 8)) {
        return;
    }
    const auto bits = std::bit_cast<std::uint64_t>(value);
    SetU32(offset, static_cast<std::uint32_t>(bits));
    SetU32(offset + 4, static_cast<std::uint32_t>(bits >> 32));
}

bool ParameterRecord::HasMagic() const {
    return Fits(0, 4) && U32(0) == layout_.magic;
}

WindowRect ParameterRecord::rectangle() const {
    const std::size_t at = layout_.rectangleOffset;
    return {I32(at), I32(at + 4), I32(at + 8), I32(at + 12)};
}

void ParameterRecord::SetRectangle(const WindowRect& rect) {
    const std::size_t at = layout_.rectangleOffset;
    SetI32(at, rect.left);
    SetI32(at + 4, rect.top);
    SetI32(at + 8, rect.right);
    SetI32(at + 12, rect.bottom);
}

bool ParameterRecord::Assign(std::span<const std::uint8_t> bytes) {
    if (bytes.size() != bytes_.size()) {
        return false;
    }
    bytes_.assign(bytes.begin(), bytes.end());
    return true;
}

namespace {

void StartFromDefaults(ParameterRecord& record, ApplyDefaults applyDefaults) {
    record.SetU32(0, record.layout().magic);
    record.SetRectangle({});
    if (applyDefaults != nullptr) {
        applyDefaults(record);
    }
    record.SetPositionValid(false);
}

} // namespace

bool LoadParameterFile(ParameterRecord& record, const std::string& path,
                       ApplyDefaults applyDefaults) {
    // A file longer than the record is refused unread, whatever its size.
    const auto bytes = platform::ReadWholeFile(path, record.layout().size);
    const bool valid = bytes && record.Assign(*bytes) && record.HasMagic();
    if (!valid) {
        platform::ShowMessage(kParameterErrorCaption, kParameterErrorText);
        StartFromDefaults(record, applyDefaults);
    }
    return valid;
}

bool SaveParameterFile(const ParameterRecord& record, const std::string& path) {
    return platform::WriteFileAtomically(path, record.bytes());
}

void ShowSaveFailure() {
    platform::ShowMessage(kSaveErrorCaption, kSaveErrorText);
}

} // namespace lumisett::plugin
