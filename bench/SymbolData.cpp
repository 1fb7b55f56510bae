// SPDX-License-Identifier: Apache-2.0
#include "bench/SymbolData.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <string_view>

#include "support/Zint.h"

namespace tessoran_bench {

namespace {

using tessoran_test::SeededRandom;

constexpr std::array<std::string_view, 24> kWords = {
    "Invoice",  "order", "shipment", "to",     "from",   "PAID",     "Account", "ref",
    "Tessoran", "label", "Box",      "weight", "kg",     "Customer", "address", "Street",
    "No.",      "date",  "total",    "EUR",    "serial", "batch",    "LOT",     "expires"};

std::string textData(SeededRandom& random, int length) {
    std::string text;
    while (static_cast<int>(text.size()) < length) {
        const int pick = random.uniformInt(0, 9);
        if (pick < 6) {
            text += kWords[static_cast<std::size_t>(
                random.uniformInt(0, static_cast<int>(kWords.size()) - 1))];
        } else if (pick < 8) {
            text += std::to_string(random.uniformInt(0, 99999));
        } else {
            static constexpr std::string_view kMarks = ".,:;-/#()@&*+=!?%$";
            text += kMarks[static_cast<std::size_t>(
                random.uniformInt(0, static_cast<int>(kMarks.size()) - 1))];
        }
        text += random.chance(0.08) ? "\n" : " ";
    }
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::string digitData(SeededRandom& random, int length) {
    std::string digits;
    for (int i = 0; i < length; ++i) {
        digits.push_back(static_cast<char>('0' + random.uniformInt(0, 9)));
    }
    return digits;
}

std::string byteData(SeededRandom& random, int length) {
    std::string bytes;
    for (int i = 0; i < length; ++i) {
        bytes.push_back(static_cast<char>(random.uniformInt(0, 255)));
    }
    return bytes;
}

// A generous guess at the codewords zint needs, to choose enough columns
// for the 90-row limit.
int codewordEstimate(int kind, int length) {
    switch (kind) {
        case 0:
            return length * 3 / 4 + 4;
        case 1:
            return length * 10 / 29 + 4;
        default:
            return length * 5 / 6 + 4;
    }
}

std::string dataOfKind(SeededRandom& random, int kind, int length) {
    return kind == 0   ? textData(random, length)
           : kind == 1 ? digitData(random, length)
                       : byteData(random, length);
}

// The most bytes of data of `kind` that codewordEstimate expects to fit in
// `codewords`.
int lengthForCodewords(int kind, int codewords) {
    const int available = std::max(1, codewords - 4);
    switch (kind) {
        case 0:
            return available * 4 / 3;
        case 1:
            return available * 29 / 10;
        default:
            return available * 6 / 5;
    }
}

}  // namespace

ChosenSymbol chooseTallSymbol(SeededRandom& random) {
    constexpr int kFewestRows = 60;
    constexpr int kMostRows = 90;
    // Check codewords take at most this share of the symbol, so that most of
    // it is data.
    constexpr double kMostCheckShare = 0.4;
    const int kind = random.uniformInt(0, 2);
    const int columns = random.uniformInt(1, 4);
    const int rows = random.uniformInt(kFewestRows, kMostRows);
    const int capacity = rows * columns;
    int level = random.uniformInt(2, 5);
    while (level > 1 && (2 << level) > kMostCheckShare * capacity) {
        --level;
    }
    // The estimate is generous, so the data fill most of the room; when zint
    // still needs more than 90 rows, less data.
    int length = lengthForCodewords(
        kind, static_cast<int>(random.uniform(0.75, 1.0) * (capacity - 1 - (2 << level))));
    ChosenSymbol symbol;
    symbol.data = dataOfKind(random, kind, length);
    for (;;) {
        // zint refuses data that the rows and columns asked for cannot hold:
        // that, too, is a sign to give it less.
        bool fits = true;
        try {
            symbol.moduleRows = tessoran_test::zintModuleRows(
                {"--rows=" + std::to_string(rows), "--cols=" + std::to_string(columns),
                 "--secure=" + std::to_string(level)},
                symbol.data);
        } catch (const std::runtime_error&) {
            if (length <= 1) {
                throw;
            }
            fits = false;
        }
        if (fits) {
            const auto made = static_cast<int>(symbol.moduleRows.size());
            const auto madeColumns = (static_cast<int>(symbol.moduleRows.front().size()) - 69) / 17;
            fits = made <= kMostRows && madeColumns == columns;
        }
        if (fits || length <= 1) {
            return symbol;
        }
        length = length * 4 / 5;
        symbol.data.resize(static_cast<std::size_t>(length));
    }
}

ChosenSymbol chooseSymbol(SeededRandom& random, int shortest, int longest, int lowestLevel,
                          int mostColumns) {
    const int kind = random.uniformInt(0, 2);
    // Lengths spread evenly on a log scale: short and long data alike.
    const int length = static_cast<int>(std::lround(std::exp(random.uniform(
        std::log(static_cast<double>(shortest)), std::log(static_cast<double>(longest) + 0.5)))));
    ChosenSymbol symbol;
    symbol.data = dataOfKind(random, kind, length);
    const int level = std::max(lowestLevel, random.uniformInt(2, 5));
    const int needed = codewordEstimate(kind, length) + 1 + (2 << level);
    const int columns = std::max(random.uniformInt(2, mostColumns), (needed + 89) / 90);
    symbol.moduleRows = tessoran_test::zintModuleRows(
        {"--cols=" + std::to_string(columns), "--secure=" + std::to_string(level)}, symbol.data);
    return symbol;
}

int levelForErasures(int erasures) {
    int level = 0;
    while ((2 << level) - 2 < erasures) {
        ++level;
    }
    return level;
}

}  // namespace tessoran_bench
