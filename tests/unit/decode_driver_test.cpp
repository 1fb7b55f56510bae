#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "decoding/DecodeResult.h"
#include "reader/DecodeDriver.h"
#include "reader/ReedSolomon.h"
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
};

// Decodes `grid`; checks that `out` is written exactly when the decode
// succeeds, and releases the result.
Decoded decode(const PixelGrid& grid) {
    MemoryBitPattern pattern(grid);
    auto* const untouched = reinterpret_cast<ITessoranResult*>(0x1234);
    ITessoranResult* out = untouched;
    Decoded decoded;
    decoded.status = DecodeBitPattern(&pattern, &out);
    if (decoded.status < 0) {
        EXPECT_EQ(out, untouched) << "out written by a failed decode";
        return decoded;
    }
    EXPECT_NE(out, untouched);
    decoded.rows = out->GetRows();
    decoded.columns = out->GetColumns();
    decoded.level = out->GetECLevel();
    decoded.corrected = out->GetCorrectedCount();
    EXPECT_EQ(out->Release(), 0u);
    return decoded;
}

RenderOptions atScale(int moduleWidth, int quietZone = 2) {
    return {moduleWidth, 3 * moduleWidth, quietZone};
}

void paint(PixelGrid& grid, int top, int bottom, int left, int right, bool dark) {
    for (int row = top; row < bottom; ++row) {
        for (int column = left; column < right; ++column) {
            grid.dark[static_cast<std::size_t>(row) * grid.width + column] = dark ? 1 : 0;
        }
    }
}

// The first pixel row of symbol row `row` in a grid rendered with `options`.
int pixelRowOf(const RenderOptions& options, int row) {
    return (options.quietZone * options.rowHeight + 2) / 3 + row * options.rowHeight;
}

// The first pixel column of data column `column`.
int pixelColumnOf(const RenderOptions& options, int column) {
    return (options.quietZone + 34 + 17 * column) * options.moduleWidth;
}

TEST(DecodeDriver, SymbolsOfEveryLevelAndColumnCount) {
    for (const int moduleWidth : {1, 3}) {
        for (int level = 0; level <= 8; ++level) {
            int decoded = 0;
            for (int columns = 1; columns <= 30; ++columns) {
                Pdf417Symbol symbol;
                try {
                    symbol = encodeSymbol(kData, level, columns);
                } catch (const std::invalid_argument&) {
                    continue;  // too many rows for so few columns
                }
                const Decoded result = decode(renderSymbol(symbol, atScale(moduleWidth)));
                ASSERT_EQ(result.status, 0) << "level " << level << " columns " << columns
                                            << " module width " << moduleWidth;
                EXPECT_EQ(result.rows, symbol.rows);
                EXPECT_EQ(result.columns, columns);
                EXPECT_EQ(result.level, level);
                ++decoded;
            }
            EXPECT_GE(decoded, level == 8 ? 25 : 28) << "level " << level;
        }
    }
}

TEST(DecodeDriver, EightRowsOfFourColumns) {
    const Pdf417Symbol symbol = encodeSymbol(kData, 2, 4, 8);
    ASSERT_EQ(symbol.rows, 8);
    const Decoded result = decode(renderSymbol(symbol));
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.rows, 8);
    EXPECT_EQ(result.columns, 4);
    EXPECT_EQ(result.level, 2);
}

TEST(DecodeDriver, PatternsWithoutAGroupFail) {
    PixelGrid blank{200, 50, std::vector<std::uint8_t>(200 * 50, 0)};
    EXPECT_EQ(decode(blank).status, kNoSymbol);

    // Height 1: no comparison, so no pixel is read at all.
    const PixelGrid symbolRow = renderSymbol(encodeSymbol(kData, 1, 3), atScale(1, 0));
    PixelGrid oneRow{symbolRow.width, 1,
                     std::vector<std::uint8_t>(symbolRow.dark.begin(),
                                               symbolRow.dark.begin() + symbolRow.width)};
    MemoryBitPattern pattern(oneRow);
    ITessoranResult* out = nullptr;
    EXPECT_EQ(DecodeBitPattern(&pattern, &out), kNoSymbol);
    EXPECT_EQ(pattern.pixelReads, 0);
    EXPECT_EQ(out, nullptr);

    // Vertical stripes: every row is alike. At 39 columns no difference count
    // is below 0, so nothing is summed; at 40 every row after the first joins
    // one group. Neither is a symbol, and every pixel is read exactly once.
    for (const int width : {39, 40}) {
        const int height = 30;
        PixelGrid stripes{width, height, std::vector<std::uint8_t>(std::size_t(width) * height, 0)};
        for (int column = 0; column < width; column += 3) {
            paint(stripes, 0, height, column, column + 1, true);
        }
        MemoryBitPattern striped(stripes);
        EXPECT_EQ(DecodeBitPattern(&striped, &out), kNoSymbol) << width;
        EXPECT_EQ(striped.pixelReads, long{width} * height);
        EXPECT_EQ(out, nullptr);
    }
}

