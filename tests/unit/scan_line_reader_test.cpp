#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "reader/CodewordPatternTable.h"
#include "reader/ScanLineReader.h"
#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::kScanCapacity;
using ostrel2::tessoran::lookupCodewordPattern;
using ostrel2::tessoran::makeScanLineState;
using ostrel2::tessoran::patternScore;
using ostrel2::tessoran::patternValue;
using ostrel2::tessoran::readScanLine;
using ostrel2::tessoran::ScanLineState;

using Elements = std::vector<int>;
const Elements kStart = {8, 1, 1, 1, 1, 1, 1, 3};
const Elements kStop = {7, 1, 1, 3, 1, 1, 1, 2, 1};

// Column sums of `lineCount` pixel rows: `darkSum` where dark (all rows,
// unless a test says otherwise), 0 where light.
class Line {
  public:
    explicit Line(int rows = 2, int quietColumns = 4)
        : lineCount(rows), darkSum(rows), sums(static_cast<std::size_t>(quietColumns), 0.0) {}

    // Appends bar-first elements of `widths` modules, `scale` columns each.
    Line& add(const Elements& widths, int scale = 1) { return addFrom(true, widths, scale); }
    Line& addFrom(bool dark, const Elements& widths, int scale = 1) {
        for (const int width : widths) {
            sums.insert(sums.end(), static_cast<std::size_t>(width * scale), dark ? darkSum : 0.0);
            dark = !dark;
        }
        return *this;
    }
    Line& codeword(int pdfCluster, int value, int scale = 1) {
        return add(codewordElements(pdfCluster, value), scale);
    }
    Line& modules(const std::vector<bool>& dark, int scale) {
        for (const bool module : dark) {
            sums.insert(sums.end(), static_cast<std::size_t>(scale), module ? darkSum : 0.0);
        }
        return *this;
    }
    Line& light(int columns) {
        sums.insert(sums.end(), static_cast<std::size_t>(columns), 0.0);
        return *this;
    }
    Line& dark(int columns) {
        sums.insert(sums.end(), static_cast<std::size_t>(columns), darkSum);
        return *this;
    }

    int width() const { return static_cast<int>(sums.size()); }

    int lineCount;
    double darkSum;
    std::vector<double> sums;
};

// Arrays with room to spare behind kScanCapacity, so that a write past the
// end shows up as a changed guard value.
struct Scan {
    static constexpr std::int32_t kGuard = -777;
    static constexpr std::size_t kRoom = kScanCapacity + 64;

    Scan() : codewords(kRoom, kGuard), erasures(kRoom, kGuard) {
        state = makeScanLineState(codewords.data(), erasures.data(), &codewordCount, &erasureCount);
    }

    bool read(const Line& line, int rowIndex) {
        return readScanLine(line.width() + 4, rowIndex, line.lineCount, padded(line).data(), state);
    }
    // Four light columns after every line, so that its last element ends.
    static std::vector<double> padded(const Line& line) {
        std::vector<double> sums = line.sums;
        sums.insert(sums.end(), 4, 0.0);
        return sums;
    }

    std::vector<std::int32_t> stored() const {
        return {codewords.begin(), codewords.begin() + codewordCount};
    }
    std::vector<std::int32_t> erased() const {
        return {erasures.begin(), erasures.begin() + erasureCount};
    }

    std::vector<std::int32_t> codewords;
    std::vector<std::int32_t> erasures;
    std::int32_t codewordCount = 0;
    std::int32_t erasureCount = 0;
    ScanLineState state;
};

// A whole symbol row: start, left indicator, data, right indicator, stop.
Line symbolRow(int rowIndex, const std::vector<int>& data, int scale = 1, int lineCount = 2) {
    const int pdfCluster = 3 * (rowIndex % 3);
    Line line(lineCount, 4 * scale);
    line.add(kStart, scale).codeword(pdfCluster, 1, scale);
    for (const int value : data) {
        line.codeword(pdfCluster, value, scale);
    }
    return line.codeword(pdfCluster, 2, scale).add(kStop, scale);
}

