// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace ostrel2::tessoran::capture {

// Where things lie across a symbol, in modules from its left boundary: the
// start pattern (17 modules, its first bar 8 wide), the left row indicator,
// the data columns and the right row indicator (17 each), the stop pattern
// (18 modules, its first bar 7 wide).
inline constexpr double kCodewordModules = 17;
inline constexpr double kStartModules = 17;
inline constexpr double kStopModules = 18;
inline constexpr double kFirstDataModule = kStartModules + kCodewordModules;
// The modules of a symbol that are not data columns.
inline constexpr double kFixedModules = kStartModules + 2 * kCodewordModules + kStopModules;
// The start line runs along the symbol's left boundary, the stop line 18
// modules inside its right one: each where its widest bar begins.
inline constexpr double kStopLine = kStopModules;
// The middles of the two widest bars: 4 modules in from the left boundary,
// 14.5 in from the right one.
inline constexpr double kStartBarCentre = 4;
inline constexpr double kStopBarCentre = kStopModules - 3.5;

inline constexpr std::int32_t kMinRows = 3;
inline constexpr std::int32_t kMaxRows = 90;
inline constexpr std::int32_t kMinColumns = 1;
inline constexpr std::int32_t kMaxColumns = 30;

// The symbol's width in modules with `columns` data columns.
constexpr double symbolWidth(std::int32_t columns) {
    return kFixedModules + kCodewordModules * columns;
}

// The middle value of `values` (the upper of the two middle ones), 0 for none.
inline double medianOf(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

}  // namespace ostrel2::tessoran::capture
