#include "reader/DecodeDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
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
    std::vector<int> shape;  // rows, columns, level and codewords corrected
    long pixelReads = 0;
};

// Decodes `grid`; checks that `out` is written exactly when the decode
// succeeds, and releases the result.
Decoded decode(const PixelGrid& grid) {
    MemoryBitPattern pattern(grid);
    auto* const untouched = reinterpret_cast<ITessoranResult*>(0x1234);
    ITessoranResult* out = untouched;
    Decoded decoded{DecodeBitPattern(&pattern, &out), {}, pattern.pixelReads};
    if (decoded.status < 0) {
        EXPECT_EQ(out, untouched) << "out written by a failed decode";
        return decoded;
    }
    decoded.shape = {out->GetRows(), out->GetColumns(), out->GetECLevel(),
                     out->GetCorrectedCount()};
    EXPECT_EQ(out->Release(), 0u);
    return decoded;
}

std::function<void(PixelGrid&)> ink(int top, int bottom, int left, int right) {
    return [=](PixelGrid& grid) {
        for (int row = top; row < bottom; ++row) {
            std::fill_n(grid.dark.begin() + row * grid.width + left, right - left, std::uint8_t{1});
        }
    };
}

struct Case {
    const char* what;
    Pdf417Symbol symbol;
    RenderOptions options;
    std::function<void(PixelGrid&)> change;
    Status status;
    int corrected = 0;  // when decoded, with the symbol's own size and level
};

void expectDecodes(const std::vector<Case>& cases) {
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        PixelGrid grid = renderSymbol(test.symbol, test.options);
        test.change(grid);
        const Decoded result = decode(grid);
        ASSERT_EQ(result.status, test.status);
        // Every pixel is read once.
        EXPECT_EQ(result.pixelReads, long{grid.width} * grid.height);
        if (test.status == 0) {
            const Pdf417Symbol& symbol = test.symbol;
            EXPECT_EQ(result.shape,
                      (std::vector{symbol.rows, symbol.columns, symbol.ecLevel, test.corrected}));
        }
    }
}

// The first pixel row of symbol row `row`, and column of data column
// `column`, drawn with `options`.
int rowAt(const RenderOptions& o, int row) {
    return (o.quietZone * o.rowHeight + 2) / 3 + row * o.rowHeight;
}
int columnAt(const RenderOptions& o, int column) {
    return (o.quietZone + 34 + 17 * column) * o.moduleWidth;
}

// Pixel rows are grouped into symbol rows: a row differing from the one
// before in fewer than one column in forty joins the open group, one
// differing in more than one in twenty ends it, rows in between do neither.
// A group that yields no codeword is no symbol row; rows that yield different
// numbers of codewords have lost or gained one.
TEST(DecodeDriver, PixelRowsGroupedIntoSymbolRows) {
    const Pdf417Symbol fiveColumns = encodeSymbol(kData, 1, 5);
    const Pdf417Symbol fourColumns = encodeSymbol(kData, 1, 4);
    const Pdf417Symbol tallFour = encodeSymbol(kData, 3, 4, 5);
    const RenderOptions low{1, 3, 4};
    const RenderOptions wide{2, 6, 20};
    // Five pixel rows a symbol row: a boundary, a summed row, one that
    // differs in `marks` columns, one that reverts, one that joins again.
    const RenderOptions tall{1, 5, 12};
    const int width = renderSymbol(fiveColumns, tall).width;
    const auto transitional = [&](const char* what, int marks) {
        const auto change = [&, marks](PixelGrid& grid) {
            for (int row = 0; row < fiveColumns.rows; ++row) {
                ink(rowAt(tall, row) + 2, rowAt(tall, row) + 3, 2, 2 + marks)(grid);
            }
        };
        return Case{what, fiveColumns, tall, change, 0};
    };
    const Pdf417Symbol threeRows = encodeSymbol({10, 20}, 2, 5);
    const int below = rowAt(low, fourColumns.rows) + 1;
    const auto sameRows = [](PixelGrid& grid) {  // symbol rows 2 and 3 alike
        const auto first = grid.dark.begin() + rowAt({1, 3, 2}, 2) * grid.width;
        std::copy_n(first, 3 * grid.width, first + 3 * grid.width);
    };
    expectDecodes({
        {"a mark below the symbol", fourColumns, low, ink(below, below + 3, 10, 60), 0},
        {"a thick mark above the symbol", threeRows, {1, 3, 6}, ink(1, 5, 20, 70), 0},
        transitional("a transitional row of 1 in 40", width / 40),
        transitional("a transitional row past 1 in 40", width / 40 + 1),
        transitional("a transitional row of 1 in 20", width / 20),
        // Two symbol rows drawn alike are summed into one group.
        {"merged rows", encodeSymbol(kData, 2, 5, 6), {1, 3, 2}, sameRows, kNoSymbol},
        // A codeword painted dark merges with the next bar.
        {"a row of one codeword fewer", tallFour, wide,
         ink(rowAt(wide, 1), rowAt(wide, 2), columnAt(wide, 1), columnAt(wide, 2)), kNoSymbol},
    });
}

TEST(DecodeDriver, PatternsWithoutASymbol) {
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
            ink(0, 30, column, column + 1)(stripes);
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

// The erasures and errors restored, a damaged length descriptor among them, as
// the result reports them; the budget is the symbols' end-to-end table's.
TEST(DecodeDriver, CorrectionCountsWhatItRestored) {
    Pdf417Symbol highDescriptor = encodeSymbol(kData, 3, 5);
    highDescriptor.codewords[0] += 500;
    highDescriptor.codewords[7] = (highDescriptor.codewords[7] + 1) % 929;  // and one error more
    // Check codewords of a descriptor of 928, drawn with the descriptor that
    // the size implies: correction restores 928, more than the 12 read.
    Pdf417Symbol overlong{3, 4, 1, {928, 1, 2, 3, 4, 5, 6, 7}, {}};
    const std::vector<int> checks = checkCodewords(overlong.codewords, 4);
    overlong.codewords.insert(overlong.codewords.end(), checks.begin(), checks.end());
    overlong.codewords[0] = 8;
    // Drawn in another row's cluster, six of eight check codewords are erased.
    Pdf417Symbol sixErased = encodeSymbol(kData, 2, 4);
    sixErased.drawCluster.assign(sixErased.codewords.size(), -1);
    for (const int index : {1, 3, 5, 9, 12, 15}) {
        sixErased.drawCluster[static_cast<std::size_t>(index)] = 3 * ((index / 4 + 1) % 3);
    }
    const auto none = [](PixelGrid&) {};
    expectDecodes({
        {"six erasures of eight check codewords", sixErased, {}, none, 0, 6},
        {"a descriptor beyond the codewords", overlong, {}, none, kUncorrectable},
        {"a descriptor above the codewords read", highDescriptor, {}, none, 0, 2},
    });
}

}  // namespace
}  // namespace tessoran_test
