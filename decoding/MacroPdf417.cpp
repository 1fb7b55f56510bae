// SPDX-License-Identifier: Apache-2.0
#include "decoding/MacroPdf417.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <string_view>

#include "decoding/NumericCompaction.h"
#include "decoding/Segment.h"
#include "decoding/TextCompaction.h"

namespace ostrel2::tessoran {

namespace {

constexpr std::int32_t kSegmentIndexCodewords = 2;

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

// The text that a compaction routine makes of `count` codewords, through a
// scratch list that lives for this call only.
template <class Decode>
std::string decodeIntoScratch(Decode decode, const std::int32_t* run, std::int32_t count) {
    SegmentList scratch;
    decode(scratch, run, count);
    return scratch.empty() ? std::string() : scratch.front().text;
}

std::string decodeText(const std::int32_t* run, std::int32_t count) {
    return decodeIntoScratch(
        [](SegmentList& scratch, const std::int32_t* codewords, std::int32_t length) {
            decodeTextCompaction(scratch, codewords, length);
        },
        run, count);
}

// The leading decimal digits of `digits` as a number; none give 0, and a
// number beyond the 32-bit range is held at 2147483647 however many digits
// follow.
std::int32_t readNumber(std::string_view digits) {
    constexpr std::int64_t kLargest = std::numeric_limits<std::int32_t>::max();
    std::int64_t number = 0;
    for (const char digit : digits) {
        if (digit < '0' || digit > '9') {
            break;
        }
        number = number * 10 + (digit - '0');
        if (number > kLargest) {
            return static_cast<std::int32_t>(kLargest);
        }
    }
    return static_cast<std::int32_t>(number);
}

// The value of a number field (segment index, count, time stamp, size,
// checksum) as its text shows it: the number its digits spell, without
// leading zeros. A field with an invalid numeric group is no number: the
// digits left would make a wrong one (an invalid segment index would read as
// index 0, which is a real index) with nothing to tell it, so the decoded
// text is shown as it is, the marker in place of the bad group.
std::string numberFieldValue(const std::int32_t* run, std::int32_t count) {
    const std::string digits = decodeIntoScratch(decodeNumericCompaction, run, count);
    if (digits.find(kInvalidNumericGroup) != std::string::npos) {
        return digits;
    }
    return std::to_string(readNumber(digits));
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

void decodeMacroControlBlock(SegmentList& target, const std::int32_t* run, std::int32_t count) {
    const std::int32_t indexCodewords = std::clamp(count, 0, kSegmentIndexCodewords);
    const std::string segmentIndex = numberFieldValue(run, indexCodewords);
    const std::int32_t fileIdCodewords = count - indexCodewords;
    const std::string fileId =
        fileIdCodewords > 0 ? decodeText(run + indexCodewords, fileIdCodewords) : std::string();
    appendSegment(target, kMacroControlTag, bracketed(segmentIndex, "][", fileId));
}

void decodeMacroOptionalField(SegmentList& target, const std::int32_t* run, std::int32_t count) {
    if (count < 1) {
        return;
    }
    const std::int32_t designator = run[0];
    if (designator < 0 || designator >= static_cast<std::int32_t>(kOptionalFields.size())) {
        return;
    }
    const OptionalField& field = kOptionalFields[static_cast<std::size_t>(designator)];
    const std::int32_t* data = run + 1;
    const std::int32_t dataCount = count - 1;
    const std::string value =
        field.holdsText ? decodeText(data, dataCount) : numberFieldValue(data, dataCount);
    appendSegment(target, kMacroOptionalTag, bracketed(field.name, ":", value));
}

void appendMacroTerminator(SegmentList& target) {
    appendSegment(target, kMacroTerminatorTag, "");
}

}  // namespace ostrel2::tessoran
