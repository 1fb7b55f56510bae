// SPDX-License-Identifier: Apache-2.0
#pragma once

// A small PDF417 encoder for tests: it builds complete symbols from data
// codewords (length descriptor, padding, check codewords, row indicators,
// start and stop patterns) and renders them as bar strings or pixel grids.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tessoran_test {

struct Pdf417Symbol {
    int rows = 0;
    int columns = 0;  // data columns, 1 to 30
    int ecLevel = 0;  // 0 to 8: 2^(ecLevel+1) check codewords
    // All codewords in reading order: length descriptor, data, padding (900),
    // then the check codewords. rows * columns entries.
    std::vector<int> codewords;
    // Optional per-codeword override of the cluster used to draw it (-1 =
    // the row's own cluster); same size as codewords once set.
    std::vector<int> drawCluster;
};

// The check codewords for `data` (length descriptor first) with `ecCount`
// check codewords: generator roots 3^1 .. 3^ecCount over GF(929).
std::vector<int> checkCodewords(const std::vector<int>& data, int ecCount);

// Builds a symbol holding `data` (without the length descriptor) with the
// given level and number of data columns, using at least `minRows` rows
// (3 at the least) and as many more as the data needs. Throws
// std::invalid_argument for a level outside 0-8, columns outside 1-30, a data
// codeword outside 0-928, more than 90 rows or more than 928 codewords.
Pdf417Symbol encodeSymbol(const std::vector<int>& data, int ecLevel, int columns, int minRows = 3);

// The element widths (8 numbers, bar first) of `codeword` in PDF417 cluster
// 0, 3 or 6, from the standard's table in data/pdf417-codeword-patterns.txt.
const std::vector<int>& codewordElements(int cluster, int codeword);

// The left and right row indicators of row `row` (from 0 at the top).
std::pair<int, int> rowIndicators(const Pdf417Symbol& symbol, int row);

// The 17 modules of `codeword` in `cluster`, '1' for dark.
std::string codewordModules(int cluster, int codeword);

// The symbol's module rows ('1' dark, '0' light), as zintModuleRows gives them.
std::vector<std::string> moduleRowsOf(const Pdf417Symbol& symbol);

struct PixelGrid {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> dark;  // row-major, 1 = dark
    bool at(int row, int column) const {
        return dark[static_cast<std::size_t>(row) * width + column] != 0;
    }
    // One grey byte a pixel, row after row: 0 where dark, 255 where light.
    std::vector<std::uint8_t> greyBytes() const {
        std::vector<std::uint8_t> grey;
        for (const std::uint8_t pixel : dark) {
            grey.push_back(pixel != 0 ? 0 : 255);
        }
        return grey;
    }
};

struct RenderOptions {
    int moduleWidth = 1;  // pixels per module, across
    int rowHeight = 3;    // pixels per symbol row
    int quietZone = 2;    // light margin on every side, in modules
};

// The symbol as pixels. Across, a module is `moduleWidth` pixels, so the left
// and right margins are quietZone * moduleWidth pixels. Down, a symbol row is
// `rowHeight` pixels and is taken as three modules high, so the top and bottom
// margins are quietZone * rowHeight / 3 pixel rows, rounded up.
PixelGrid renderSymbol(const Pdf417Symbol& symbol, const RenderOptions& options = {});

// The symbol as a V4 bar string: one character per module column, four symbol
// rows per line (light rows fill the last line), lines ended by "\n".
std::string toBarString(const Pdf417Symbol& symbol);
// Module rows, one string of '1' (dark) and '0' a row, as a bar string the
// same way; shorter rows are light past their end.
std::string moduleRowsToBarString(const std::vector<std::string>& rows);

// "%d Rows, %d Cols, Error correction %d.\n": what the program prints first
// for `symbol`.
std::string sizeLine(const Pdf417Symbol& symbol);

// Text-compaction codewords from text values (0 to 29), two values a
// codeword (30 * first + second). An odd count is padded with 29, the shift
// to punctuation that encoders use as a filler.
std::vector<int> textCodewords(const std::vector<int>& values);

}  // namespace tessoran_test
