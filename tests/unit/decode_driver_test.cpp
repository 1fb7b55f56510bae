#include "reader/DecodeDriver.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

#include "decoding/DecodeResult.h"
#include "reader/DecodeStatus.h"
#include "support/MemoryBitPattern.h"
#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

using ostrel2::ITessoranResult;
using ostrel2::Status;
using ostrel2::tessoran::DecodeBitPattern;
using ostrel2::tessoran::kNoSymbol;
using ostrel2::tessoran::kUncorrectable;

const std::vector<int> kData = {10, 20, 30, 900, 40, 50, 60};

struct Decoded {
    Status status = -1;
    int rows = 0;
    int columns = 0;
    int level = 0;
    int corrected = 0;
    long pixelReads = 0;
};

// Decodes `grid`; checks that `out` is written exactly when the decode
// succeeds, and releases the result.
Decoded decode(const PixelGrid& grid) {
    MemoryBitPattern pattern(grid);
    auto* const untouched = reinterpret_cast<ITessoranResult*>(0x1234);
    ITessoranResult* out = untouched;
    Decoded decoded;
    decoded.status = DecodeBitPattern(&pattern, &out);
    decoded.pixelReads = pattern.pixelReads;
    if (decoded.status < 0) {
        EXPECT_EQ(out, untouched) << "out written by a failed decode";
        return decoded;
    }
    decoded.rows = out->GetRows();
    decoded.columns = out->GetColumns();
    decoded.level = out->GetECLevel();
    decoded.corrected = out->GetCorrectedCount();
    EXPECT_EQ(out->Release(), 0u);
    return decoded;
}

TEST(DecodeDriver, SymbolsOfEveryLevelAndColumnCount) {
    int decoded = 0;
    for (const int moduleWidth : {1, 3}) {
        for (int level = 0; level <= 8; ++level) {
            for (int columns = 1; columns <= 30; ++columns) {
                Pdf417Symbol symbol;
                try {
                    symbol = encodeSymbol(kData, level, columns);
                } catch (const std::invalid_argument&) {
                    continue;  // more rows than a symbol may have
                }
                const Decoded result =
                    decode(renderSymbol(symbol, {moduleWidth, 3 * moduleWidth, 2}));
                ASSERT_EQ(result.status, 0) << level << " " << columns << " " << moduleWidth;
                EXPECT_EQ(result.rows, symbol.rows);
                EXPECT_EQ(result.columns, columns);
                EXPECT_EQ(result.level, level);
                EXPECT_EQ(result.corrected, 0);
                ++decoded;
            }
        }
    }
    // In 90 rows at most, level 8 needs 6 columns, level 7 3 and level 6 2.
    EXPECT_EQ(decoded, 2 * (9 * 30 - 5 - 2 - 1));
}

void paint(PixelGrid& grid, int top, int bottom, int left, int right, bool dark) {
    for (int row = top; row < bottom; ++row) {
        for (int column = left; column < right; ++column) {
            grid.dark[static_cast<std::size_t>(row) * grid.width + column] = dark ? 1 : 0;
        }
    }
}

struct GridCase {
    const char* what;
    Pdf417Symbol symbol;
    RenderOptions options;
    std::function<void(PixelGrid&)> change;
    Status status;
    int rows = 0;  // when decoded, and the columns are the symbol's
};

