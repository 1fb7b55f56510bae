// SPDX-License-Identifier: Apache-2.0
// The photo renderer's harder effects do what pictures from phones show:
// motion blur smears an edge over its length and only along it, a barrel
// lens draws the scene in toward the centre, a bottle narrows the modules
// at its sides, a cut leaves the cut guard pattern wholly outside the
// picture, and a thumb or glare changes only what it covers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "support/BarrelLens.h"
#include "support/CylinderWrap.h"
#include "support/InkCanvas.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"

namespace tessoran_test {
namespace {

// Ink from column `edge` on, paper before it.
InkCanvas verticalEdge(int width, int height, int edge) {
    InkCanvas canvas(width, height);
    for (int row = 0; row < height; ++row) {
        for (int column = edge; column < width; ++column) {
            canvas.at(row, column) = 1.0f;
        }
    }
    return canvas;
}

// Columns from the first whose ink passes 10% to the first that passes 90%.
int rampWidth(InkCanvas& canvas, int row) {
    int first = -1;
    int last = -1;
    for (int column = 0; column < canvas.width; ++column) {
        if (first < 0 && canvas.at(row, column) > 0.1f) {
            first = column;
        }
        if (last < 0 && canvas.at(row, column) > 0.9f) {
            last = column;
        }
    }
    return last - first;
}

TEST(PhotoRenderer, MotionBlurSpreadsAnEdgeAcrossItOverItsLength) {
    for (const double length : {4.0, 8.0, 16.0}) {
        SCOPED_TRACE(length);
        InkCanvas across = verticalEdge(80, 9, 40);
        motionBlur(across, length, 0.0);
        // A box of length L turns the step into a ramp L long: 10% to 90% of
        // it is 0.8 L, give or take a column at either end of the ramp, as
        // the columns sample it.
        EXPECT_NEAR(rampWidth(across, 4), 0.8 * length, 1.5);
        // Smeared the other way, backwards or along the edge.
        InkCanvas backwards = verticalEdge(80, 9, 40);
        motionBlur(backwards, length, 180.0);
        EXPECT_NEAR(rampWidth(backwards, 4), 0.8 * length, 1.5);
        InkCanvas along = verticalEdge(80, 40, 40);
        motionBlur(along, length, 90.0);
        EXPECT_LE(rampWidth(along, 20), 1);
    }
}

TEST(PhotoRenderer, BarrelLensDrawsPointsInTheMoreTheFartherOut) {
    const Point centre{300, 200};
    const BarrelLens lens(centre, 360.0, 0.05);
    const Point unmoved = lens.distort(centre);
    EXPECT_DOUBLE_EQ(unmoved.x, centre.x);
    EXPECT_DOUBLE_EQ(unmoved.y, centre.y);
    double lastShare = 1.0;
    for (const double out : {50.0, 150.0, 250.0, 350.0}) {
        SCOPED_TRACE(out);
        const Point scene{centre.x + 0.6 * out, centre.y - 0.8 * out};
        const Point drawn = lens.distort(scene);
        const double share = std::hypot(drawn.x - centre.x, drawn.y - centre.y) / out;
        EXPECT_LT(share, lastShare);
        lastShare = share;
        // Along the same ray, and back where it came from.
        EXPECT_NEAR((drawn.x - centre.x) * 0.8 + (drawn.y - centre.y) * 0.6, 0.0, 1e-9);
        const Point back = lens.undistort(drawn);
        EXPECT_NEAR(back.x, scene.x, 1e-6);
        EXPECT_NEAR(back.y, scene.y, 1e-6);
    }
    // A straight line off the centre bows outward: its middle lies farther
    // out than its ends.
    const double middle = lens.distort({centre.x + 200, centre.y}).x;
    const double end = lens.distort({centre.x + 200, centre.y + 200}).x;
    EXPECT_GT(middle, end + 2.0);
}

TEST(PhotoRenderer, ABottleNarrowsTheModulesTowardItsSidesAndKeepsItsEdges) {
    const double width = 120;
    const CylinderWrap bottle(width, 120.0);
    EXPECT_NEAR(bottle.wrap(0), 0, 1e-9);
    EXPECT_NEAR(bottle.wrap(width / 2), width / 2, 1e-9);
    EXPECT_NEAR(bottle.wrap(width), width, 1e-9);
    const double atSide = bottle.wrap(1) - bottle.wrap(0);
    const double inMiddle = bottle.wrap(width / 2 + 0.5) - bottle.wrap(width / 2 - 0.5);
    // 60 degrees round at the sides: cos 60 = half the middle's width.
    EXPECT_NEAR(atSide / inMiddle, 0.5, 0.02);
    for (double across = -20; across <= width + 20; across += 3.5) {
        EXPECT_NEAR(bottle.unwrap(bottle.wrap(across)), across, 1e-9) << across;
    }
}

std::vector<std::string> smallSymbolRows() {
    std::vector<int> data;
    for (int i = 0; i < 24; ++i) {
        data.push_back((i * 53 + 7) % 900);
    }
    return moduleRowsOf(encodeSymbol(data, 2, 3));
}

// The distance of `point` outside the image (negative inside).
double outside(Point point, const ArgbImage& image) {
    return std::max({-point.x, point.x - image.width, -point.y, point.y - image.height});
}

TEST(PhotoRenderer, ACutGuardPatternLiesWhollyOutsideThePicture) {
    struct Case {
        double degrees;
        bool mirrored;
        double cut;   // modules: start side positive, stop side negative
        double tilt;  // degrees from a quarter turn
    };
    const Case cases[] = {{0, false, 17, 0},   {90, false, 17, 0}, {180, false, 20, 0},
                          {270, false, 17, 0}, {0, true, 17, 0},   {0, false, -18, 0},
                          {90, true, -18, 0},  {3, false, 24, 3},  {183, false, -25, 3}};
    const std::vector<std::string> rows = smallSymbolRows();
    const double module = 3.0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.degrees) + (c.mirrored ? " mirrored, cut " : ", cut ") +
                     std::to_string(c.cut));
        const RenderedPhoto photo = renderPhoto(rows, "",
                                                {.moduleSize = module,
                                                 .quietZone = 2,
                                                 .angleDegrees = c.degrees,
                                                 .mirrored = c.mirrored,
                                                 .imageWidth = 800,
                                                 .imageHeight = 800,
                                                 .sideCut = c.cut});
        // Top left, top right, bottom right, bottom left: the start pattern
        // lies along the left edge, the stop pattern along the right.
        const bool start = c.cut > 0;
        const Point& top = photo.corners[start ? 0 : 1];
        const Point& bottom = photo.corners[start ? 3 : 2];
        const double deepest = std::abs(c.cut) * module;
        // The cut side lies outside: the cut deep where the border touches
        // the part kept, less deep at the far end of a tilted border, but
        // still past the whole guard pattern.
        const double tilt = c.tilt * std::numbers::pi / 180;
        const double shallowest = deepest * std::cos(tilt) -
                                  static_cast<double>(rows.size()) * 3 * module * std::sin(tilt);
        ASSERT_GE(shallowest, (start ? 17 : 18) * module);
        EXPECT_GT(std::min(outside(top, photo.image), outside(bottom, photo.image)),
                  shallowest - 0.5);
        EXPECT_NEAR(std::max(outside(top, photo.image), outside(bottom, photo.image)), deepest,
                    0.5);
        EXPECT_LT(outside(photo.corners[start ? 1 : 0], photo.image), 0.0);
        EXPECT_LT(outside(photo.corners[start ? 2 : 3], photo.image), 0.0);
    }
}

