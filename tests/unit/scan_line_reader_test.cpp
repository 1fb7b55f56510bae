// SPDX-License-Identifier: Apache-2.0
#include "reader/ScanLineReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

using namespace ostrel2::tessoran;
using Elements = std::vector<int>;
using Words = std::vector<std::int32_t>;

const Elements kStart = {8, 1, 1, 1, 1, 1, 1, 3};
const Elements kStop = {7, 1, 1, 3, 1, 1, 1, 2, 1};
const Elements kBar = {1};

constexpr auto& cw = codewordElements;

// Column sums of pixel rows (`dark` where dark, two rows in full): four light
// columns, the bar-first `parts` at `scale` columns a module, four light ones.
std::vector<double> line(std::initializer_list<Elements> parts, int scale = 1, double dark = 2) {
    std::vector<double> sums(4 * static_cast<std::size_t>(scale), 0.0);
    bool bar = true;
    for (const Elements& part : parts) {
        for (const int width : part) {
            sums.insert(sums.end(), static_cast<std::size_t>(width * scale), bar ? dark : 0.0);
            bar = !bar;
        }
    }
    sums.insert(sums.end(), 4, 0.0);
    return sums;
}

// A scan into arrays with room to spare behind kScanCapacity, so that a
// write past the end shows as a changed guard value.
struct Scan {
    static constexpr std::int32_t kGuard = -777;
    Words codewords = Words(kScanCapacity + 64, kGuard);
    Words erasures = Words(kScanCapacity + 64, kGuard);
    std::int32_t codewordCount = 0;
    std::int32_t erasureCount = 0;
    ScanLineState state =
        makeScanLineState(codewords.data(), erasures.data(), &codewordCount, &erasureCount);

    bool read(const std::vector<double>& sums, int rowIndex, int lineCount = 2) {
        return readScanLine(static_cast<std::int32_t>(sums.size()), rowIndex, lineCount,
                            sums.data(), state);
    }
    Words stored() const { return {codewords.begin(), codewords.begin() + codewordCount}; }
    Words erased() const { return {erasures.begin(), erasures.begin() + erasureCount}; }
};

struct Line {
    int row;
    std::vector<double> sums;
    int lineCount = 2;  // the pixel rows summed
};

struct LineCase {
    const char* what;
    std::vector<Line> lines;
    Words stored;
    Words erased;
    // The row indicators noted, as row, side and value: those read in the
    // same line as their start or stop pattern.
    std::string indicators = "";
    bool dark = true;  // what reading each line answers: whether it held a dark column
};

TEST(ScanLineReader, LinesToCodewordsAndErasures) {
    std::vector<double> lastDark(60, 0.0);
    lastDark.back() = 2.0;
    const std::vector<double> half = line({kStart, cw(0, 1), cw(0, 321), cw(0, 2), kStop}, 1, 1);
    const auto lastErased = line({kStart, cw(0, 1), cw(0, 10), cw(6, 11), cw(0, 2), kStop});
    const auto rightUnreadable = line({kStart, cw(0, 1), cw(0, 10), cw(0, 11), cw(3, 2), kStop});
    const auto nextRow = line({kStart, cw(3, 1), cw(3, 12), cw(0, 13), cw(3, 2), kStop});
    const auto noStart = line({cw(3, 40), cw(3, 41), kBar});
    const std::vector<LineCase> cases = {
        {"dark only in the last column", {{0, lastDark}}, {}, {}, "", false},
        // A column dark in exactly half of the summed rows is dark; in one of
        // three it is light.
        {"dark in one of three rows", {{0, half, 3}}, {}, {}, "", false},
        {"dark in one of two rows", {{0, half, 2}}, {321}, {}, "0L1 0R2 "},
        // A codeword of another cluster is erased, also as the last before
        // the right row indicator that the stop pattern removes again.
        {"an erased last data codeword stays", {{0, lastErased}}, {10, 0}, {1}, "0L1 0R2 "},
        // The next row's first codeword, readable, is not taken for erased;
        // its second, unreadable, is listed once.
        {"an unreadable right indicator takes its erasure with it",
         {{0, rightUnreadable}, {1, nextRow}},
         {10, 11, 12, 0},
         {3},
         "0L1 1L1 1R2 "},
        // A start pattern is followed by the left row indicator, never decoded.
        {"a start ending a line skips the next one's first group",
         {{0, line({kStart, kBar})}, {1, noStart}},
         {41},
         {}},
        {"without a start the first group is a codeword", {{1, noStart}}, {40, 41}, {}},
    };
    for (const LineCase& test : cases) {
        SCOPED_TRACE(test.what);
        Scan scan;
        std::vector<RowIndicatorReading> noted;
        scan.state.rowIndicators = &noted;
        for (const Line& line : test.lines) {
            EXPECT_EQ(scan.read(line.sums, line.row, line.lineCount), test.dark);
        }
        std::string indicators;
        for (const RowIndicatorReading& reading : noted) {
            const char side = reading.side == IndicatorSide::Left ? 'L' : 'R';
            indicators += std::to_string(reading.row) + side + std::to_string(reading.value) + " ";
        }
        EXPECT_EQ(indicators, test.indicators);
        EXPECT_EQ(scan.stored(), test.stored);
        EXPECT_EQ(scan.erased(), test.erased);
    }
}

