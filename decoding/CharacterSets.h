// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <span>

namespace ostrel2::tessoran {

// The character set an ECI number selects for the data bytes after it.
struct CharacterSet {
    std::int32_t eci;
    // The name shown to users and written to structured output.
    const char* name;
    // The name the converter opens; nullptr for data that is no text.
    const char* converterName;
};

// The ECI in force when a symbol gives none: code page 437.
inline constexpr std::int32_t kDefaultEci = 2;
// Binary data: bytes that stand for no characters.
inline constexpr std::int32_t kBinaryEci = 899;

// Every ECI with a known character set, in ascending order.
std::span<const CharacterSet> characterSets();

// The set of `eci`, or nullptr when the number names none known here.
const CharacterSet* characterSetOfEci(std::int32_t eci);

// The public name of the set of `eci` ("CP437", "ISO-8859-1", "Shift_JIS",
// "UTF-8", ..., "binary" for ECI 899), or nullptr when it is unknown.
const char* charsetNameOfEci(std::int32_t eci);

}  // namespace ostrel2::tessoran
