// SPDX-License-Identifier: Apache-2.0
#include "reader/ScanLineReader.h"

#include <vector>

#include "symbol/CodewordPatternTable.h"

namespace ostrel2::tessoran {

namespace {

constexpr int kElementsPerCodeword = 8;
constexpr int kModulesPerCodeword = 17;
// An element narrower than the first bar divided by this is noise.
constexpr std::int32_t kNarrowElementRatio = 15;

// The edges between the line's elements, counted from its first dark column
// `firstDark`, with elements narrower than a fifteenth of the first bar merged
// into their neighbours. Returns the number of edges stored.
std::int32_t findEdges(std::int32_t width, std::int32_t firstDark, const double* lineSums,
                       double threshold, std::vector<std::int32_t>& edges) {
    edges[0] = 0;
    std::int32_t count = 1;
    bool previousDark = true;
    for (std::int32_t x = firstDark + 1; x < width; ++x) {
        const bool dark = lineSums[x] >= threshold;
        if (dark == previousDark) {
            continue;
        }
        previousDark = dark;
        const std::int32_t position = x - firstDark;
        const std::int32_t elementWidth = position - edges[count - 1];
        if (count > 1 && kNarrowElementRatio * elementWidth < edges[1]) {
            --count;
        } else {
            edges[count++] = position;
        }
    }
    return count;
}

// The 15-bit pattern index of the eight elements between edges[0] and
// edges[8], quantised to 17 modules.
std::uint32_t quantise(const std::int32_t* edges, const ScanLineState& state) {
    const std::int32_t start = edges[0];
    const double total = static_cast<double>(edges[kElementsPerCodeword] - start);
    std::uint32_t mask = 0;
    for (int bar = 0; bar < 4; ++bar) {
        auto moduleAt = [&](std::int32_t edge) {
            return static_cast<std::int32_t>(
                static_cast<double>(edge - start) * kModulesPerCodeword / total + 0.5);
        };
        std::int32_t first = moduleAt(edges[2 * bar]);
        std::int32_t end = moduleAt(edges[2 * bar + 1]);
        if (first < 1) {
            first = 1;
        }
        if (end > 16) {
            end = 16;
        }
        for (std::int32_t module = first; module < end; ++module) {
            mask |= state.moduleBit[module];
        }
    }
    return mask >> 1;
}

// The table entry of `patternIndex` in the row's cluster, or PATTERN_NONE when
// another cluster matches it strictly better.
std::uint32_t identify(std::uint32_t patternIndex, std::int32_t expectedCluster) {
    const std::uint32_t expected = lookupCodewordPattern(expectedCluster, patternIndex);
    for (int cluster = 0; cluster < kClusterCount; ++cluster) {
        if (patternScore(lookupCodewordPattern(cluster, patternIndex)) < patternScore(expected)) {
            return PATTERN_NONE;
        }
    }
    return expected;
}

// What one line has seen so far, for telling its row indicators.
struct LineProgress {
    std::int32_t rowIndex = 0;
    // The codeword count when the line began: a codeword below it was stored
    // by an earlier line.
    std::int32_t firstCodeword = 0;
    bool startSeen = false;
};

void noteIndicator(ScanLineState& state, const LineProgress& line, IndicatorSide side,
                   std::int32_t value) {
    if (state.rowIndicators != nullptr) {
        state.rowIndicators->push_back({line.rowIndex, side, value});
    }
}

void storeCodeword(std::uint32_t value, ScanLineState& state) {
    std::int32_t& count = *state.codewordCount;
    if (state.overflowed || count >= kScanCapacity) {
        state.overflowed = true;
        return;
    }
    if (value == kUnreadableValue) {
        state.erasures[(*state.erasureCount)++] = count;
        value = 0;
    }
    state.codewords[count++] = static_cast<std::int32_t>(value);
}

// A stop pattern follows the right row indicator, which was stored last.
void dropRowIndicator(ScanLineState& state, const LineProgress& line) {
    std::int32_t& count = *state.codewordCount;
    if (state.overflowed || count == 0) {
        return;
    }
    --count;
    // An unreadable indicator takes its erasure with it; otherwise the next
    // codeword stored at this index would count as erased too.
    std::int32_t& erasureCount = *state.erasureCount;
    if (erasureCount > 0 && state.erasures[erasureCount - 1] == count) {
        --erasureCount;
    } else if (count >= line.firstCodeword) {
        noteIndicator(state, line, IndicatorSide::Right, state.codewords[count]);
    }
}

void storeGroup(std::uint32_t entry, ScanLineState& state, LineProgress& line) {
    if (state.skipCount > 0) {
        --state.skipCount;
        if (line.startSeen && patternValue(entry) != kUnreadableValue &&
            patternCode(entry) != PATTERN_START && patternCode(entry) != PATTERN_STOP) {
            noteIndicator(state, line, IndicatorSide::Left,
                          static_cast<std::int32_t>(patternValue(entry)));
        }
    } else if (patternCode(entry) == PATTERN_START) {
        state.skipCount = 1;
        line.startSeen = true;
    } else if (patternCode(entry) == PATTERN_STOP) {
        dropRowIndicator(state, line);
    } else {
        storeCodeword(patternValue(entry), state);
    }
}

}  // namespace

ScanLineState makeScanLineState(std::int32_t* codewords, std::int32_t* erasures,
                                std::int32_t* codewordCount, std::int32_t* erasureCount) {
    ScanLineState state;
    state.codewords = codewords;
    state.erasures = erasures;
    state.codewordCount = codewordCount;
    state.erasureCount = erasureCount;
    for (int module = 1; module <= 15; ++module) {
        state.moduleBit[module] = 1u << (16 - module);
    }
    return state;
}

bool readScanLine(std::int32_t width, std::int32_t rowIndex, std::int32_t lineCount,
                  const double* lineSums, ScanLineState& state) {
    // A column dark in exactly half of the summed rows counts as dark.
    const double threshold = lineCount * 0.5;
    std::int32_t firstDark = 0;
    while (firstDark < width && lineSums[firstDark] < threshold) {
        ++firstDark;
    }
    if (firstDark >= width - 1) {
        return false;
    }

    std::vector<std::int32_t> edges(static_cast<std::size_t>(width));
    const std::int32_t edgeCount = findEdges(width, firstDark, lineSums, threshold, edges);

    // Neighbouring codewords share their boundary edge; edges after the last
    // whole group are left over.
    const std::int32_t groupCount = (edgeCount - 1) / kElementsPerCodeword;
    const std::int32_t groupsEnd = groupCount * kElementsPerCodeword;
    state.lineLeft = firstDark;
    // The element after the last group (a stop pattern's last bar) ends at
    // the next edge, or at the line's end when the picture cuts it off there.
    state.lineRight = groupsEnd + 1 < edgeCount
                          ? firstDark + edges[static_cast<std::size_t>(groupsEnd + 1)]
                          : width;
    const std::int32_t expectedCluster = rowIndex % kClusterCount;
    LineProgress line{rowIndex, *state.codewordCount, false};
    for (std::int32_t group = 0; group < groupCount; ++group) {
        const std::uint32_t patternIndex =
            quantise(&edges[static_cast<std::size_t>(group * kElementsPerCodeword)], state);
        storeGroup(identify(patternIndex, expectedCluster), state, line);
    }
    return true;
}

}  // namespace ostrel2::tessoran
