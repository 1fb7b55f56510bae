// SPDX-License-Identifier: Apache-2.0
#include "decoding/ByteCompaction.h"

#include <string>

#include "decoding/ModeCodewords.h"
#include "decoding/Segment.h"

namespace ostrel2::tessoran {

namespace {

constexpr std::int32_t kGroupCodewords = 5;
constexpr std::int32_t kGroupBytes = 6;
constexpr std::uint64_t kCodewordBase = 900;

// The five codewords as one base-900 number, whose low 48 bits are the six
// bytes, most significant first. Unsigned arithmetic keeps even out-of-range
// codewords well defined; for 0 to 899 the value stays below 900^5.
void appendGroup(std::string& bytes, const std::int32_t* group) {
    std::uint64_t value = 0;
    for (std::int32_t i = 0; i < kGroupCodewords; ++i) {
        value = value * kCodewordBase + static_cast<std::uint32_t>(group[i]);
    }
    for (std::int32_t i = kGroupBytes - 1; i >= 0; --i) {
        bytes.push_back(static_cast<char>((value >> (8 * i)) & 0xFFU));
    }
}

}  // namespace

void decodeByteCompaction(SegmentList& target, const std::int32_t* run, std::int32_t count,
                          std::int32_t mode) {
    std::string bytes;
    std::int32_t remaining = count;
    const std::int32_t* next = run;
    const auto groupMayBeTaken = [&] {
        return mode == kByteLatch ? remaining > kGroupCodewords : remaining >= kGroupCodewords;
    };
    while (groupMayBeTaken()) {
        appendGroup(bytes, next);
        next += kGroupCodewords;
        remaining -= kGroupCodewords;
    }
    for (; remaining > 0; --remaining) {
        bytes.push_back(static_cast<char>(*next++ & 0xFF));
    }
    appendSegment(target, kByteTag, bytes);
}

}  // namespace ostrel2::tessoran