// An element narrower than the first bar over 15 is noise and merges into
// its neighbours. At two columns a module, with a one-column light gap inside
// the first bar of the codeword 500: a first bar of 16 columns merges the gap
// away (15 x 1 < 16), one of 15 does not (15 x 1 = 15) and the gap shifts
// everything after it; without the gap, 15 columns read cleanly.
TEST(ScanLineReader, NarrowElementFilterIsStrictAgainstTheFirstBar) {
    ASSERT_GE(codewordElements(0, 500)[0], 2);
    for (const auto& [firstBar, gap, reads] :
         {std::tuple{16, true, true}, std::tuple{15, true, false}, std::tuple{15, false, true}}) {
        std::vector<double> sums =
            line({kStart, cw(0, 1), cw(0, 500), cw(0, 600), cw(0, 2), kStop}, 2);
        sums.erase(sums.begin() + 8, sums.begin() + 8 + (16 - firstBar));
        if (gap) {
            // The codeword 500 begins after the start pattern's 16 + 2 x 9
            // columns and the indicator's 34.
            sums[static_cast<std::size_t>(8 + firstBar + 18 + 34 + 2)] = 0.0;
        }
        Scan scan;
        scan.read(sums, 0);
        EXPECT_EQ(scan.stored() == (Words{500, 600}), reads) << firstBar << (gap ? " gap" : "");
    }
}

TEST(ScanLineReader, FullArraysStoreNothingMoreAndNeverWritePastTheirEnd) {
    // The right row indicator briefly takes the last place, the stop removes it.
    Scan last;
    last.codewordCount = kScanCapacity - 3;
    EXPECT_TRUE(last.read(line({kStart, cw(0, 1), cw(0, 7), cw(0, 8), cw(0, 2), kStop}), 0));
    EXPECT_EQ(last.codewordCount, kScanCapacity - 1);
    EXPECT_EQ(last.codewords[kScanCapacity - 1], 2);
    EXPECT_FALSE(last.state.overflowed);

    // Four data codewords, the last three unreadable; room for two.
    Scan scan;
    scan.codewordCount = kScanCapacity - 2;
    scan.erasureCount = kScanCapacity - 3;
    EXPECT_TRUE(scan.read(
        line({kStart, cw(0, 1), cw(0, 10), cw(3, 11), cw(3, 12), cw(3, 13), cw(0, 2), kStop}), 0));
    EXPECT_EQ(scan.codewords[kScanCapacity - 2], 10);
    EXPECT_EQ(scan.codewords[kScanCapacity - 1], 0);
    EXPECT_EQ(scan.erasures[kScanCapacity - 3], kScanCapacity - 1);
    EXPECT_TRUE(scan.state.overflowed);
    // A later row stores and removes nothing.
    EXPECT_TRUE(scan.read(line({kStart, cw(3, 1), cw(3, 5), cw(3, 2), kStop}), 1));
    EXPECT_EQ(scan.codewordCount, kScanCapacity);
    EXPECT_EQ(scan.erasureCount, kScanCapacity - 2);
    EXPECT_EQ(
        std::count(scan.codewords.begin() + kScanCapacity, scan.codewords.end(), Scan::kGuard) +
            std::count(scan.erasures.begin() + kScanCapacity, scan.erasures.end(), Scan::kGuard),
        128);
}

}  // namespace
}  // namespace tessoran_test