// Pixel rows are grouped into symbol rows: a row differing from the one
// before in fewer than one column in forty joins the open group, one
// differing in more than one in twenty ends it, rows in between do neither.
// A group that yields no codeword is no symbol row; rows that yield different
// numbers of codewords have lost or gained one.
TEST(DecodeDriver, PixelRowsGroupedIntoSymbolRows) {
    const Pdf417Symbol fiveColumns = encodeSymbol(kData, 1, 5);
    const Pdf417Symbol fourColumnsAtLevelOne = encodeSymbol(kData, 1, 4);
    const Pdf417Symbol threeRows = encodeSymbol({10, 20}, 2, 5);
    const Pdf417Symbol fourColumns = encodeSymbol(kData, 3, 4, 5);
    // The first pixel row of symbol row `row`, and column of data column
    // `column`, drawn with `options`.
    const auto rowAt = [](const RenderOptions& o, int row) {
        return (o.quietZone * o.rowHeight + 2) / 3 + row * o.rowHeight;
    };
    const auto columnAt = [](const RenderOptions& o, int column) {
        return (o.quietZone + 34 + 17 * column) * o.moduleWidth;
    };
    const auto transitional = [&](int marks) {
        return [&, marks](PixelGrid& grid) {
            for (int row = 0; row < fiveColumns.rows; ++row) {
                const int y = rowAt({1, 5, 12}, row) + 2;
                paint(grid, y, y + 1, 2, 2 + marks, true);
            }
        };
    };
    const int width = renderSymbol(fiveColumns, {1, 5, 12}).width;
    const std::vector<GridCase> cases = {
        {"a mark below the symbol",
         fourColumnsAtLevelOne,
         {1, 3, 4},
         [&](PixelGrid& grid) {
             const int below = rowAt({1, 3, 4}, fourColumnsAtLevelOne.rows) + 1;
             paint(grid, below, below + 3, 10, 60, true);
         },
         0,
         fourColumnsAtLevelOne.rows},
        {"a thick mark above the symbol",
         threeRows,
         {1, 3, 6},
         [](PixelGrid& grid) { paint(grid, 1, 5, 20, 70, true); },
         0,
         3},
        // Five pixel rows a symbol row: a boundary, a summed row, one that
        // differs in `marks` columns, one that reverts, one that joins again.
        {"a transitional row of 1 in 40",
         fiveColumns,
         {1, 5, 12},
         transitional(width / 40),
         0,
         fiveColumns.rows},
        {"a transitional row past 1 in 40",
         fiveColumns,
         {1, 5, 12},
         transitional(width / 40 + 1),
         0,
         fiveColumns.rows},
        {"a transitional row of 1 in 20",
         fiveColumns,
         {1, 5, 12},
         transitional(width / 20),
         0,
         fiveColumns.rows},
        // Two symbol rows drawn alike are summed into one group.
        {"merged rows",
         encodeSymbol(kData, 2, 5, 6),
         {1, 3, 2},
         [&](PixelGrid& grid) {
             std::copy_n(grid.dark.begin() + rowAt({1, 3, 2}, 2) * grid.width, 3 * grid.width,
                         grid.dark.begin() + rowAt({1, 3, 2}, 3) * grid.width);
         },
         kNoSymbol},
        // A codeword painted dark merges with the next bar.
        {"a row of one codeword fewer",
         fourColumns,
         {2, 6, 20},
         [&](PixelGrid& grid) {
             paint(grid, rowAt({2, 6, 20}, 1), rowAt({2, 6, 20}, 2), columnAt({2, 6, 20}, 1),
                   columnAt({2, 6, 20}, 2), true);
         },
         kNoSymbol},
    };
    for (const GridCase& test : cases) {
        SCOPED_TRACE(test.what);
        PixelGrid grid = renderSymbol(test.symbol, test.options);
        test.change(grid);
        const Decoded result = decode(grid);
        ASSERT_EQ(result.status, test.status);
        // Every pixel is read once.
        EXPECT_EQ(result.pixelReads, long{grid.width} * grid.height);
        if (test.status == 0) {
            EXPECT_EQ(result.rows, test.rows);
            EXPECT_EQ(result.columns, test.symbol.columns);
        }
    }
}

