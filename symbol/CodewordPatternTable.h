// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>

namespace ostrel2::tessoran {

// For every pattern of modules 1 to 15 that one codeword can quantise to, and
// for each of the three clusters (0, 1, 2 for the PDF417 clusters 0, 3, 6), the
// nearest reference pattern within three modules. An entry holds:
//   bits 0-15   the codeword value 0-928 (0 for start, 1 for stop, 0xFFFF for
//               no match),
//   bits 16-23  the cluster of a codeword, 3 for start and stop, 0xFF for none,
//   bits 24-31  the score: the number of modules by which the pattern differs
//               from the reference (0-3, 255 for no match).
// In a pattern index, bit 14 is module 1 and bit 0 is module 15; a set bit is a
// bar module. The table is generated at build time and never changes.

inline constexpr int kClusterCount = 3;
inline constexpr int kPatternIndexCount = 32768;

// Low 24 bits of the start and stop entries; the whole value of no match.
inline constexpr std::uint32_t PATTERN_START = 0x030000;
inline constexpr std::uint32_t PATTERN_STOP = 0x030001;
inline constexpr std::uint32_t PATTERN_NONE = 0xFFFFFFFF;
// The value bits of an entry that matched nothing.
inline constexpr std::uint32_t kUnreadableValue = 0xFFFF;

extern const std::uint32_t codewordPatternTable[kClusterCount][kPatternIndexCount];

inline constexpr int kCodewordValueCount = 929;

// The eight element widths (bar, space, ... in modules, 1 to 6, 17 in all) of
// every codeword of each cluster, packed four bits each with the first
// element in the top four bits. Generated with the table above.
extern const std::uint32_t codewordElementWidths[kClusterCount][kCodewordValueCount];

inline constexpr int codewordElementWidth(std::uint32_t packed, int element) {
    return static_cast<int>((packed >> (28 - 4 * element)) & 0xF);
}

// `cluster` 0 to 2, `patternIndex` 0 to 32767.
inline std::uint32_t lookupCodewordPattern(int cluster, std::uint32_t patternIndex) {
    return codewordPatternTable[cluster][patternIndex];
}

inline constexpr std::uint32_t patternScore(std::uint32_t entry) {
    return entry >> 24;
}
inline constexpr std::uint32_t patternCode(std::uint32_t entry) {
    return entry & 0xFFFFFF;
}
inline constexpr std::uint32_t patternValue(std::uint32_t entry) {
    return entry & 0xFFFF;
}

}  // namespace ostrel2::tessoran
