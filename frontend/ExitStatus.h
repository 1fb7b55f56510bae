// SPDX-License-Identifier: Apache-2.0
#pragma once

namespace ostrel2::tessoran {

// The program's exit statuses.
inline constexpr int kExitOk = 0;                 // also when decoding failed and said so
inline constexpr int kExitUsage = 1;              // no argument; the image library did not start
inline constexpr int kExitInput = 2;              // the input could not be read or taken
inline constexpr int kExitOutput = 3;             // standard output could not be written
inline constexpr int kExitInvalidCharacter = 10;  // a bar string holds a non-digit
inline constexpr int kExitInternal = 70;          // a fault of the program itself

}  // namespace ostrel2::tessoran
