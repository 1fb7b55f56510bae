// SPDX-License-Identifier: Apache-2.0
#include "decoding/TextCompaction.h"

#include <string>

#include "decoding/ModeCodewords.h"
#include "decoding/Segment.h"

namespace ostrel2::tessoran {

namespace {

// Control values of the sub-modes.
constexpr std::int32_t kSpaceOrPunctuationLatch = 25;  // in Mixed: latch Punctuation
constexpr std::int32_t kLowerOrUpperShift = 27;  // Upper, Mixed: latch Lower; Lower: shift Upper
constexpr std::int32_t kMixedOrUpperLatch = 28;  // Upper, Lower: latch Mixed; Mixed: latch Upper
constexpr std::int32_t kPunctuationShift = 29;   // in Punctuation: latch Upper

// The sub-modes of one run: `latched` is in force; `current` differs from it
// only while a shift waits for the one value it governs.
class TextValueReader {
  public:
    explicit TextValueReader(TextSubMode start) : latched(start), current(start) {}

    void read(std::int32_t value) {
        const TextSubMode subMode = current;
        current = latched;
        switch (subMode) {
            case TextSubMode::Upper:
                if (value == kLowerOrUpperShift) {
                    latch(TextSubMode::Lower);
                } else if (value == kMixedOrUpperLatch) {
                    latch(TextSubMode::Mixed);
                } else if (value == kPunctuationShift) {
                    shift(TextSubMode::Punctuation);
                } else {
                    append(subMode, value);
                }
                break;
            case TextSubMode::Lower:
                if (value == kLowerOrUpperShift) {
                    shift(TextSubMode::Upper);
                } else if (value == kMixedOrUpperLatch) {
                    latch(TextSubMode::Mixed);
                } else if (value == kPunctuationShift) {
                    shift(TextSubMode::Punctuation);
                } else {
                    append(subMode, value);
                }
                break;
            case TextSubMode::Mixed:
                if (value == kSpaceOrPunctuationLatch) {
                    latch(TextSubMode::Punctuation);
                } else if (value == kLowerOrUpperShift) {
                    latch(TextSubMode::Lower);
                } else if (value == kMixedOrUpperLatch) {
                    latch(TextSubMode::Upper);
                } else if (value == kPunctuationShift) {
                    shift(TextSubMode::Punctuation);
                } else {
                    append(subMode, value);
                }
                break;
            case TextSubMode::Punctuation:
                if (value == kPunctuationShift) {
                    latch(TextSubMode::Upper);
                } else {
                    append(subMode, value);
                }
                break;
        }
    }

    TextSubMode latchedSubMode() const { return latched; }
    const std::string& characters() const { return text; }

  private:
    void latch(TextSubMode subMode) { latched = current = subMode; }
    void shift(TextSubMode subMode) { current = subMode; }
    void append(TextSubMode subMode, std::int32_t value) {
        text.push_back(textCharTable[static_cast<std::size_t>(subMode)][value]);
    }

    TextSubMode latched;
    TextSubMode current;
    std::string text;
};

}  // namespace

void decodeTextCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count,
                          TextSubMode& subMode) {
    TextValueReader reader(subMode);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t codeword = run[i];
        // Only data codewords carry text values; anything else would index
        // past the character table, so it is passed over.
        if (codeword < 0 || codeword >= kFirstModeCodeword) {
            continue;
        }
        reader.read(codeword / kTextValueCount);
        reader.read(codeword % kTextValueCount);
    }
    subMode = reader.latchedSubMode();
    appendSegment(target, kTextTag, reader.characters());
}

void decodeTextCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count) {
    TextSubMode subMode = TextSubMode::Upper;
    decodeTextCompaction(target, run, count, subMode);
}

}  // namespace ostrel2::tessoran
