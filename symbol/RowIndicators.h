// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace ostrel2::tessoran {

enum class IndicatorSide { Left, Right };

// One row indicator as read: the codeword beside the start pattern (left) or
// beside the stop pattern (right) of symbol row `row`, counted from 0 at the
// top, identified in that row's cluster.
struct RowIndicatorReading {
    std::int32_t row = 0;
    IndicatorSide side = IndicatorSide::Left;
    std::int32_t value = 0;
};

// What the row indicators of a symbol state about it. A field is empty when no
// indicator that carries it was read, or when the readings of it tie.
struct StatedShape {
    // The number of rows is stated in two parts, by different indicators:
    // (rows - 1) div 3 and (rows - 1) mod 3; `rows` is set when both are.
    std::optional<std::int32_t> rows;
    std::optional<std::int32_t> rowsDiv3;
    std::optional<std::int32_t> rowsMod3;
    std::optional<std::int32_t> columns;
    std::optional<std::int32_t> level;
    // Whether the readings outvote or tie with what they state: readings whose
    // value does not belong to their row (rows lost or counted wrongly put
    // every later row under another number) are as many as the agreeing ones.
    bool contradictory = false;

    bool anyStated() const { return rowsDiv3 || rowsMod3 || columns || level; }
    // Whether a symbol of `rowCount` rows and `columnCount` data columns is
    // what the indicators state.
    bool admits(std::int32_t rowCount, std::int32_t columnCount) const;
};

// Each row indicator carries one or two of the symbol's numbers, encoded with
// the row's number: in row r the value is 30 * (r div 3) plus, by cluster
// (r mod 3):
//   cluster 0: left (rows - 1) div 3,          right columns - 1;
//   cluster 1: left 3 * level + (rows - 1) mod 3, right (rows - 1) div 3;
//   cluster 2: left columns - 1,               right 3 * level + (rows - 1) mod 3.
// Every number is taken by majority over the readings that carry it.
StatedShape summariseRowIndicators(std::span<const RowIndicatorReading> readings);

}  // namespace ostrel2::tessoran