TEST(ScanLineReader, LineWithoutDarkColumnBeforeItsLastReturnsFalse) {
    Scan scan;
    std::vector<double> allLight(60, 0.0);
    EXPECT_FALSE(readScanLine(60, 0, 2, allLight.data(), scan.state));
    std::vector<double> lastDark(60, 0.0);
    lastDark.back() = 2.0;
    EXPECT_FALSE(readScanLine(60, 0, 2, lastDark.data(), scan.state));
    EXPECT_EQ(scan.codewordCount, 0);
    EXPECT_EQ(scan.erasureCount, 0);
}

TEST(ScanLineReader, LineWithFewerThanNineEdgesIsARowWithoutCodewords) {
    Scan scan;
    EXPECT_TRUE(scan.read(Line().add({5, 3, 2, 1, 4}), 0));
    EXPECT_EQ(scan.codewordCount, 0);
}

TEST(ScanLineReader, RowAtOneColumnPerModuleYieldsExactlyItsDataCodewords) {
    for (const int rowIndex : {0, 1, 2, 3, 7}) {
        Scan scan;
        const std::vector<int> data = {0, 928, 17, 900, 455};
        EXPECT_TRUE(scan.read(symbolRow(rowIndex, data), rowIndex));
        EXPECT_EQ(scan.stored(), std::vector<std::int32_t>(data.begin(), data.end()))
            << "row " << rowIndex;
        EXPECT_TRUE(scan.erased().empty());
        EXPECT_EQ(scan.state.skipCount, 0);
    }
}