TEST(PhotoRenderer, OccludersChangeOnlyWhatTheyCover) {
    const std::vector<std::string> rows = smallSymbolRows();
    PhotoSettings plain{.moduleSize = 3.0, .quietZone = 4, .imageWidth = 400, .imageHeight = 200};
    const RenderedPhoto before = renderPhoto(rows, "", plain);
    const double width = static_cast<double>(rows.front().size());
    const double height = static_cast<double>(rows.size()) * plain.rowHeight;
    struct Case {
        Occluder::Kind kind;
        std::uint32_t colour;
    };
    for (const Case c :
         {Case{Occluder::Kind::Thumb, 0x505050u}, Case{Occluder::Kind::Glare, 0xFAFAFAu}}) {
        SCOPED_TRACE(c.kind == Occluder::Kind::Thumb ? "thumb" : "glare");
        PhotoSettings covered = plain;
        covered.occluders.push_back({.kind = c.kind,
                                     .centre = {0.0, height / 2},
                                     .radiusAcross = 20.0,
                                     .radiusDown = height,
                                     .colour = c.colour,
                                     .strength = 1.0,
                                     .core = 0.6});
        const RenderedPhoto after = renderPhoto(rows, "", covered);
        // The start pattern's middle: covered, its print gone; the stop
        // pattern's: as before.
        const auto pixelAt = [&](const ArgbImage& image, double across) {
            const double share = across / width;
            const Point top = {
                before.corners[0].x + share * (before.corners[1].x - before.corners[0].x),
                before.corners[0].y};
            const int row = static_cast<int>(top.y + height * plain.moduleSize / 2);
            return image.at(row, static_cast<int>(top.x));
        };
        // The start pattern's widest bar, in the middle row: glare of full
        // strength there is the light's colour alone; a thumb its own, a
        // little shaded, on every channel alike.
        for (double across = 0.5; across < 8; across += 1.0) {
            const std::uint32_t pixel = pixelAt(after.image, across) & 0xFFFFFFu;
            if (c.kind == Occluder::Kind::Glare) {
                EXPECT_EQ(pixel, c.colour) << across;
            } else {
                EXPECT_EQ(pixel, (pixel & 0xFF) * 0x010101u) << across;
                EXPECT_GE(pixel & 0xFF, 0x50u * 7 / 10) << across;
                EXPECT_LE(pixel & 0xFF, 0x50u) << across;
            }
        }
        for (double across = width - 17.5; across < width; across += 1.0) {
            EXPECT_EQ(pixelAt(after.image, across), pixelAt(before.image, across)) << across;
        }
    }
}

}  // namespace
}  // namespace tessoran_test