TEST(DecodeDriver, PatternsWithoutASymbol) {
    EXPECT_EQ(decode({200, 50, std::vector<std::uint8_t>(200 * 50, 0)}).status, kNoSymbol);
    // Height 1: no comparison, so no pixel is read at all.
    const Decoded oneRow = decode({100, 1, std::vector<std::uint8_t>(100, 1)});
    EXPECT_EQ(oneRow.status, kNoSymbol);
    EXPECT_EQ(oneRow.pixelReads, 0);
    // Vertical stripes: every row is alike. At 39 columns no difference
    // count is below 0, so nothing is summed; at 40 every row after the first
    // joins one group.
    for (const int width : {39, 40}) {
        PixelGrid stripes{width, 30, std::vector<std::uint8_t>(std::size_t(width) * 30, 0)};
        for (int column = 0; column < width; column += 3) {
            paint(stripes, 0, 30, column, column + 1, true);
        }
        const Decoded result = decode(stripes);
        EXPECT_EQ(result.status, kNoSymbol) << width;
        EXPECT_EQ(result.pixelReads, long{width} * 30);
    }
    MemoryBitPattern pattern(renderSymbol(encodeSymbol(kData, 1, 3)));
    ITessoranResult* out = nullptr;
    EXPECT_EQ(DecodeBitPattern(nullptr, &out), ostrel2::E_POINTER);
    EXPECT_EQ(DecodeBitPattern(&pattern, nullptr), ostrel2::E_POINTER);
    EXPECT_EQ(out, nullptr);
}

struct CodewordCase {
    const char* what;
    Pdf417Symbol symbol;
    std::vector<int> unreadable;  // drawn in another cluster
    Status status;
    int corrected = 0;
};

// Two check codewords stay for detection; the level that the row indicators
// state fixes the number of check codewords, so that a damaged length
// descriptor is one more codeword to restore.
TEST(DecodeDriver, CorrectionCountsWhatItRestored) {
    const auto changed = [](Pdf417Symbol symbol, int descriptorOffset) {
        symbol.codewords[0] += descriptorOffset;
        symbol.codewords[7] = (symbol.codewords[7] + 1) % 929;  // and one error more
        return symbol;
    };
    const Pdf417Symbol levelThree = encodeSymbol(kData, 3, 5);
    // Check codewords that cover a length descriptor of 928, drawn with the
    // descriptor that the symbol's size implies: correction restores 928,
    // more than the 12 codewords read.
    Pdf417Symbol overlong{3, 4, 1, {928, 1, 2, 3, 4, 5, 6, 7}, {}};
    for (const int check : checkCodewords(overlong.codewords, 4)) {
        overlong.codewords.push_back(check);
    }
    overlong.codewords[0] = 8;
    const std::vector<CodewordCase> cases = {
        {"six erasures of eight check codewords",
         encodeSymbol(kData, 2, 4),
         {1, 3, 5, 9, 12, 15},
         0,
         6},
        {"five erasures of four", encodeSymbol(kData, 1, 4), {2, 3, 5, 6, 7}, kUncorrectable},
        {"a descriptor beyond the codewords", overlong, {}, kUncorrectable},
        {"a descriptor one too high", changed(levelThree, 1), {}, 0, 2},
        {"a descriptor one too low", changed(levelThree, -1), {}, 0, 2},
        {"a descriptor announcing 8 check codewords", changed(levelThree, 8), {}, 0, 2},
        {"a descriptor above the codewords read", changed(levelThree, 500), {}, 0, 2},
        {"an unreadable descriptor", changed(levelThree, 0), {0}, 0, 2},
    };
    for (const CodewordCase& test : cases) {
        SCOPED_TRACE(test.what);
        Pdf417Symbol symbol = test.symbol;
        symbol.drawCluster.assign(symbol.codewords.size(), -1);
        for (const int index : test.unreadable) {
            symbol.drawCluster[static_cast<std::size_t>(index)] =
                3 * ((index / symbol.columns + 1) % 3);
        }
        const Decoded result = decode(renderSymbol(symbol));
        EXPECT_EQ(result.status, test.status);
        EXPECT_EQ(result.corrected, test.corrected);
        if (test.status == 0) {
            EXPECT_EQ(result.rows, symbol.rows);
            EXPECT_EQ(result.level, symbol.ecLevel);
        }
    }
}

}  // namespace
}  // namespace tessoran_test
