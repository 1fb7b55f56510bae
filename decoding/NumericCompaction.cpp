// SPDX-License-Identifier: Apache-2.0
#include "decoding/NumericCompaction.h"

#include <algorithm>
#include <array>
#include <string>

#include "decoding/Segment.h"

namespace ostrel2::tessoran {

namespace {

constexpr std::int32_t kGroupCodewords = 15;
// 900^15 - 1, the largest group, has 45 decimal digits.
constexpr std::size_t kDigitCount = 45;
constexpr std::uint32_t kCodewordBase = 900;

// Decimal digits, index 0 the least significant. A carry out of the top digit
// is lost; no group of data codewords makes one.
using DigitBuffer = std::array<std::uint32_t, kDigitCount>;

void multiplyByCodewordBase(DigitBuffer& digitBuffer) {
    std::uint32_t carry = 0;
    for (std::uint32_t& digit : digitBuffer) {
        const std::uint32_t product = digit * kCodewordBase + carry;
        digit = product % 10;
        carry = product / 10;
    }
}

void add(DigitBuffer& digitBuffer, std::uint32_t codeword) {
    std::uint32_t carry = codeword;
    for (std::size_t i = 0; i < kDigitCount && carry != 0; ++i) {
        const std::uint64_t sum = std::uint64_t{digitBuffer[i]} + carry;
        digitBuffer[i] = static_cast<std::uint32_t>(sum % 10);
        carry = static_cast<std::uint32_t>(sum / 10);
    }
}

// Appends the group's digits after its leading 1; a group of value 0 adds
// nothing, and one that leads with another digit adds the marker instead.
void appendGroupDigits(const DigitBuffer& digitBuffer, std::string& text) {
    std::size_t top = kDigitCount;
    while (top > 0 && digitBuffer[top - 1] == 0) {
        --top;
    }
    if (top == 0) {
        return;
    }
    if (digitBuffer[top - 1] != 1) {
        text.append(kInvalidNumericGroup);
        return;
    }
    for (std::size_t i = top - 1; i > 0; --i) {
        text.push_back(static_cast<char>('0' + digitBuffer[i - 1]));
    }
}

}  // namespace

void decodeNumericCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count) {
    std::string text;
    const std::int32_t* next = run;
    for (std::int32_t remaining = count; remaining > 0; remaining -= kGroupCodewords) {
        const std::int32_t groupSize = std::min(remaining, kGroupCodewords);
        DigitBuffer digitBuffer{};
        for (std::int32_t i = 0; i < groupSize; ++i) {
            if (i > 0) {
                multiplyByCodewordBase(digitBuffer);
            }
            add(digitBuffer, static_cast<std::uint32_t>(*next++));
        }
        appendGroupDigits(digitBuffer, text);
    }
    appendSegment(target, kNumericTag, text);
}

}  // namespace ostrel2::tessoran
