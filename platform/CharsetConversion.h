// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <string>
#include <string_view>
#include <variant>

namespace ostrel2::tessoran {

enum class ConversionFailure {
    NoConverter,   // the platform cannot convert from this character set
    InvalidBytes,  // the bytes are no text in it: a bad or cut-off sequence
};

// Text as UTF-8, or why there is none.
using Utf8Conversion = std::variant<std::string, ConversionFailure>;

// The characters of `bytes`, encoded in the character set the converter
// knows as `converterName`, as UTF-8. Every byte must belong to a character:
// nothing is dropped or replaced.
Utf8Conversion convertToUtf8(std::string_view bytes, const char* converterName);

}  // namespace ostrel2::tessoran
