// SPDX-License-Identifier: Apache-2.0
// The test encoder against the zint encoder: given the data codewords of a
// zint symbol (padding included), it must draw the very same module rows:
// check codewords, row indicators, clusters, start and stop patterns.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"
#include "support/Zint.h"

namespace tessoran_test {
namespace {

TEST(TestEncoder, DrawsWhatZintDraws) {
    int symbols = 0;
    for (int level = 0; level <= 8; ++level) {
        for (const int columns : {1, 2, 3, 5, 8, 13, 21, 30}) {
            const std::string data =
                std::string("Symbol ") + static_cast<char>('A' + level) +
                std::string(static_cast<std::size_t>(columns * 7 + level * 11), 'x') + "\x80 42";
            const std::vector<std::string> options = {"--cols=" + std::to_string(columns),
                                                      "--secure=" + std::to_string(level)};
            std::vector<std::string> rows;
            try {
                rows = zintModuleRows(options, data);
            } catch (const std::runtime_error&) {
                continue;  // more than zint can draw in so few columns
            }
            SCOPED_TRACE("level " + std::to_string(level) + ", " + std::to_string(columns) +
                         " columns");
            const SymbolFormat format = moduleRowsFormat(rows);
            const std::vector<int> codewords = moduleRowsToCodewords(rows);
            const std::vector<int> dataCodewords(codewords.begin() + 1,
                                                 codewords.end() - (2 << format.ecLevel));
            const Pdf417Symbol symbol =
                encodeSymbol(dataCodewords, format.ecLevel, format.columns, format.rows);
            ASSERT_EQ(symbol.rows, format.rows);
            EXPECT_EQ(symbol.codewords, codewords);
            EXPECT_EQ(moduleRowsOf(symbol), rows);
            ++symbols;
        }
    }
    EXPECT_GE(symbols, 60);
}

}  // namespace
}  // namespace tessoran_test
