// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// The four character sets of text compaction. Each codeword carries two text
// values of 0 to 29, read in the sub-mode in force.
enum class TextSubMode : std::int32_t { Upper = 0, Lower = 1, Mixed = 2, Punctuation = 3 };

inline constexpr std::int32_t kTextSubModeCount = 4;
inline constexpr std::int32_t kTextValueCount = 30;

namespace text_detail {

// The characters by text value, one column per sub-mode in the order Upper,
// Lower, Mixed, Punctuation. Cells that latch or shift are control values;
// they are acted on, never looked up, and hold a space.
inline constexpr char kCharactersByValue[kTextValueCount][kTextSubModeCount] = {
    {'A', 'a', '0', ';'},   {'B', 'b', '1', '<'},  {'C', 'c', '2', '>'}, {'D', 'd', '3', '@'},
    {'E', 'e', '4', '['},   {'F', 'f', '5', '\\'}, {'G', 'g', '6', ']'}, {'H', 'h', '7', '_'},
    {'I', 'i', '8', '`'},   {'J', 'j', '9', '~'},  {'K', 'k', '&', '!'}, {'L', 'l', '\r', '\r'},
    {'M', 'm', '\t', '\t'}, {'N', 'n', ',', ','},  {'O', 'o', ':', ':'}, {'P', 'p', '#', '\n'},
    {'Q', 'q', '-', '-'},   {'R', 'r', '.', '.'},  {'S', 's', '$', '$'}, {'T', 't', '/', '/'},
    {'U', 'u', '+', '"'},   {'V', 'v', '%', '|'},  {'W', 'w', '*', '*'}, {'X', 'x', '=', '('},
    {'Y', 'y', '^', ')'},   {'Z', 'z', ' ', '?'},  {' ', ' ', ' ', '{'}, {' ', ' ', ' ', '}'},
    {' ', ' ', ' ', '\''},  {' ', ' ', ' ', ' '},
};

}  // namespace text_detail

// textCharTable[subMode][value]: the character of a text value in a sub-mode.
inline constexpr std::array<std::array<char, kTextValueCount>, kTextSubModeCount> textCharTable =
    [] {
        std::array<std::array<char, kTextValueCount>, kTextSubModeCount> table{};
        for (std::size_t value = 0; value < kTextValueCount; ++value) {
            for (std::size_t subMode = 0; subMode < kTextSubModeCount; ++subMode) {
                table[subMode][value] = text_detail::kCharactersByValue[value][subMode];
            }
        }
        return table;
    }();

// Decodes one run of text-compaction codewords (0 to 899) and appends its
// characters as one 't' segment, also when the run is empty (count 0 or
// less). The run starts in the latched sub-mode `subMode` and leaves in it
// the sub-mode latched at the end of the run; a shift still pending at the
// end is dropped. This is how the sub-mode carries over a run cut short by a
// byte shift, an ECI designator or a reserved codeword.
void decodeTextCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count,
                          TextSubMode& subMode);

// The same for a run that stands alone: it starts in Upper.
void decodeTextCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count);

}  // namespace ostrel2::tessoran
