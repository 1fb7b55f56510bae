// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "decoding/CharacterSets.h"
#include "decoding/SymbolContent.h"

namespace ostrel2::tessoran {

enum class TextFailure {
    UnknownEci,    // an ECI number that names no known character set
    BinaryData,    // data under ECI 899, which is no text
    InvalidBytes,  // bytes that are no text in their character set
    NoConverter,   // a known set that this platform cannot convert from
};

// Where text could not be made: the failure, the index of the Data piece in
// SymbolContent::pieces (0 for a single piece) and the ECI it was read in.
struct TextProblem {
    TextFailure failure;
    std::size_t piece = 0;
    std::int32_t eci = kNoEci;
};

// A symbol's data as UTF-8, or why it has none. Text is all or nothing: a
// piece that cannot be converted leaves `utf8` empty.
struct TextResult {
    std::string utf8;
    std::optional<TextProblem> problem;

    bool ok() const { return !problem.has_value(); }
};

// The bytes of one piece, in the set of `eci`, as UTF-8.
TextResult utf8TextOf(std::string_view bytes, std::int32_t eci);

// All Data pieces as UTF-8, each in the set of the ECI in force for it;
// `defaultEci` stands for the pieces that no ECI governs. ECI pieces
// themselves add no text.
TextResult utf8Text(const SymbolContent& content, std::int32_t defaultEci = kDefaultEci);

}  // namespace ostrel2::tessoran
