// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// Appends the 'm' segment "[index][file ID]" of a Macro PDF417 control block:
// the run after 928. Its first two codewords are the segment index in numeric
// compaction, the rest the file ID in text compaction, starting in Upper. A
// run of one codeword gives the index from that codeword alone and an empty
// file ID. An index whose numeric group is invalid shows the marker of
// numeric compaction instead of a number.
void decodeMacroControlBlock(SegmentList& target, const std::int32_t* run, std::int32_t count);

// Appends the 'o' segment "[name:value]" of one Macro PDF417 optional field:
// the run after 923, a designator codeword and the field data. Designators 0,
// 3 and 4 hold text, 1, 2, 5 and 6 a number (or, when a numeric group is
// invalid, the decoded text with its marker); any other designator, or an
// empty run, appends nothing.
void decodeMacroOptionalField(SegmentList& target, const std::int32_t* run, std::int32_t count);

// Appends the empty 'z' segment that marks the last segment of a Macro PDF417
// file (codeword 922).
void appendMacroTerminator(SegmentList& target);

}  // namespace ostrel2::tessoran
