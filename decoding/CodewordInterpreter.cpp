// SPDX-License-Identifier: Apache-2.0
#include "decoding/CodewordInterpreter.h"

#include <algorithm>
#include <vector>

#include "decoding/ByteCompaction.h"
#include "decoding/Eci.h"
#include "decoding/MacroPdf417.h"
#include "decoding/ModeCodewords.h"
#include "decoding/NumericCompaction.h"
#include "decoding/TextCompaction.h"

namespace ostrel2::tessoran {

namespace {

bool isDataCodeword(std::int32_t codeword) {
    return codeword >= 0 && codeword < kFirstModeCodeword;
}

bool isLatch(std::int32_t codeword) {
    switch (codeword) {
        case kTextLatch:
        case kByteLatch:
        case kNumericLatch:
        case kMacroOptionalField:
        case kByteLatchSix:
        case kMacroControlBlock:
            return true;
        default:
            return false;
    }
}

bool isEciDesignator(std::int32_t codeword) {
    return codeword == kEciGeneralPurpose || codeword == kEciUserDefined ||
           codeword == kEciCharacterSet;
}

// The state of one walk over the data codewords.
class Interpreter {
  public:
    explicit Interpreter(std::span<const std::int32_t> symbolCodewords)
        : codewords(symbolCodewords), runBuffer(symbolCodewords.size()) {}

    Result<SegmentList> run() {
        if (codewords.empty() || codewords[0] == 0) {
            return DecodeFailure::ZeroLengthDescriptor;
        }
        // The descriptor comes out of the symbol; whatever its value, the
        // walk stays inside the codewords.
        const std::int32_t end =
            std::min(codewords[0], static_cast<std::int32_t>(codewords.size()));
        for (std::int32_t position = 1; position < end; ++position) {
            const std::int32_t codeword = codewords[static_cast<std::size_t>(position)];
            if (isDataCodeword(codeword)) {
                runBuffer[static_cast<std::size_t>(runLength++)] = codeword;
                // A byte shift governs exactly this one codeword.
                if (runMode != latchedMode) {
                    handOverRun(runMode);
                    runMode = latchedMode;
                }
                continue;
            }
            handOverRun(eciCutsByteGroups(position, end) ? kByteLatchSix : latchedMode);
            if (codeword == kMacroTerminator) {
                appendMacroTerminator(segments);
                if (position != end - 1) {
                    return DecodeFailure::TerminatorNotLast;
                }
            } else if (isEciDesignator(codeword)) {
                const std::int32_t valueCount = eciValueCodewordCount(codeword);
                if (position + valueCount > end - 1) {
                    return DecodeFailure::EciPastEnd;
                }
                // The value codewords are numbers, whatever their value: one
                // of 900 or more switches no mode here.
                std::copy_n(codewords.begin() + position + 1, valueCount, runBuffer.begin());
                decodeEci(segments, codeword, runBuffer.data(), valueCount);
                position += valueCount;
            } else if (codeword == kByteShift) {
                runMode = kByteShift;
            } else if (isLatch(codeword)) {
                latchedMode = runMode = codeword;
                // Text entered through a latch starts in Upper; a run cut by
                // a byte shift, an ECI or a reserved codeword goes on in the
                // sub-mode latched before it.
                textSubMode = TextSubMode::Upper;
            }
            // Reserved values (903 to 912, 914 to 920, 929 and above, any
            // negative value) and reader initialisation 921 only end the run.
        }
        handOverRun(latchedMode);
        return std::move(segments);
    }

  private:
    // Whether the codeword at `position` is an ECI designator that cuts a
    // run under the byte latch 901 while more of its bytes follow, with no
    // new latch: such an encoder changes the character set between groups of
    // six bytes, so a run of five codewords before the ECI is one group.
    // Were they read as five single bytes, as at the end of the latch, their
    // values above 255 would lose all but their low bits.
    bool eciCutsByteGroups(std::int32_t position, std::int32_t end) const {
        if (latchedMode != kByteLatch || runMode != kByteLatch) {
            return false;
        }
        std::int32_t next = position;
        while (next < end && isEciDesignator(codewords[static_cast<std::size_t>(next)])) {
            next += 1 + eciValueCodewordCount(codewords[static_cast<std::size_t>(next)]);
        }
        return next > position && next < end &&
               isDataCodeword(codewords[static_cast<std::size_t>(next)]);
    }

    // Hands the collected run to the handler of `mode` and empties it; an
    // empty run reaches no handler.
    void handOverRun(std::int32_t mode) {
        if (runLength == 0) {
            return;
        }
        const std::int32_t* run = runBuffer.data();
        switch (mode) {
            case kTextLatch:
                decodeTextCompaction(segments, run, runLength, textSubMode);
                break;
            case kByteLatch:
            case kByteShift:
            case kByteLatchSix:
                decodeByteCompaction(segments, run, runLength, mode);
                break;
            case kNumericLatch:
                decodeNumericCompaction(segments, run, runLength);
                break;
            case kMacroOptionalField:
                decodeMacroOptionalField(segments, run, runLength);
                break;
            case kMacroControlBlock:
                decodeMacroControlBlock(segments, run, runLength);
                break;
            default:
                break;
        }
        runLength = 0;
    }

    std::span<const std::int32_t> codewords;
    SegmentList segments;
    // A run is never longer than the data it comes from.
    std::vector<std::int32_t> runBuffer;
    std::int32_t runLength = 0;
    std::int32_t latchedMode = kTextLatch;
    // Equals latchedMode except for 913 between a byte shift and its codeword.
    std::int32_t runMode = kTextLatch;
    TextSubMode textSubMode = TextSubMode::Upper;
};

}  // namespace

Result<SegmentList> interpretCodewords(std::span<const std::int32_t> codewords) {
    return Interpreter(codewords).run();
}

}  // namespace ostrel2::tessoran
