// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

// The run of a control block cut into its two parts: the first (up to) two
// codewords hold the segment index, the rest the file ID.
struct ControlBlockCodewords {
    std::span<const std::int32_t> segmentIndex;
    std::span<const std::int32_t> fileId;
};
ControlBlockCodewords splitControlBlock(std::span<const std::int32_t> run);

// The optional fields of a control block, by their designator codeword.
enum class MacroField : std::int32_t {
    FileName = 0,
    SegmentCount = 1,
    TimeStamp = 2,
    Sender = 3,
    Addressee = 4,
    FileSize = 5,
    Checksum = 6,
};

// The field a designator codeword names; none for any other value.
std::optional<MacroField> macroFieldOf(std::int32_t designator);
// Its name as the markup shows it: "filename", "segmentcount", ...
std::string_view macroFieldName(MacroField field);
// Whether its data is text (file name, sender, addressee) rather than a number.
bool macroFieldHoldsText(MacroField field);

// The characters of codewords read in text compaction from Upper, as a file
// ID and the text fields are written.
std::string macroText(std::span<const std::int32_t> codewords);

// The number that codewords spell in numeric compaction, as the segment
// index and the number fields are written; none when they spell no digit at
// all, hold an invalid numeric group or spell a number beyond 64 bits.
std::optional<std::uint64_t> macroNumber(std::span<const std::int32_t> codewords);

// Appends the 'm' segment "[index][file ID]" of a Macro PDF417 control block:
// the run after 928. Its first two codewords are the segment index in numeric
// compaction, the rest the file ID in text compaction, starting in Upper. A
// run of one codeword gives the index from that codeword alone and an empty
// file ID. An index whose numeric group is invalid shows the marker of
// numeric compaction instead of a number.
void decodeMacroControlBlock(SegmentList& target, const std::int32_t* run, std::int32_t count);

// Appends the 'o' segment "[name:value]" of one Macro PDF417 optional field:
// the run after 923, a designator codeword and the field data. Designators 0,
// 3 and 4 hold text, 1, 2, 5 and 6 a number (or, when a numeric group is
// invalid, the decoded text with its marker); any other designator, or an
// empty run, appends nothing.
void decodeMacroOptionalField(SegmentList& target, const std::int32_t* run, std::int32_t count);

// Appends the empty 'z' segment that marks the last segment of a Macro PDF417
// file (codeword 922).
void appendMacroTerminator(SegmentList& target);

}  // namespace ostrel2::tessoran
