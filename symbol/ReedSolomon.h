// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace ostrel2::tessoran {

// Corrects, in place, the `codewordCount` codewords of one symbol whose last
// `ecCount` codewords are Reed-Solomon check codewords over GF(929) with roots
// 3^1 .. 3^ecCount. `erasures` lists `erasureCount` indices of codewords that
// could not be read. Returns -1 when the codewords cannot be corrected (they
// are then unchanged), 0 when nothing needed correcting, otherwise the number
// of positions located (errors and erasures together; an erased codeword whose
// value was in fact 0 counts too).
//
// Refused with -1, nothing changed: negative counts; codeword values outside
// 0 .. 928; ecCount above 2047 (the fixed working storage); erasure indices
// outside 0 .. codewordCount - 1; more distinct erasures than ecCount (an
// index listed twice counts once); a damaged word longer than 928 codewords,
// in which two positions share each locator; and any located position outside
// the word or set of errors that does not account for every syndrome. An
// ecCount below 1 corrects nothing and returns 0.
std::int32_t correctErrors(std::int32_t* codewords, const std::int32_t* erasures,
                           std::int32_t erasureCount, std::int32_t codewordCount,
                           std::int32_t ecCount);

}  // namespace ostrel2::tessoran
