// SPDX-License-Identifier: Apache-2.0
#include "reader/DecodeDriver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "decoding/DecodeResult.h"
#include "pattern/PixelBufferPattern.h"
#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

using ostrel2::ITessoranResult;

const std::vector<int> kData = {10, 20, 30, 900, 40, 50, 60};

// Rows, columns, level and codewords corrected of the decoded `grid`, which
// must decode, seen through a grey pixel buffer; the result is released. A
// decode without a pattern or a place for its result is refused, leaving the
// result in place.
std::vector<int> decodedShape(const PixelGrid& grid) {
    const std::vector<std::uint8_t> grey = grid.greyBytes();
    ostrel2::I2DBitPattern* pattern = nullptr;
    if (ostrel2::tessoran::CreatePixelBufferPattern(
            {grey.data(), grid.width, grid.height, grid.width}, &pattern) != ostrel2::S_OK) {
        ADD_FAILURE() << "no pattern of the grey buffer";
        return {};
    }
    ITessoranResult* out = nullptr;
    EXPECT_EQ(ostrel2::tessoran::DecodeBitPattern(pattern, &out), 0);
    EXPECT_EQ(ostrel2::tessoran::DecodeBitPattern(nullptr, &out), ostrel2::E_POINTER);
    EXPECT_EQ(ostrel2::tessoran::DecodeBitPattern(pattern, nullptr), ostrel2::E_POINTER);
    pattern->Release();
    if (out == nullptr) {
        return {};
    }
    const std::vector<int> shape = {out->GetRows(), out->GetColumns(), out->GetECLevel(),
                                    out->GetCorrectedCount()};
    EXPECT_EQ(out->Release(), 0u);
    return shape;
}

// A pixel row that differs from the one before in one column in twenty is
// not yet a boundary between symbol rows: here the third of each symbol
// row's five pixel rows, which the fourth reverts.
TEST(DecodeDriver, ARowDifferingInOneColumnInTwentyEndsNoSymbolRow) {
    const Pdf417Symbol symbol = encodeSymbol(kData, 1, 5);
    const RenderOptions tall{1, 5, 12};
    PixelGrid grid = renderSymbol(symbol, tall);
    for (int row = 0; row < symbol.rows; ++row) {
        const int marked = (tall.quietZone * tall.rowHeight + 2) / 3 + row * tall.rowHeight + 2;
        std::fill_n(grid.dark.begin() + marked * grid.width + 2, grid.width / 20, std::uint8_t{1});
    }
    EXPECT_EQ(decodedShape(grid), (std::vector{symbol.rows, 5, 1, 0}));
}

// Callers of DecodeBitPattern tell failures apart by these exact values:
// the malformed-data statuses carry the kind in their low bits.
TEST(DecodeDriver, EachFailureHasItsOwnStatus) {
    using ostrel2::tessoran::DecodeFailure;
    using ostrel2::tessoran::statusOfFailure;
    const std::pair<DecodeFailure, std::uint32_t> statuses[] = {
        {DecodeFailure::Uncorrectable, 0x80510001u},
        {DecodeFailure::NoSymbol, 0x80510002u},
        {DecodeFailure::EciPastEnd, 0x80510003u},
        {DecodeFailure::ZeroLengthDescriptor, 0x80510004u},
        {DecodeFailure::TerminatorNotLast, 0x80510005u},
        {DecodeFailure::BadInput, static_cast<std::uint32_t>(ostrel2::E_INVALIDARG)},
    };
    for (const auto& [failure, status] : statuses) {
        SCOPED_TRACE(static_cast<int>(failure));
        EXPECT_EQ(static_cast<std::uint32_t>(statusOfFailure(failure)), status);
    }

    // Through the whole driver: a symbol whose data ends inside an ECI
    // designator (927 takes one value codeword).
    const PixelGrid grid = renderSymbol(encodeSymbol({927}, 1, 2), {2, 6, 2});
    const std::vector<std::uint8_t> grey = grid.greyBytes();
    ostrel2::I2DBitPattern* pattern = nullptr;
    ASSERT_EQ(ostrel2::tessoran::CreatePixelBufferPattern(
                  {grey.data(), grid.width, grid.height, grid.width}, &pattern),
              ostrel2::S_OK);
    ITessoranResult* out = nullptr;
    EXPECT_EQ(static_cast<std::uint32_t>(ostrel2::tessoran::DecodeBitPattern(pattern, &out)),
              0x80510003u);
    EXPECT_EQ(out, nullptr);
    pattern->Release();
}

}  // namespace
}  // namespace tessoran_test
