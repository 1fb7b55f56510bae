// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "support/Pdf417Encoder.h"
#include "symbol/RowIndicators.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::IndicatorSide;
using ostrel2::tessoran::RowIndicatorReading;
using ostrel2::tessoran::StatedShape;
using ostrel2::tessoran::summariseRowIndicators;

// 14 rows of 4 data columns at level 4.
const Pdf417Symbol kSymbol = [] {
    Pdf417Symbol symbol;
    symbol.rows = 14;
    symbol.columns = 4;
    symbol.ecLevel = 4;
    return symbol;
}();

// Both indicators of rows `first` to `last` of kSymbol, read as row `first +
// shift` onwards.
std::vector<RowIndicatorReading> readings(int first, int last, int shift = 0) {
    std::vector<RowIndicatorReading> read;
    for (int row = first; row <= last; ++row) {
        const auto [left, right] = rowIndicators(kSymbol, row);
        read.push_back({row + shift, IndicatorSide::Left, left});
        read.push_back({row + shift, IndicatorSide::Right, right});
    }
    return read;
}

std::vector<RowIndicatorReading> with(std::vector<RowIndicatorReading> read,
                                      std::vector<RowIndicatorReading> more) {
    read.insert(read.end(), more.begin(), more.end());
    return read;
}

struct Case {
    const char* name;
    std::vector<RowIndicatorReading> read;
    std::optional<int> rows;
    std::optional<int> rowsDiv3;
    std::optional<int> columns;
    std::optional<int> level;
    bool contradictory;
};

TEST(RowIndicators, StateTheSymbolsShapeByMajority) {
    const std::vector<Case> cases = {
        {"every indicator", readings(0, 13), 14, 4, 4, 4, false},
        // Row 0 states (rows - 1) div 3 and the columns, row 1 the level and
        // (rows - 1) mod 3.
        {"row 0 alone", readings(0, 0), std::nullopt, 4, 4, std::nullopt, false},
        {"rows 0 and 1", readings(0, 1), 14, 4, 4, 4, false},
        // Row 4 reads as level 5 (30 + 3 * 5 + 1) and row 7 as 9 columns:
        // outvoted.
        {"misread minority",
         with(readings(0, 13), {{4, IndicatorSide::Left, 46}, {7, IndicatorSide::Left, 68}}), 14, 4,
         4, 4, false},
        // Two rows, two levels: no level is stated; both agree on the rows.
        {"tied level",
         with(readings(0, 0), {{1, IndicatorSide::Left, 3 * 4 + 1}, {4, IndicatorSide::Left, 46}}),
         14, 4, 4, std::nullopt, false},
        // Three rows lost at the top: rows 3 to 13 read as 0 to 10, and every
        // value is 30 above what its row can hold.
        {"rows renumbered after a cut", readings(3, 13, -3), std::nullopt, std::nullopt,
         std::nullopt, std::nullopt, true},
        // Rows 6 to 8 lost: 9 to 13 read as 6 to 10. They are outvoted on the
        // columns and the level, but tie on the rows.
        {"rows renumbered after a middle cut", with(readings(0, 5), readings(9, 13, -3)),
         std::nullopt, std::nullopt, 4, 4, true},
        // 3 * 9 + 1: a level above 8 is no level.
        {"level 9",
         {{1, IndicatorSide::Left, 28}},
         std::nullopt,
         std::nullopt,
         std::nullopt,
         std::nullopt,
         true},
        {"nothing read", {}, std::nullopt, std::nullopt, std::nullopt, std::nullopt, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const StatedShape shape = summariseRowIndicators(test.read);
        EXPECT_EQ(shape.rows, test.rows);
        EXPECT_EQ(shape.rowsDiv3, test.rowsDiv3);
        EXPECT_EQ(shape.columns, test.columns);
        EXPECT_EQ(shape.level, test.level);
        EXPECT_EQ(shape.contradictory, test.contradictory);
    }
}

TEST(RowIndicators, AdmitOnlyTheShapeTheyState) {
    const StatedShape all = summariseRowIndicators(readings(0, 13));
    EXPECT_TRUE(all.admits(14, 4));
    EXPECT_FALSE(all.admits(13, 4));
    EXPECT_FALSE(all.admits(14, 5));
    // With (rows - 1) div 3 alone, 13 to 15 rows fit it.
    const StatedShape firstRow = summariseRowIndicators(readings(0, 0));
    EXPECT_TRUE(firstRow.admits(13, 4));
    EXPECT_TRUE(firstRow.admits(15, 4));
    EXPECT_FALSE(firstRow.admits(16, 4));
    EXPECT_FALSE(firstRow.admits(12, 4));
    EXPECT_FALSE(summariseRowIndicators(readings(3, 13, -3)).admits(11, 4));
    // Row 0's left indicator alone states (rows - 1) div 3: a shape to check.
    const std::vector<RowIndicatorReading> leftOfRow0 = {readings(0, 0)[0]};
    EXPECT_TRUE(summariseRowIndicators(leftOfRow0).anyStated());
    EXPECT_FALSE(summariseRowIndicators({}).anyStated());
}

}  // namespace
}  // namespace tessoran_test