TEST(ScanLineReader, RowsOfAnEncodedSymbolAtSeveralScales) {
    const Pdf417Symbol symbol = encodeSymbol({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 2, 4);
    for (const int scale : {1, 2, 3, 5}) {
        Scan scan;
        for (int row = 0; row < symbol.rows; ++row) {
            Line line(3, 3 * scale);
            line.modules(rowModules(symbol, row), scale);
            ASSERT_TRUE(scan.read(line, row));
        }
        EXPECT_EQ(scan.stored(),
                  std::vector<std::int32_t>(symbol.codewords.begin(), symbol.codewords.end()))
            << "scale " << scale;
        EXPECT_TRUE(scan.erased().empty());
    }
}

TEST(ScanLineReader, ColumnDarkInExactlyHalfTheRowsIsDark) {
    // Dark in one row of two: the sum equals the threshold, so dark.
    Line half(2);
    half.darkSum = 1.0;
    half.add(kStart).codeword(0, 1).codeword(0, 321).codeword(0, 2).add(kStop);
    Scan atHalf;
    EXPECT_TRUE(atHalf.read(half, 0));
    EXPECT_EQ(atHalf.stored(), std::vector<std::int32_t>{321});

    // Dark in one row of three: below the threshold, so the line is light.
    Line third(3);
    third.darkSum = 1.0;
    third.add(kStart).codeword(0, 1).codeword(0, 321).codeword(0, 2).add(kStop);
    Scan belowHalf;
    EXPECT_FALSE(belowHalf.read(third, 0));
    EXPECT_EQ(belowHalf.codewordCount, 0);
}

// A row at two columns per module whose start pattern's first bar is
// `firstBar` columns wide, optionally with a one-column light gap inside the
// first bar of the data codeword 500.
Line gapLine(int firstBar, bool gap) {
    Line line(2, 4);
    line.dark(firstBar).addFrom(false, {1, 1, 1, 1, 1, 1, 3}, 2).codeword(0, 1, 2);
    const std::size_t dataStart = line.sums.size();
    line.codeword(0, 500, 2).codeword(0, 600, 2).codeword(0, 2, 2).add(kStop, 2);
    if (gap) {
        line.sums[dataStart + 2] = 0.0;
    }
    return line;
}

TEST(ScanLineReader, NarrowElementFilterIsStrictAgainstTheFirstBar) {
    ASSERT_GE(codewordElements(0, 500)[0], 2);  // the gap lies inside the bar
    // First bar of 16 columns: a one-column gap (15 * 1 < 16) merges away.
    Scan wide;
    wide.read(gapLine(16, true), 0);
    EXPECT_EQ(wide.stored(), (std::vector<std::int32_t>{500, 600}));
    EXPECT_TRUE(wide.erased().empty());

    // First bar of 15 columns: the same gap (15 * 1 = 15) stays an element and
    // shifts the grouping of everything after it...
    Scan narrow;
    narrow.read(gapLine(15, true), 0);
    EXPECT_NE(narrow.stored(), (std::vector<std::int32_t>{500, 600}));

    // ...while without the gap the 15-column first bar still reads cleanly.
    Scan control;
    control.read(gapLine(15, false), 0);
    EXPECT_EQ(control.stored(), (std::vector<std::int32_t>{500, 600}));
}

TEST(ScanLineReader, StopPatternWithNothingStoredRemovesNothing) {
    Scan scan;
    EXPECT_TRUE(scan.read(Line().add(kStop), 0));
    EXPECT_EQ(scan.codewordCount, 0);
    EXPECT_EQ(scan.erasureCount, 0);
    EXPECT_EQ(scan.codewords[0], Scan::kGuard);
}

TEST(ScanLineReader, StartAsLastGroupOfALineSkipsTheNextLinesFirstGroup) {
    Scan scan;
    // The start pattern and a closing bar: one group, the start.
    EXPECT_TRUE(scan.read(Line().add(kStart).dark(1), 0));
    EXPECT_EQ(scan.codewordCount, 0);
    EXPECT_EQ(scan.state.skipCount, 1);
    EXPECT_TRUE(scan.read(Line().codeword(3, 40).codeword(3, 41).dark(1), 1));
    EXPECT_EQ(scan.stored(), std::vector<std::int32_t>{41});

    Scan fresh;
    EXPECT_TRUE(fresh.read(Line().codeword(3, 40).codeword(3, 41).dark(1), 1));
    EXPECT_EQ(fresh.stored(), (std::vector<std::int32_t>{40, 41}));
}

TEST(ScanLineReader, CodewordOfAnotherClusterBecomesAnErasure) {
    Scan scan;
    Line line;
    line.add(kStart).codeword(0, 1).codeword(0, 10).codeword(6, 20).codeword(0, 30);
    line.codeword(0, 2).add(kStop);
    EXPECT_TRUE(scan.read(line, 0));
    EXPECT_EQ(scan.stored(), (std::vector<std::int32_t>{10, 0, 30}));
    EXPECT_EQ(scan.erased(), std::vector<std::int32_t>{1});
}

// Bar-first element widths of a 15-bit pattern index (module 0 a bar, module
// 16 a space).
Elements elementsOf(std::uint32_t index) {
    Elements widths;
    bool previous = true;
    int run = 1;
    for (int module = 1; module <= 16; ++module) {
        const bool dark = module <= 15 && (index >> (15 - module) & 1u) != 0;
        if (dark == previous) {
            ++run;
        } else {
            widths.push_back(run);
            run = 1;
            previous = dark;
        }
    }
    widths.push_back(run);
    return widths;
}

TEST(ScanLineReader, ClusterCheckGivesTiesToTheExpectedCluster) {
    // Find eight-element patterns whose best score is shared by the clusters
    // of rows 0 and 1 (and not beaten by cluster 2), and one that row 1's
    // cluster matches strictly better than row 0's.
    int ties = 0;
    int beaten = 0;
    for (std::uint32_t index = 0; index < 32768 && (ties < 5 || beaten < 5); ++index) {
        const Elements widths = elementsOf(index);
        if (widths.size() != 8) {
            continue;
        }
        const std::uint32_t entry0 = lookupCodewordPattern(0, index);
        const std::uint32_t entry1 = lookupCodewordPattern(1, index);
        const std::uint32_t score2 = patternScore(lookupCodewordPattern(2, index));
        if (patternScore(entry0) > 3 || patternValue(entry0) > 928 || patternValue(entry1) > 928 ||
            (entry0 >> 16 & 0xFF) > 2 || (entry1 >> 16 & 0xFF) > 2) {
            continue;
        }
        if (patternScore(entry0) == patternScore(entry1) && score2 >= patternScore(entry0) &&
            ties < 5) {
            ++ties;
            for (const int row : {0, 1}) {
                Scan scan;
                scan.read(Line().add(widths).dark(1), row);
                EXPECT_EQ(scan.stored(), std::vector<std::int32_t>{static_cast<std::int32_t>(
                                             patternValue(row == 0 ? entry0 : entry1))})
                    << std::hex << index;
                EXPECT_TRUE(scan.erased().empty());
            }
        } else if (patternScore(entry1) < patternScore(entry0) && beaten < 5) {
            ++beaten;
            Scan scan;
            scan.read(Line().add(widths).dark(1), 0);
            EXPECT_EQ(scan.stored(), std::vector<std::int32_t>{0}) << std::hex << index;
            EXPECT_EQ(scan.erased(), std::vector<std::int32_t>{0});
        }
    }
    EXPECT_EQ(ties, 5);
    EXPECT_EQ(beaten, 5);
}

TEST(ScanLineReader, UnreadableRightIndicatorTakesItsErasureWithIt) {
    Scan scan;
    // Row 0 whose right indicator is drawn in cluster 3: unreadable in row 0.
    Line first;
    first.add(kStart).codeword(0, 1).codeword(0, 10).codeword(0, 11).codeword(3, 2).add(kStop);
    EXPECT_TRUE(scan.read(first, 0));
    EXPECT_EQ(scan.stored(), (std::vector<std::int32_t>{10, 11}));
    EXPECT_TRUE(scan.erased().empty());

    // The next row's first codeword, readable, is not taken for erased; its
    // second, unreadable, is listed once.
    Line second;
    second.add(kStart).codeword(3, 1).codeword(3, 12).codeword(0, 13).codeword(3, 2).add(kStop);
    EXPECT_TRUE(scan.read(second, 1));
    EXPECT_EQ(scan.stored(), (std::vector<std::int32_t>{10, 11, 12, 0}));
    EXPECT_EQ(scan.erased(), std::vector<std::int32_t>{3});
}

TEST(ScanLineReader, ErasureOfADataCodewordSurvivesTheStopPattern) {
    Scan scan;
    Line line;
    line.add(kStart).codeword(0, 1).codeword(0, 10).codeword(6, 11).codeword(0, 2).add(kStop);
    EXPECT_TRUE(scan.read(line, 0));
    EXPECT_EQ(scan.stored(), (std::vector<std::int32_t>{10, 0}));
    EXPECT_EQ(scan.erased(), std::vector<std::int32_t>{1});
}

TEST(ScanLineReader, FullArraysStoreNothingMoreAndNeverWritePastTheirEnd) {
    Scan scan;
    scan.codewordCount = kScanCapacity - 2;
    scan.erasureCount = kScanCapacity - 3;
    // Four data codewords, the last three unreadable; room for two.
    Line line;
    line.add(kStart).codeword(0, 1).codeword(0, 10).codeword(3, 11).codeword(3, 12);
    line.codeword(3, 13).codeword(0, 2).add(kStop);
    EXPECT_TRUE(scan.read(line, 0));
    EXPECT_EQ(scan.codewordCount, kScanCapacity);
    EXPECT_EQ(scan.erasureCount, kScanCapacity - 2);
    EXPECT_EQ(scan.codewords[kScanCapacity - 2], 10);
    EXPECT_EQ(scan.codewords[kScanCapacity - 1], 0);
    EXPECT_EQ(scan.erasures[kScanCapacity - 3], kScanCapacity - 1);
    EXPECT_TRUE(scan.state.overflowed);

    // A later row stores and removes nothing.
    EXPECT_TRUE(scan.read(symbolRow(1, {5, 6}), 1));
    EXPECT_EQ(scan.codewordCount, kScanCapacity);
    EXPECT_EQ(scan.erasureCount, kScanCapacity - 2);
    for (std::size_t i = kScanCapacity; i < Scan::kRoom; ++i) {
        EXPECT_EQ(scan.codewords[i], Scan::kGuard);
        EXPECT_EQ(scan.erasures[i], Scan::kGuard);
    }
}

TEST(ScanLineReader, LastPlaceOfTheArraysIsUsable) {
    // The right row indicator briefly takes the last place before the stop
    // pattern removes it again.
    Scan scan;
    scan.codewordCount = kScanCapacity - 3;
    EXPECT_TRUE(scan.read(symbolRow(0, {7, 8}), 0));
    EXPECT_EQ(scan.codewordCount, kScanCapacity - 1);
    EXPECT_EQ(scan.codewords[kScanCapacity - 1], 2);
    EXPECT_FALSE(scan.state.overflowed);
}

}  // namespace
}  // namespace tessoran_test
