// SPDX-License-Identifier: Apache-2.0
// Reading a located symbol's codewords row by row, in a frame given as the
// symbol was drawn: what lies outside the picture, what a second look above
// and below a row's lines adds, and what the codewords' blurred shapes read
// where their edges merge.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "capture/CodewordShapes.h"
#include "capture/CodewordTemplates.h"
#include "capture/GreyImage.h"
#include "capture/SymbolFrame.h"
#include "capture/SymbolLayout.h"
#include "capture/SymbolReading.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"
#include "symbol/CodewordStep.h"

namespace tessoran_test {
namespace {

namespace capture = ostrel2::tessoran::capture;
using capture::kCodewordModules;
using capture::kFirstDataModule;

constexpr int kColumns = 4;

// A symbol, its picture, and the frame that puts each module where it was
// drawn.
struct Drawn {
    Pdf417Symbol symbol;
    capture::GreyImage image;
    capture::SymbolFrame frame;
};

// Top left, top right, bottom right, bottom left, in modules and rows.
std::array<capture::Point, 4> symbolCorners(const Drawn& d) {
    const double width = capture::symbolWidth(kColumns);
    const double rows = d.symbol.rows;
    return {capture::Point{0, 0}, {width, 0}, {width, rows}, {0, rows}};
}

// 10 rows of 4 data columns at level 2, rows 6 modules high, turned by
// `degrees`, modules of `module` pixels, blurred by `blur` modules and a
// little noisy.
Drawn drawn(double degrees = 0, double module = 3, double blur = 0.15) {
    std::vector<int> data;
    for (int i = 0; i < 30; ++i) {
        data.push_back((i * 37 + 11) % 900);
    }
    Drawn d{encodeSymbol(data, 2, kColumns), {}, {}};
    const PhotoSettings settings{.moduleSize = module,
                                 .rowHeight = 6,
                                 .quietZone = 4,
                                 .angleDegrees = degrees,
                                 .blurModules = blur,
                                 .noiseLevels = 2};
    const RenderedPhoto photo = renderPhoto(moduleRowsOf(d.symbol), "", settings);
    d.image =
        capture::greyFromArgb(reinterpret_cast<const std::uint8_t*>(photo.image.pixels.data()),
                              photo.image.width, photo.image.height, 4 * photo.image.width);
    // The photo's corners are pixel corners; the picture's coordinates put a
    // pixel's centre on whole numbers.
    std::vector<capture::Homography::Correspondence> corners;
    for (std::size_t i = 0; i < 4; ++i) {
        corners.push_back(
            {symbolCorners(d)[i], {photo.corners[i].x - 0.5, photo.corners[i].y - 0.5}});
    }
    d.frame.toImage = capture::Homography::fit(corners).value();
    d.frame.rows = d.symbol.rows;
    d.frame.columns = kColumns;
    return d;
}

capture::SymbolReading read(const Drawn& d) {
    capture::CodewordTemplateSet templates;
    return capture::readSymbol(d.image, d.frame, capture::CodewordShapes(), templates);
}

// The indices of the data codewords of rows [first, last).
std::vector<std::int32_t> codewordsOfRows(int first, int last) {
    std::vector<std::int32_t> indices;
    for (int i = first * kColumns; i < last * kColumns; ++i) {
        indices.push_back(i);
    }
    return indices;
}

// The picture's top edge runs through the middle of row 3, whose codewords
// belong to row 0's cluster: rows 0 to 2 lie outside and are erased whole,
// their indicators unread, rather than read from the edge's pixels, which
// stand for everything beyond it. Row 3 reads on the lines that its lower
// half holds, and every row below it as drawn.
TEST(CaptureReading, RowsOutsideThePictureAreErasedWhole) {
    Drawn d = drawn();
    const auto top = static_cast<std::int32_t>(std::lround(d.frame.toImage.map({0, 3.5}).y));
    d.image.pixels.erase(d.image.pixels.begin(),
                         d.image.pixels.begin() + static_cast<std::ptrdiff_t>(top) * d.image.width);
    d.image.height -= top;
    std::vector<capture::Homography::Correspondence> moved;
    for (const capture::Point corner : symbolCorners(d)) {
        const capture::Point at = d.frame.toImage.map(corner);
        moved.push_back({corner, {at.x, at.y - top}});
    }
    d.frame.toImage = capture::Homography::fit(moved).value();

    const capture::SymbolReading reading = read(d);
    EXPECT_EQ(reading.erasures, codewordsOfRows(0, 3));
    for (std::size_t i = 0; i < reading.codewords.size(); ++i) {
        EXPECT_EQ(reading.codewords[i], i < 3 * kColumns ? 0 : d.symbol.codewords[i]) << i;
    }
    for (const auto& indicator : reading.indicators) {
        EXPECT_GE(indicator.row, 3);
    }
}

// Ink over columns 1 and 2 of row 5, from 0.25 to 0.88 of the row's height,
// keeping clear of the edges where the codewords begin and end: of the row's
// own lines only the topmost sees them whole, and the second look above and
// below the ink reads them.
TEST(CaptureReading, CodewordsInkedOverAcrossTheirMiddleAreReadAboveIt) {
    Drawn d = drawn();
    const capture::Point from = d.frame.toImage.map({kFirstDataModule + 1, 5.25});
    const capture::Point to =
        d.frame.toImage.map({kFirstDataModule + 2 * kCodewordModules - 1, 5.88});
    for (auto y = static_cast<std::int32_t>(std::ceil(from.y)); y <= to.y; ++y) {
        for (auto x = static_cast<std::int32_t>(std::ceil(from.x)); x <= to.x; ++x) {
            d.image.pixels[static_cast<std::size_t>(y) * d.image.width + x] = 0;
        }
    }
    const capture::SymbolReading reading = read(d);
    EXPECT_TRUE(reading.erasures.empty());
    for (const std::size_t i : {5 * kColumns + 1, 5 * kColumns + 2}) {
        EXPECT_EQ(reading.codewords[i], d.symbol.codewords[i]) << i;
    }
}

// Blurred by 0.59 module, so that the edges of most codewords' narrow elements
// merge (their edges alone read a few codewords and the indicators), the
// symbol is read by the codewords' blurred shapes: it corrects to what was
// drawn, and the places where codewords were seen carry no shift along the
// rows, which a frame refitted to them would take on. Templates compare
// samples a quarter module apart, so a shift would be a quarter module.
TEST(CaptureReading, CodewordsBlurredBeyondTheirEdgesAreReadByTheirShape) {
    const Drawn d = drawn(20, 2.5, 0.59);
    const capture::SymbolReading reading = read(d);
    const auto corrected =
        ostrel2::tessoran::correctCodewords(capture::symbolCodewordsOf(reading, d.symbol.rows));
    ASSERT_TRUE(corrected.ok());
    EXPECT_EQ(corrected.value().codewords,
              std::vector<std::int32_t>(d.symbol.codewords.begin(), d.symbol.codewords.end()));

    double shift = 0;
    for (const auto& seen : reading.seen) {
        const capture::Point at = d.frame.toImage.map(seen.from);
        const capture::Point along = d.frame.toImage.map({seen.from.x + 1, seen.from.y}) - at;
        shift += capture::dot(seen.to - at, along) / capture::dot(along, along);
    }
    ASSERT_FALSE(reading.seen.empty());
    EXPECT_NEAR(shift / static_cast<double>(reading.seen.size()), 0, 0.05);
}

}  // namespace
}  // namespace tessoran_test
