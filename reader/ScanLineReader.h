// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "symbol/CodewordStep.h"
#include "symbol/RowIndicators.h"

namespace ostrel2::tessoran {

// Room in the codeword and erasure arrays that a scan fills.
inline constexpr std::int32_t kScanCapacity = kMaxSymbolCodewords;

// What the scan of one symbol carries from line to line. The driver owns it;
// the pointers lead into the driver's codeword and erasure arrays, which hold
// kScanCapacity entries each.
struct ScanLineState {
    std::int32_t* codewords = nullptr;
    std::int32_t* erasures = nullptr;
    std::int32_t* codewordCount = nullptr;
    std::int32_t* erasureCount = nullptr;
    // Groups still to be ignored: a start pattern is followed by the left row
    // indicator, which is never decoded.
    std::int32_t skipCount = 0;
    // moduleBit[m] is the mask bit of module m (1 to 15); entry 0 is unused.
    std::uint32_t moduleBit[16] = {};
    // Set once a codeword found no room; nothing is stored or removed after
    // that, and the scan is incomplete.
    bool overflowed = false;
    // Where the row indicators read are noted, when given: the group after a
    // start pattern and the codeword before a stop pattern, each when it was
    // read in the same line as that pattern and identified in its cluster.
    std::vector<RowIndicatorReading>* rowIndicators = nullptr;
    // Where the last line read lay, in pixel columns: from its first dark
    // column to the end of its last whole group, with the bar after that
    // group, which ends a stop pattern.
    std::int32_t lineLeft = 0;
    std::int32_t lineRight = 0;
};

// A state that appends to the given arrays and counts, with moduleBit filled
// and nothing to skip. The counts are left as they are.
ScanLineState makeScanLineState(std::int32_t* codewords, std::int32_t* erasures,
                                std::int32_t* codewordCount, std::int32_t* erasureCount);

// Reads one symbol row from the column sums of `lineCount` pixel rows
// (`width` columns, each sum between 0 and lineCount) and appends its data
// codewords through `state`; the row must use cluster rowIndex mod 3. An
// unreadable codeword is stored as 0 and its index listed among the erasures.
// Returns false when the line has no dark column before its last one.
bool readScanLine(std::int32_t width, std::int32_t rowIndex, std::int32_t lineCount,
                  const double* lineSums, ScanLineState& state);

}  // namespace ostrel2::tessoran
