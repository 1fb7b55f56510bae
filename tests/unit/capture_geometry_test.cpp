// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "capture/Geometry.h"
#include "capture/GuardLines.h"
#include "capture/SymbolMap.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::capture::fitGuardLines;
using ostrel2::tessoran::capture::fitLine;
using ostrel2::tessoran::capture::GuardHit;
using ostrel2::tessoran::capture::GuardKind;
using ostrel2::tessoran::capture::Homography;
using ostrel2::tessoran::capture::Point;
using ostrel2::tessoran::capture::SymbolMap;

// A symbol of 20 rows of 171 modules seen at an angle: where its corners lie.
const std::vector<Homography::Correspondence> kCorners = {
    {{0, 0}, {102.5, 40.25}},
    {{171, 0}, {610.0, 95.0}},
    {{171, 20}, {580.75, 220.5}},
    {{0, 20}, {90.0, 180.0}},
};

TEST(CaptureGeometry, FitsGoThroughTheirPoints) {
    const std::optional<Homography> map = Homography::fit(kCorners);
    ASSERT_TRUE(map.has_value());
    for (const auto& corner : kCorners) {
        const Point mapped = map->map(corner.from);
        EXPECT_NEAR(mapped.x, corner.to.x, 1e-6);
        EXPECT_NEAR(mapped.y, corner.to.y, 1e-6);
    }
    // Straight lines stay straight: the middle of the top edge in symbol
    // coordinates lies on the line between the top corners' images.
    const Point middle = map->map({85.5, 0});
    const double side = (middle.x - 102.5) * (95.0 - 40.25) - (middle.y - 40.25) * (610.0 - 102.5);
    EXPECT_NEAR(side, 0, 1e-6);
    // A line through points on a slope of one half, as a guard line's hits.
    const auto line = fitLine(std::vector<Point>{{1, 1}, {3, 2}, {5, 3}, {7, 4.0001}});
    EXPECT_NEAR(line.value().direction.y / line->direction.x, 0.5, 1e-3);
}

// Places along one side of a symbol, as its row indicators give them: an
// affine fit to them carries the side's scale and slant across the symbol,
// where a projective fit to the same places would be free to bend it.
TEST(CaptureGeometry, AnAffineFitCarriesOneSideAcross) {
    // Modules of 3 pixels along the rows, turned by atan(0.1), rows 9 pixels
    // apart and slanted: the symbol's own map.
    const auto truth = [](Point p) {
        return Point{50 + 3 * p.x - 0.9 * p.y + 0.5 * p.y, 20 + 0.3 * p.x + 9 * p.y};
    };
    std::vector<Homography::Correspondence> side;
    for (int row = 0; row < 6; ++row) {
        for (const double x : {17.0, 34.0}) {
            const Point from{x, row + 0.5};
            // Read a little off: a fifth of a pixel either way.
            const double off = (row + static_cast<int>(x)) % 2 == 0 ? 0.2 : -0.2;
            side.push_back({from, truth(from) + Point{off, -off}});
        }
    }
    const std::optional<Homography> affine = Homography::fitAffine(side);
    ASSERT_TRUE(affine.has_value());
    // 120 modules away from the side, still within a module.
    const Point far = affine->map({154, 3});
    EXPECT_NEAR(far.x, truth({154, 3}).x, 3.0);
    EXPECT_NEAR(far.y, truth({154, 3}).y, 3.0);
    // Three points fix an affine map; two, or three in a line, do not.
    EXPECT_TRUE(Homography::fitAffine(std::span(side).first(3)).has_value());
    EXPECT_FALSE(Homography::fitAffine(std::span(side).first(2)).has_value());
    EXPECT_FALSE(Homography::fitAffine(std::vector<Homography::Correspondence>{
                                           {{0, 0}, {0, 0}}, {{1, 1}, {2, 2}}, {{2, 2}, {4, 4}}})
                     .has_value());
}

// A symbol 120 modules wide and 12 rows high on a bottle: columns crowd
// towards both sides (x follows a sine) and rows bow by 4 pixels. A bent map
// fitted to where codewords were seen follows it within a pixel across the
// symbol; a flat one is pixels off.
TEST(CaptureGeometry, ABentMapFollowsRowsThatCurve) {
    const double width = 120;
    const double rows = 12;
    const auto truth = [&](Point p) {
        const double u = (p.x - width / 2) / (width / 2);
        return Point{300 + 200 * std::sin(u * 0.8) / std::sin(0.8), 100 + 8 * p.y + 4 * u * u};
    };
    std::vector<Homography::Correspondence> seen;
    for (int row = 0; row < 12; ++row) {
        for (double x = 0; x <= width; x += 12) {
            seen.push_back({{x, row + 0.5}, truth({x, row + 0.5})});
        }
    }
    const auto bent = SymbolMap::fitBent(seen, width, rows);
    ASSERT_TRUE(bent.has_value());
    EXPECT_TRUE(bent->bent());
    double worstBent = 0;
    double worstFlat = 0;
    for (const Point p : {Point{25, 3}, Point{60, 6}, Point{95, 9}, Point{110, 1}}) {
        worstBent = std::max(worstBent, length(bent->map(p) - truth(p)));
        worstFlat = std::max(worstFlat, length(bent->flat().map(p) - truth(p)));
        // A line mapped step by step lands where its points map one by one.
        const SymbolMap::MappedLine line = bent->mapLine({p.x - 2, p.y}, {0.5, 0});
        EXPECT_NEAR(line.at(4).x, bent->map(p).x, 1e-9);
        EXPECT_NEAR(line.at(4).y, bent->map(p).y, 1e-9);
    }
    EXPECT_LT(worstBent, 1.0);
    EXPECT_GT(worstFlat, 3.0);
    // Too few places, or all near one side, fix no correction.
    EXPECT_FALSE(SymbolMap::fitBent(std::span(seen).first(20), width, rows).has_value());
    std::vector<Homography::Correspondence> oneSide;
    for (const auto& place : seen) {
        if (place.from.x < 40) {
            oneSide.push_back(place);
        }
    }
    EXPECT_FALSE(SymbolMap::fitBent(oneSide, width, rows).has_value());
}

