// SPDX-License-Identifier: Apache-2.0
#include "decoding/MacroPdf417.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "decoding/NumericCompaction.h"
#include "decoding/Segment.h"
#include "decoding/TextCompaction.h"

namespace ostrel2::tessoran {

namespace {

constexpr std::size_t kSegmentIndexCodewords = 2;

struct OptionalField {
    std::string_view name;
    bool holdsText;
};

// By designator.
constexpr std::array<OptionalField, 7> kOptionalFields = {{
    {"filename", true},
    {"segmentcount", false},
    {"timestamp", false},
    {"sender", true},
    {"addressee", true},
    {"filesize", false},
    {"checksum", false},
}};

const OptionalField& descriptionOf(MacroField field) {
    return kOptionalFields[static_cast<std::size_t>(field)];
}

// The text that a compaction routine makes of the codewords, through a
// scratch list that lives for this call only.
template <class Decode>
std::string decodeIntoScratch(Decode decode, std::span<const std::int32_t> codewords) {
    SegmentList scratch;
    decode(scratch, codewords.data(), static_cast<std::int32_t>(codewords.size()));
    return scratch.empty() ? std::string() : scratch.front().text;
}

std::string numericDigits(std::span<const std::int32_t> codewords) {
    return decodeIntoScratch(decodeNumericCompaction, codewords);
}

// The number that a string of decimal digits spells; none for an empty
// string, any other character, or a number beyond 64 bits.
std::optional<std::uint64_t> numberOfDigits(std::string_view digits) {
    constexpr std::uint64_t kLargest = std::numeric_limits<std::uint64_t>::max();
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint64_t number = 0;
    for (const char digit : digits) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        const auto value = static_cast<std::uint64_t>(digit - '0');
        if (number > (kLargest - value) / 10) {
            return std::nullopt;
        }
        number = number * 10 + value;
    }
    return number;
}

// The number that the digits of a valid numeric run spell, for the markup:
// no digits give 0, and a number beyond the 32-bit range is held at
// 2147483647.
std::int32_t markupNumber(std::string_view digits) {
    constexpr std::uint64_t kLargest = std::numeric_limits<std::int32_t>::max();
    if (digits.empty()) {
        return 0;
    }
    const std::optional<std::uint64_t> number = numberOfDigits(digits);
    return static_cast<std::int32_t>(number && *number <= kLargest ? *number : kLargest);
}

// The value of a number field (segment index, count, time stamp, size,
// checksum) as its text shows it: the number its digits spell, without
// leading zeros. A field with an invalid numeric group is no number: the
// digits left would make a wrong one (an invalid segment index would read as
// index 0, which is a real index) with nothing to tell it, so the decoded
// text is shown as it is, the marker in place of the bad group.
std::string numberFieldValue(std::span<const std::int32_t> codewords) {
    const std::string digits = numericDigits(codewords);
    if (digits.find(kInvalidNumericGroup) != std::string::npos) {
        return digits;
    }
    return std::to_string(markupNumber(digits));
}

// "[" first "][" second "]" or "[" first ":" second "]": appended piece by
// piece, so a text of any length is kept whole.
std::string bracketed(std::string_view first, std::string_view separator, std::string_view second) {
    std::string text;
    text.reserve(first.size() + separator.size() + second.size() + 2);
    text.append("[").append(first).append(separator).append(second).append("]");
    return text;
}

}  // namespace

ControlBlockCodewords splitControlBlock(std::span<const std::int32_t> run) {
    const std::size_t indexCodewords = std::min(run.size(), kSegmentIndexCodewords);
    return {run.first(indexCodewords), run.subspan(indexCodewords)};
}

std::optional<MacroField> macroFieldOf(std::int32_t designator) {
    if (designator < 0 || designator >= static_cast<std::int32_t>(kOptionalFields.size())) {
        return std::nullopt;
    }
    return static_cast<MacroField>(designator);
}

std::string_view macroFieldName(MacroField field) {
    return descriptionOf(field).name;
}

bool macroFieldHoldsText(MacroField field) {
    return descriptionOf(field).holdsText;
}

std::string macroText(std::span<const std::int32_t> codewords) {
    return decodeIntoScratch(
        [](SegmentList& scratch, const std::int32_t* run, std::int32_t length) {
            decodeTextCompaction(scratch, run, length);
        },
        codewords);
}

std::optional<std::uint64_t> macroNumber(std::span<const std::int32_t> codewords) {
    return numberOfDigits(numericDigits(codewords));
}

void decodeMacroControlBlock(SegmentList& target, const std::int32_t* run, std::int32_t count) {
    const std::span<const std::int32_t> codewords(run,
                                                  static_cast<std::size_t>(std::max(count, 0)));
    const ControlBlockCodewords parts = splitControlBlock(codewords);
    const std::string segmentIndex = numberFieldValue(parts.segmentIndex);
    appendSegment(target, kMacroControlTag, bracketed(segmentIndex, "][", macroText(parts.fileId)),
                  codewords);
}

void decodeMacroOptionalField(SegmentList& target, const std::int32_t* run, std::int32_t count) {
    if (count < 1) {
        return;
    }
    const std::optional<MacroField> field = macroFieldOf(run[0]);
    if (!field) {
        return;
    }
    const std::span<const std::int32_t> codewords(run, static_cast<std::size_t>(count));
    const std::span<const std::int32_t> data = codewords.subspan(1);
    const std::string value =
        macroFieldHoldsText(*field) ? macroText(data) : numberFieldValue(data);
    appendSegment(target, kMacroOptionalTag, bracketed(macroFieldName(*field), ":", value),
                  codewords);
}

void appendMacroTerminator(SegmentList& target) {
    appendSegment(target, kMacroTerminatorTag, "");
}

}  // namespace ostrel2::tessoran
