// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel2::tessoran {

// One piece of decoded data: what produced it and its bytes (any value,
// 0 included). A Macro PDF417 control block ('m') or optional field ('o')
// also keeps the codewords of its run, so that its values can be read again
// as numbers and text apart from the markup; every other segment leaves them
// empty.
struct Segment {
    char tag;
    std::string text;
    std::vector<std::int32_t> codewords{};
};

// Tags of the producers.
inline constexpr char kTextTag = 't';
inline constexpr char kByteTag = 'b';
inline constexpr char kNumericTag = 'n';
inline constexpr char kEciTag = 'e';
inline constexpr char kMacroControlTag = 'm';
inline constexpr char kMacroOptionalTag = 'o';
inline constexpr char kMacroTerminatorTag = 'z';

// A symbol's decoded data, in the order it was appended.
using SegmentList = std::vector<Segment>;

// The one way to add decoded data: a copy of the tag and text goes to the end
// of the list.
void appendSegment(SegmentList& target, char tag, std::string_view text);
// The same, with a copy of the codewords the segment was decoded from.
void appendSegment(SegmentList& target, char tag, std::string_view text,
                   std::span<const std::int32_t> codewords);

}  // namespace ostrel2::tessoran