TEST(CaptureGeometry, PointsThatFixNoMapGiveNone) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    const std::vector<std::vector<Homography::Correspondence>> cases = {
        {},
        {kCorners.begin(), kCorners.begin() + 3},
        // All on one line.
        {{{0, 0}, {0, 0}}, {{1, 1}, {2, 2}}, {{2, 2}, {4, 4}}, {{3, 3}, {6, 6}}},
        // All the same point.
        {{{1, 1}, {5, 5}}, {{1, 1}, {5, 5}}, {{1, 1}, {5, 5}}, {{1, 1}, {5, 5}}},
        // Corners folded onto one line: x + y + 1 on both axes.
        {{{0, 0}, {1, 1}}, {{1, 0}, {2, 2}}, {{1, 1}, {3, 3}}, {{0, 1}, {2, 2}}},
        // Five points in general place onto one line through a map of rank 2.
        {{{0, 0}, {0.3, 0.6}},
         {{1, 0}, {4 / 11.0, 8 / 11.0}},
         {{0, 1}, {5 / 11.0, 10 / 11.0}},
         {{1, 1}, {0.5, 1}},
         {{2, 1}, {7 / 13.0, 14 / 13.0}}},
        {{{0, 0}, {nan, 0}}, kCorners[1], kCorners[2], kCorners[3]},
        {{{0, 0}, {infinity, 0}}, kCorners[1], kCorners[2], kCorners[3]},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(Homography::fit(cases[i]).has_value());
    }
}

// Start pattern hits down one line, scan lines 4 pixels apart, modules of 2
// pixels: a gap wider than three scan lines and twelve modules (36 pixels)
// parts them into two lines, a narrower one does not.
TEST(CaptureGeometry, GuardLinesPartWhereTheirHitsLeaveAGap) {
    for (const double gap : {35.0, 37.0}) {
        SCOPED_TRACE(gap);
        std::vector<GuardHit> hits;
        for (int i = 0; i < 16; ++i) {
            const double y = 4.0 * i + (i >= 11 ? gap - 4 : 0);
            hits.push_back({GuardKind::Start, {100, y}, {134, y}, 2, {1, 0}, i});
        }
        const auto lines = fitGuardLines(hits, GuardKind::Start, 4, 4);
        std::vector<std::size_t> sizes;
        for (const auto& line : lines) {
            sizes.push_back(line.hits.size());
            EXPECT_NEAR(line.module, 2, 1e-9);
        }
        const std::vector<std::size_t> expected =
            gap < 36 ? std::vector<std::size_t>{16} : std::vector<std::size_t>{11, 5};
        EXPECT_EQ(sizes, expected);
    }
}

// The fewest hits a side can have: two, from two scan lines. Lines crossing a
// side at 0 and 60 degrees to its normal see its module twice as wide as each
// other, and the side is one and the same whichever hit comes first; hits of
// one scan line alone are no side.
TEST(CaptureGeometry, TwoHitsFromTwoScanLinesAreASide) {
    const double sixty = std::sqrt(3.0) / 2;
    // Start pattern hits whose widest bar begins on x = 100, facing +x, with a
    // module of 2 pixels across the side.
    const auto square = [](double y, std::int32_t line) {
        return GuardHit{GuardKind::Start, {100, y}, {134, y}, 2, {1, 0}, line};
    };
    const auto steep = [&](double y, std::int32_t line) {
        return GuardHit{GuardKind::Start, {100, y}, {134, y + 68 * sixty}, 4, {0.5, sixty}, line};
    };
    const struct {
        const char* name;
        std::vector<GuardHit> hits;
        bool side;
    } cases[] = {
        {"two scan lines", {square(0, 0), square(4, 1)}, true},
        {"squarely, then at 60 degrees", {square(0, 0), steep(4, 1)}, true},
        {"at 60 degrees, then squarely", {steep(0, 0), square(4, 1)}, true},
        {"one scan line", {square(0, 3), square(4, 3)}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto lines = fitGuardLines(c.hits, GuardKind::Start, 4, 4);
        ASSERT_EQ(lines.size(), c.side ? 1u : 0u);
        if (c.side) {
            EXPECT_EQ(lines[0].hits, (std::vector<std::size_t>{0, 1}));
            EXPECT_NEAR(lines[0].module, 2, 1e-9);
            EXPECT_NEAR(lines[0].inward.x, 1, 1e-9);
            EXPECT_NEAR(lines[0].line.origin.x, 100, 1e-9);
            EXPECT_NEAR(lines[0].last - lines[0].first, 4, 1e-9);
        }
        // Stop hits are looked for apart: there are none.
        EXPECT_TRUE(fitGuardLines(c.hits, GuardKind::Stop, 4, 4).empty());
    }
}

}  // namespace
}  // namespace tessoran_test
