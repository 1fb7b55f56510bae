// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "objects/ObjectReference.h"
#include "pattern/I2DBitPattern.h"

namespace ostrel2::tessoran {

// A bar string read for decoding, or the exit status of a run that must not
// decode it.
struct BarStringInput {
    ObjectReference<I2DBitPattern> pattern;  // null when refused
    std::optional<int> refusalStatus;
    std::string refusalMessage;  // a line, empty when not refused
};

// Reads the bar string of `stream` to its end and says what is wrong with
// it, printing nothing: see readBarStringInput.
BarStringInput loadBarStringInput(std::FILE* stream, std::string_view unreadableMessage);

// Reads the bar string of `stream` to its end. A stream that fails gets
// `unreadableMessage` on standard error and status 2; a text too large for
// any grid gets its own message and status 2; a character that is not a
// hexadecimal digit within the grid gets "Invalid character(c) is
// encountered." (the character escaped like any outside text) and status 10.
// The character named is the first in reading order, the one the decoder
// would have met first, so the run ends as if decoding had met it.
BarStringInput readBarStringInput(std::FILE* stream, std::string_view unreadableMessage);

}  // namespace ostrel2::tessoran
