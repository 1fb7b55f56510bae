// SPDX-License-Identifier: Apache-2.0
#pragma once

// Symbols for the capture benchmark: data of varied kinds and lengths,
// encoded by zint (independently of the program under test).

#include <string>
#include <vector>

#include "support/SeededRandom.h"

namespace tessoran_bench {

struct ChosenSymbol {
    std::string data;
    std::vector<std::string> moduleRows;  // from zint
};

// Text, digits or bytes, `shortest` to `longest` bytes, in 2 to
// `mostColumns` data columns (more when the data needs them) at level
// `lowestLevel` to 5.
ChosenSymbol chooseSymbol(tessoran_test::SeededRandom& random, int shortest, int longest,
                          int lowestLevel = 2, int mostColumns = 12);

// A tall, narrow symbol: 60 to 90 rows of 1 to 4 data columns, mostly full
// of data.
ChosenSymbol chooseTallSymbol(tessoran_test::SeededRandom& random);

// The lowest level whose check codewords, less the two the standard keeps
// for detection, restore `erasures` unreadable codewords.
int levelForErasures(int erasures);

}  // namespace tessoran_bench
