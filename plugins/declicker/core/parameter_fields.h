#pragma once
// declicker.par: where each setting sits in the 56-byte record, and its defaults.
//
//   0  magic (0x26031970)        24  double: decrackle factor K   36  int16: merge gap
//   4  int32: mono option        32  int16: minimum click length  38  int16: threshold passes
//   8  double: declick factor D  34  int16: maximum event length  40  editor rectangle
//   16 eight bytes kept as read

#include "plugin_common/runtime/parameter_record.h"
#include "plugins/declicker/core/settings.h"

#include <cstddef>
#include <cstdint>

namespace lumisett::declicker {

inline constexpr std::size_t kRecordSize = 56;
inline constexpr std::uint32_t kRecordMagic = 0x26031970;
inline constexpr std::size_t kMonoOffset = 4;
inline constexpr std::size_t kDeclickOffset = 8;
inline constexpr std::size_t kDecrackleOffset = 24;
inline constexpr std::size_t kMinClickOffset = 32;
inline constexpr std::size_t kMaxEventOffset = 34;
inline constexpr std::size_t kMergeGapOffset = 36;
inline constexpr std::size_t kPassesOffset = 38;
inline constexpr std::size_t kRectangleOffset = 40;

// The defaults of a missing or invalid file; bytes 16..23 and the magic are left as they are.
void ApplyRecordDefaults(plugin::ParameterRecord& record);

SettingsValues ValuesFromRecord(const plugin::ParameterRecord& record);
void WriteValuesToRecord(const SettingsValues& values, plugin::ParameterRecord& record);

} // namespace lumisett::declicker
