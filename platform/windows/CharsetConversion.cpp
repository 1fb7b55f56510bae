// SPDX-License-Identifier: Apache-2.0
#include "platform/CharsetConversion.h"

namespace ostrel2::tessoran {

// The Windows build has no iconv, and the platform's code pages do not cover
// every set an ECI names; until a converter of its own is written, text in
// any character set is reported as not convertible rather than guessed.
Utf8Conversion convertToUtf8(std::string_view, const char*) {
    return ConversionFailure::NoConverter;
}

}  // namespace ostrel2::tessoran
