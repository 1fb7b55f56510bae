#pragma once

#include <cstdint>

namespace ostrel2::tessoran {

// Corrects, in place, the `codewordCount` codewords of one symbol whose last
// `ecCount` codewords are Reed-Solomon check codewords over GF(929) with roots
// 3^1 .. 3^ecCount. `erasures` lists `erasureCount` indices of codewords that
// could not be read. Returns -1 when the codewords cannot be corrected (they
// are then unchanged), 0 when nothing needed correcting, otherwise the number
// of positions located (errors and erasures together).
std::int32_t correctErrors(std::int32_t* codewords, const std::int32_t* erasures,
                           std::int32_t erasureCount, std::int32_t codewordCount,
                           std::int32_t ecCount);

}  // namespace ostrel2::tessoran