TEST(DecodeDriver, MergedRowsFail) {
    // Two symbol rows drawn alike are summed into one group, which loses five
    // codewords: the check codewords no longer number a power of two.
    const RenderOptions options = atScale(1);
    const Pdf417Symbol symbol = encodeSymbol(kData, 2, 5, 6);
    PixelGrid grid = renderSymbol(symbol, options);
    const int second = pixelRowOf(options, 2);
    const int third = pixelRowOf(options, 3);
    for (int offset = 0; offset < options.rowHeight; ++offset) {
        std::copy_n(grid.dark.begin() + (second + offset) * grid.width, grid.width,
                    grid.dark.begin() + (third + offset) * grid.width);
    }
    EXPECT_EQ(decode(grid).status, kNoSymbol);
}

TEST(DecodeDriver, RowsThatYieldDifferentCodewordCountsFail) {
    const RenderOptions options = atScale(2, 20);
    const Pdf417Symbol symbol = encodeSymbol(kData, 3, 4, 5);
    PixelGrid grid = renderSymbol(symbol, options);
    ASSERT_EQ(decode(grid).status, 0);
    // A codeword painted solid dark merges with the next bar: row 1 yields
    // one codeword fewer, and the rows below it shift.
    const int shortRow = pixelRowOf(options, 1);
    paint(grid, shortRow, shortRow + options.rowHeight, pixelColumnOf(options, 1),
          pixelColumnOf(options, 2), true);
    EXPECT_EQ(decode(grid).status, kNoSymbol);

    // Row 3 drawn with one codeword too many makes up the count, so the
    // length descriptor and the number of check codewords look right; only
    // the rows' disagreement tells that the codewords are misplaced.
    std::vector<bool> modules = rowModules(symbol, 3);
    const std::vector<int>& extra = codewordElements(0, 77);
    std::vector<bool> extraModules;
    for (std::size_t element = 0; element < extra.size(); ++element) {
        extraModules.insert(extraModules.end(), std::size_t(extra[element]), element % 2 == 0);
    }
    modules.insert(modules.begin() + 34, extraModules.begin(), extraModules.end());
    const int longRow = pixelRowOf(options, 3);
    for (std::size_t module = 0; module < modules.size(); ++module) {
        const int left = (options.quietZone + static_cast<int>(module)) * options.moduleWidth;
        paint(grid, longRow, longRow + options.rowHeight, left, left + options.moduleWidth,
              modules[module]);
    }
    EXPECT_EQ(decode(grid).status, kNoSymbol);
}

TEST(DecodeDriver, MarkBelowTheSymbolIsNoSymbolRow) {
    const RenderOptions options = atScale(1, 4);
    const Pdf417Symbol symbol = encodeSymbol(kData, 1, 4);
    PixelGrid grid = renderSymbol(symbol, options);
    const int below = pixelRowOf(options, symbol.rows) + 1;
    paint(grid, below, below + 3, 10, 60, true);
    const Decoded result = decode(grid);
    ASSERT_EQ(result.status, 0);
    // The mark's group yields no codeword: counted, it would make the size
    // read one row more and one column fewer.
    EXPECT_EQ(result.rows, symbol.rows);
    EXPECT_EQ(result.columns, symbol.columns);
}

TEST(DecodeDriver, MarkRowAboveTheSymbol) {
    const RenderOptions options = atScale(1, 6);
    const Pdf417Symbol symbol = encodeSymbol({10, 20}, 2, 5);  // 15 codewords
    ASSERT_EQ(symbol.rows, 3);
    // A single pixel row of marks forms no group: the symbol reads as usual.
    PixelGrid thin = renderSymbol(symbol, options);
    paint(thin, 1, 2, 20, 70, true);
    const Decoded clean = decode(thin);
    ASSERT_EQ(clean.status, 0);
    EXPECT_EQ(clean.rows, 3);

    // A thicker mark forms a group, but one without codewords: it is no symbol
    // row, and the rows below it keep their clusters.
    PixelGrid thick = renderSymbol(symbol, options);
    paint(thick, 1, 5, 20, 70, true);
    const Decoded marked = decode(thick);
    ASSERT_EQ(marked.status, 0);
    EXPECT_EQ(marked.rows, 3);
    EXPECT_EQ(marked.columns, 5);
}

TEST(DecodeDriver, TransitionalRowNeitherEndsNorJoinsTheGroup) {
    // Five pixel rows per symbol row: the first is a boundary, the second is
    // summed, the third differs from it in `marks` columns (from one in forty
    // to one in twenty, both ends included), the fourth reverts, the fifth is
    // alike again and joins the open group.
    const RenderOptions options{1, 5, 12};
    const Pdf417Symbol symbol = encodeSymbol(kData, 1, 5);
    const PixelGrid clean = renderSymbol(symbol, options);
    const int width = clean.width;
    for (const int marks : {width / 40, width / 40 + 1, width / 20}) {
        PixelGrid grid = clean;
        for (int row = 0; row < symbol.rows; ++row) {
            const int transitional = pixelRowOf(options, row) + 2;
            paint(grid, transitional, transitional + 1, 2, 2 + marks, true);
        }
        MemoryBitPattern pattern(grid);
        ITessoranResult* out = nullptr;
        ASSERT_EQ(DecodeBitPattern(&pattern, &out), 0) << marks;
        EXPECT_EQ(out->GetRows(), symbol.rows) << marks;  // an ended group would count twice
        EXPECT_EQ(out->GetColumns(), 5);
        out->Release();
        EXPECT_EQ(pattern.pixelReads, long{width} * grid.height) << marks;
    }
}

