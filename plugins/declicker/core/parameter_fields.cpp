#include "plugins/declicker/core/parameter_fields.h"

namespace lumisett::declicker {
namespace {

std::int16_t I16(const plugin::ParameterRecord& record, std::size_t offset) {
    const auto bytes = record.bytes();
    if (offset + 2 > bytes.size()) {
        return 0;
    }
    return static_cast<std::int16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// The record only offers 32-bit stores: keep the neighbouring half of the word as it is.
void SetI16(plugin::ParameterRecord& record, std::size_t offset, std::int16_t value) {
    const std::size_t word = offset & ~std::size_t{3};
    std::uint32_t bits = record.U32(word);
    const unsigned shift = static_cast<unsigned>(offset - word) * 8;
    bits &= ~(0xFFFFu << shift);
    bits |= static_cast<std::uint32_t>(static_cast<std::uint16_t>(value)) << shift;
    record.SetU32(word, bits);
}

} // namespace

void ApplyRecordDefaults(plugin::ParameterRecord& record) {
    WriteValuesToRecord(SettingsValues{}, record);
}

SettingsValues ValuesFromRecord(const plugin::ParameterRecord& record) {
    return {.declick = record.F64(kDeclickOffset),
            .decrackle = record.F64(kDecrackleOffset),
            .mono = record.I32(kMonoOffset),
            .minClick = I16(record, kMinClickOffset),
            .maxEvent = I16(record, kMaxEventOffset),
            .mergeGap = I16(record, kMergeGapOffset),
            .thresholdPasses = I16(record, kPassesOffset)};
}

void WriteValuesToRecord(const SettingsValues& values, plugin::ParameterRecord& record) {
    record.SetI32(kMonoOffset, values.mono);
    record.SetF64(kDeclickOffset, values.declick);
    record.SetF64(kDecrackleOffset, values.decrackle);
    SetI16(record, kMinClickOffset, values.minClick);
    SetI16(record, kMaxEventOffset, values.maxEvent);
    SetI16(record, kMergeGapOffset, values.mergeGap);
    SetI16(record, kPassesOffset, values.thresholdPasses);
}

} // namespace lumisett::declicker
