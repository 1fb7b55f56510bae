// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// What a Macro PDF417 control block (928) and its optional fields (923) say
// about the file a symbol belongs to, as values rather than markup.
struct MacroControl {
    // Empty when its numeric group is invalid or spells no digit.
    std::optional<std::uint32_t> segmentIndex;
    // The file ID codewords, three decimal digits each ("017053"): the form
    // encoders take it in, and the key that parts of one file share.
    std::string fileId;
    // The same codewords read as text compaction, as the markup shows them.
    std::string fileIdText;
    std::optional<std::string> fileName, sender, addressee;
    // Empty when absent or not a valid number (an invalid numeric group, no
    // digit, or beyond 64 bits).
    std::optional<std::uint64_t> segmentCount, timeStamp, fileSize, checksum;
    // The terminator 922 was present: this is the file's last segment.
    bool lastSegment = false;
};

// A stretch of a symbol's data, or a change of character set within it.
struct ContentPiece {
    enum class Kind { Data, Eci };
    Kind kind = Kind::Data;
    // Data: the bytes of the text, byte and numeric runs that follow one
    // another without an ECI or Macro segment between them.
    std::string bytes;
    // Data: the ECI in force (kNoEci when none was given, so that the
    // reader's default applies); Eci: the number the designator gives.
    std::int32_t eci = -1;
};

inline constexpr std::int32_t kNoEci = -1;

struct SymbolContent {
    // In the order of the symbol's data.
    std::vector<ContentPiece> pieces;
    // Present when a control block was read.
    std::optional<MacroControl> macro;

    // All Data bytes back to back, without markup: what the symbol
    // contributes to a Macro PDF417 file.
    std::string data() const;
};

// The structured reading of a symbol's segments. Data pieces are never
// empty: an empty run adds none. Optional fields and the terminator count
// only in a symbol that has a control block, whatever their order; a field
// given twice (or a second control block) replaces what came before: the last
// one wins.
SymbolContent contentOf(const SegmentList& segments);

}  // namespace ostrel2::tessoran
