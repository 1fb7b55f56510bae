// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace ostrel2::tessoran {

// Codewords of 900 and above switch modes or carry control information; the
// values below 900 are data.
inline constexpr std::int32_t kFirstModeCodeword = 900;

inline constexpr std::int32_t kTextLatch = 900;
inline constexpr std::int32_t kByteLatch = 901;
inline constexpr std::int32_t kNumericLatch = 902;
inline constexpr std::int32_t kByteShift = 913;
inline constexpr std::int32_t kReaderInitialisation = 921;
inline constexpr std::int32_t kMacroTerminator = 922;
inline constexpr std::int32_t kMacroOptionalField = 923;
// Byte compaction for a multiple of six bytes: a last group of five codewords
// still stands for six bytes.
inline constexpr std::int32_t kByteLatchSix = 924;
inline constexpr std::int32_t kEciGeneralPurpose = 925;
inline constexpr std::int32_t kEciUserDefined = 926;
inline constexpr std::int32_t kEciCharacterSet = 927;
inline constexpr std::int32_t kMacroControlBlock = 928;

}  // namespace ostrel2::tessoran
