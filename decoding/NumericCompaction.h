#pragma once

#include <cstdint>

#include "decoding/DecodeResult.h"

namespace ostrel2::tessoran {

// Decodes one run of numeric-compaction codewords (0 to 899) and appends its
// decimal digits as one 'n' segment, also when the run is empty (count 0 or
// less). Every 15 codewords (the last group fewer) form one base-900 number
// whose decimal form begins with a 1 that is not part of the data. A group
// that does not begin with 1 adds no digits and prints "<invalid>" on
// standard output; the groups after it are decoded as usual.
void decodeNumericCompaction(DecodeResult& target, const std::int32_t* run, std::int32_t count);

}  // namespace ostrel2::tessoran