TEST(DecodeDriver, ExceptionFromThePatternPropagates) {
    class Throwing final
        : public ostrel2::ComObject<ostrel2::I2DBitPattern, ostrel2::IID_I2DBitPattern> {
      public:
        std::int32_t GetHeight() override { return 50; }
        std::int32_t GetWidth() override { return 100; }
        bool GetPixel(std::int32_t row, std::int32_t) override {
            if (row == 30) {
                throw std::runtime_error("pixel unavailable");
            }
            return false;
        }
    };
    Throwing pattern;
    ITessoranResult* out = nullptr;
    EXPECT_THROW(DecodeBitPattern(&pattern, &out), std::runtime_error);
    EXPECT_EQ(out, nullptr);
}

TEST(DecodeDriver, NullArgumentsAreRefused) {
    MemoryBitPattern pattern(renderSymbol(encodeSymbol(kData, 1, 3)));
    ITessoranResult* out = nullptr;
    EXPECT_EQ(DecodeBitPattern(nullptr, &out), ostrel2::E_POINTER);
    EXPECT_EQ(DecodeBitPattern(&pattern, nullptr), ostrel2::E_POINTER);
    EXPECT_EQ(out, nullptr);
}

// Draws the codewords at `indices` in another cluster than their row's, so
// that the reader lists them as erasures.
void unreadable(Pdf417Symbol& symbol, const std::vector<int>& indices) {
    for (const int index : indices) {
        const int row = index / symbol.columns;
        symbol.drawCluster[static_cast<std::size_t>(index)] = 3 * ((row + 1) % 3);
    }
}

TEST(DecodeDriver, ErasuresWithinTheBudgetAreRestored) {
    Pdf417Symbol symbol = encodeSymbol(kData, 2, 4);  // 8 check codewords
    // Two of the eight stay for detection.
    unreadable(symbol, {1, 3, 5, 9, 12, 15});
    const Decoded result = decode(renderSymbol(symbol));
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.corrected, 6);
    EXPECT_EQ(result.level, 2);
}

TEST(DecodeDriver, TooManyErasuresAreUncorrectable) {
    Pdf417Symbol symbol = encodeSymbol(kData, 1, 4);  // 4 check codewords
    unreadable(symbol, {2, 3, 5, 6, 7});
    EXPECT_EQ(decode(renderSymbol(symbol)).status, kUncorrectable);
}

TEST(DecodeDriver, LengthDescriptorThatCorrectionCannotConfirmFails) {
    // A symbol whose check codewords cover a length descriptor of 928, drawn
    // with the descriptor that its size implies: correction restores 928,
    // more than the 12 codewords read, and no other number of check
    // codewords corrects it either.
    Pdf417Symbol symbol;
    symbol.rows = 3;
    symbol.columns = 4;
    symbol.ecLevel = 1;
    symbol.codewords = {928, 1, 2, 3, 4, 5, 6, 7};
    const std::vector<int> check = checkCodewords(symbol.codewords, 4);
    symbol.codewords.insert(symbol.codewords.end(), check.begin(), check.end());
    symbol.codewords[0] = 8;
    symbol.drawCluster.assign(12, -1);
    EXPECT_EQ(decode(renderSymbol(symbol)).status, kUncorrectable);
}

TEST(DecodeDriver, DamagedLengthDescriptorIsRestoredWithTheRightCheckCount) {
    // 5 columns at level 3: 16 check codewords. The descriptor announces the
    // check codewords, so its damage first shows as a wrong count.
    struct Case {
        const char* damage;
        int descriptorOffset;  // added to the descriptor as drawn
        bool unreadable;       // drawn in another cluster
    };
    const std::vector<Case> cases = {
        {"one too high: 15 check codewords", 1, false},
        {"one too low: 17", -1, false},
        {"8 too high: 8, which restore it to announce 16", 8, false},
        {"above the codewords read", 500, false},
        {"unreadable: read as 0", 0, true},
    };
    const Pdf417Symbol clean = encodeSymbol(kData, 3, 5);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.damage);
        Pdf417Symbol symbol = clean;
        symbol.codewords[0] += test.descriptorOffset;
        if (test.unreadable) {
            symbol.drawCluster[0] = 3;
        }
        symbol.codewords[7] = (symbol.codewords[7] + 1) % 929;  // and one more error
        const Decoded decoded = decode(renderSymbol(symbol));
        ASSERT_EQ(decoded.status, 0);
        EXPECT_EQ(decoded.rows, clean.rows);
        EXPECT_EQ(decoded.columns, 5);
        EXPECT_EQ(decoded.level, 3);
        EXPECT_EQ(decoded.corrected, 2);
    }
}

}  // namespace
}  // namespace tessoran_test
