// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>

namespace ostrel2::tessoran {

// One piece of decoded data: what produced it and its bytes (any value,
// 0 included).
struct Segment {
    char tag;
    std::string text;
};

// Tags of the producers.
inline constexpr char kTextTag = 't';
inline constexpr char kByteTag = 'b';
inline constexpr char kNumericTag = 'n';
inline constexpr char kEciTag = 'e';
inline constexpr char kMacroControlTag = 'm';
inline constexpr char kMacroOptionalTag = 'o';
inline constexpr char kMacroTerminatorTag = 'z';

}  // namespace ostrel2::tessoran
