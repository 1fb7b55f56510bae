// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "decoding/SymbolContent.h"

namespace ostrel2::tessoran {

// One symbol of a Macro PDF417 file: its control block and its data.
struct MacroPart {
    MacroControl control;
    std::string data;
};

// The most segments a file can have: a segment index carries five digits.
inline constexpr std::uint64_t kMostMacroSegments = 100000;

// The parts of one file ID, put together as far as they allow.
struct JoinedFile {
    std::string fileId;
    // The parts' data in index order; empty unless complete().
    std::string data;
    // The number of segments, from a segment count field or a last-segment
    // mark (its index + 1); empty when no part gives one or parts disagree.
    std::optional<std::uint64_t> segmentCount;
    // Every count the parts give, ascending, when they disagree.
    std::vector<std::uint64_t> conflictingCounts;
    // Indices below the count that no part has (below kMostMacroSegments
    // only, as no part can carry a larger one).
    std::vector<std::uint32_t> missing;
    // Indices given twice with different data (the same part read twice is
    // no conflict).
    std::vector<std::uint32_t> conflicting;
    // Indices of parts at or beyond the count.
    std::vector<std::uint32_t> beyondCount;
    // Positions, in the parts given to joinMacroParts, of parts of this file
    // without a segment index: they cannot be placed.
    std::vector<std::size_t> unplaced;
    // Optional fields as the first part that gives them has them; the names
    // ("filename", "sender", ...) of those that other parts give otherwise
    // are listed in conflictingFields.
    std::optional<std::string> fileName, sender, addressee;
    std::optional<std::uint64_t> timeStamp, fileSize, checksum;
    std::vector<std::string> conflictingFields;

    // The count is known and within kMostMacroSegments, every index below it
    // is present once, and no part is conflicting, unplaced or beyond it.
    bool complete() const;
};

// The files that `parts` belong to, one per file ID in the order of its
// first part. Nothing is guessed: a file whose count no part states, or
// whose parts state different counts, is not complete. The checksum field
// is passed on as given, not verified.
std::vector<JoinedFile> joinMacroParts(std::span<const MacroPart> parts);

}  // namespace ostrel2::tessoran
