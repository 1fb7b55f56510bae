// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// Decodes one run of byte-compaction codewords (0 to 899) and appends its
// bytes as one 'b' segment, also when the run is empty (count 0 or less).
// Five codewords form a group of six bytes; the others stand for one byte
// each. `mode` is the mode codeword the run was collected under: after the
// latch 901 the last one to five codewords are single bytes, after 924 (and
// for the one codeword of a byte shift 913) every full five form a group.
void decodeByteCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count,
                          std::int32_t mode);

}  // namespace ostrel2::tessoran
