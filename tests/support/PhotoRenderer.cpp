// SPDX-License-Identifier: Apache-2.0
#include "support/PhotoRenderer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

#include "support/BarrelLens.h"
#include "support/Clutter.h"
#include "support/CylinderWrap.h"
#include "support/InkCanvas.h"
#include "support/SeededRandom.h"
#include "support/Zint.h"

namespace tessoran_test {

namespace {

// Rounding slack when a size computed in floating point should be whole.
constexpr double kSlack = 1e-6;
// Samples across and down each pixel that is not wholly in one region.
constexpr int kSupersampling = 4;

// Where the symbol's frame (modules across, modules down) lies in the image,
// both ways: wrapped round a cylinder, bowed, through the homography and
// then the lens.
class Placement {
  public:
    Placement(double symbolWidth, double bend, const Homography& toImage,
              const CylinderWrap& wrap = {}, const BarrelLens& lens = {})
        : width(symbolWidth),
          bow(bend),
          forward(toImage),
          backward(toImage.inverse()),
          cylinder(wrap),
          camera(lens) {}

    Point toImage(Point symbolPoint) const {
        const double seen = cylinder.wrap(symbolPoint.x);
        return camera.distort(forward.map({seen, symbolPoint.y + bendAt(seen)}));
    }
    Point toSymbol(Point imagePoint) const {
        const Point flat = backward.map(camera.undistort(imagePoint));
        if (!forward.inFront(flat)) {
            // Beyond the horizon of a strong keystone: no part of the page.
            return {std::numeric_limits<double>::quiet_NaN(),
                    std::numeric_limits<double>::quiet_NaN()};
        }
        return {cylinder.unwrap(flat.x), flat.y - bendAt(flat.x)};
    }

  private:
    // A parabola over the symbol's width, 0 at both ends and `bow` between.
    double bendAt(double u) const {
        const double across = 2.0 * std::clamp(u, 0.0, width) / width - 1.0;
        return bow * (1.0 - across * across);
    }

    double width;
    double bow;
    Homography forward;
    Homography backward;
    CylinderWrap cylinder;
    BarrelLens camera;
};

// The symbol's modules, with each maximal run of one colour in a row
// numbered: a pixel whose four corners fall into one run (or one region
// beside the symbol) lies wholly inside it, since each is convex.
class ModuleMap {
  public:
    ModuleMap(const std::vector<std::string>& moduleRows, int rowHeight)
        : rows(moduleRows), height(rowHeight) {
        width = static_cast<int>(rows.front().size());
        for (const std::string& row : rows) {
            std::vector<int> runs;
            int run = 0;
            for (std::size_t m = 0; m < row.size(); ++m) {
                run += m > 0 && row[m] != row[m - 1] ? 1 : 0;
                runs.push_back(run);
            }
            runIndices.push_back(std::move(runs));
        }
    }

    // A number for the convex region that holds `point`: one of four
    // half-planes and strips beside the symbol (negative) or a run.
    long region(Point point) const {
        if (!(point.x >= 0.0)) {  // NaN counts as outside
            return -1;
        }
        if (point.x >= width) {
            return -2;
        }
        if (!(point.y >= 0.0)) {
            return -3;
        }
        if (!(point.y < static_cast<double>(rows.size()) * height)) {
            return -4;
        }
        const auto row = static_cast<std::size_t>(point.y / height);
        return static_cast<long>(row) * (width + 1) +
               runIndices[row][static_cast<std::size_t>(point.x)];
    }

    bool dark(Point point) const {
        return region(point) >= 0 && rows[static_cast<std::size_t>(point.y / height)]
                                         [static_cast<std::size_t>(point.x)] == '1';
    }

  private:
    const std::vector<std::string>& rows;
    int height;
    int width = 0;
    std::vector<std::vector<int>> runIndices;
};

// At least 3 rows of 17 x columns + 69 modules each, of '0' and '1' alone.
void requireSymbolRows(const std::vector<std::string>& moduleRows) {
    const std::size_t width = moduleRows.empty() ? 0 : moduleRows.front().size();
    if (moduleRows.size() < 3 || width < 69 + 17 || (width - 69) % 17 != 0 ||
        std::any_of(moduleRows.begin(), moduleRows.end(), [&](const std::string& row) {
            return row.size() != width || row.find_first_not_of("01") != std::string::npos;
        })) {
        throw std::invalid_argument("module rows are not a PDF417 symbol");
    }
}

void requireSensible(const PhotoSettings& settings) {
    const bool sensible =
        settings.moduleSize > 0.0 && settings.rowHeight >= 1 && settings.quietZone >= 0 &&
        settings.imageWidth >= 0 && settings.imageHeight >= 0 && settings.blurModules >= 0.0 &&
        settings.noiseLevels >= 0.0 && settings.lightFalloff >= 0.0 &&
        settings.lightFalloff <= 1.0 && settings.clutterMarks >= 0 &&
        settings.motionBlurModules >= 0.0 && settings.barrel >= 0.0 && settings.labelMargin >= 0.0;
    if (!sensible) {
        throw std::invalid_argument("photo settings out of range");
    }
}

// The images of the symbol's corners (top-left, top-right, bottom-right,
// bottom-left) around `centre`: keystone, mirror and turn.
std::array<Point, 4> turnedCorners(double width, double height, const PhotoSettings& settings,
                                   Point centre) {
    const Point unit[4] = {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}};
    const double angle = settings.angleDegrees * std::numbers::pi / 180.0;
    const double cosine = std::cos(angle);
    const double sine = std::sin(angle);
    std::array<Point, 4> corners;
    for (std::size_t c = 0; c < 4; ++c) {
        const double x =
            (settings.mirrored ? -1 : 1) * (unit[c].x + settings.keystone[c].x) * width;
        const double y = (unit[c].y + settings.keystone[c].y) * height;
        corners[c] = {x * cosine - y * sine + centre.x, x * sine + y * cosine + centre.y};
    }
    return corners;
}

// Points along the border of the rectangle (left, top) - (right, bottom) of
// the symbol's frame.
std::vector<Point> borderPoints(double left, double top, double right, double bottom) {
    constexpr int kSteps = 32;
    std::vector<Point> points;
    for (int i = 0; i <= kSteps; ++i) {
        const double t = static_cast<double>(i) / kSteps;
        points.push_back({left + t * (right - left), top});
        points.push_back({left + t * (right - left), bottom});
        points.push_back({left, top + t * (bottom - top)});
        points.push_back({right, top + t * (bottom - top)});
    }
    return points;
}

// The smallest box, in the image, around `points` of the symbol's frame:
// its lowest and highest corners.
std::pair<Point, Point> imageBounds(const Placement& placement, const std::vector<Point>& points) {
    Point low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    Point high{-low.x, -low.y};
    for (const Point& point : points) {
        const Point image = placement.toImage(point);
        low = {std::min(low.x, image.x), std::min(low.y, image.y)};
        high = {std::max(high.x, image.x), std::max(high.y, image.y)};
    }
    return {low, high};
}

// How far to move the symbol so that the `kept` part of it lies in the
// image and touches the border that faces from `inner` to `outer`.
Point shiftToBorder(const Placement& placement, const std::vector<Point>& kept, Point outer,
                    Point inner, int imageWidth, int imageHeight) {
    const Point facing{outer.x - inner.x, outer.y - inner.y};
    const auto [low, high] = imageBounds(placement, kept);
    if (std::abs(facing.y) >= std::abs(facing.x)) {
        return {0.0, facing.y < 0 ? -low.y : imageHeight - high.y};
    }
    return {facing.x < 0 ? -low.x : imageWidth - high.x, 0.0};
}

// How far to move the symbol so that the image border facing the symbol's
// top (rowsCut > 0) or bottom crosses it `rowsCut` rows deep at most.
Point cutShift(const Placement& placement, double width, double height, double rowHeight,
               int rowsCut, int imageWidth, int imageHeight) {
    const bool top = rowsCut > 0;
    const double depth =
        top ? std::abs(rowsCut) * rowHeight : height - std::abs(rowsCut) * rowHeight;
    const double farEdge = top ? height : 0.0;
    // What must stay in the image: the symbol from the cut line on.
    const std::vector<Point> kept =
        borderPoints(0.0, std::min(depth, farEdge), width, std::max(depth, farEdge));
    return shiftToBorder(placement, kept, placement.toImage({width / 2, top ? 0.0 : height}),
                         placement.toImage({width / 2, top ? height : 0.0}), imageWidth,
                         imageHeight);
}

// The same for the start-pattern side (sideCut > 0) or the stop-pattern side,
// `sideCut` modules deep at most.
Point sideCutShift(const Placement& placement, double width, double height, double sideCut,
                   int imageWidth, int imageHeight) {
    const bool start = sideCut > 0;
    const double depth = std::abs(sideCut);
    const std::vector<Point> kept = start ? borderPoints(depth, 0.0, width, height)
                                          : borderPoints(0.0, 0.0, width - depth, height);
    return shiftToBorder(placement, kept, placement.toImage({start ? 0.0 : width, height / 2}),
                         placement.toImage({start ? width : 0.0, height / 2}), imageWidth,
                         imageHeight);
}

// Fills `canvas` with the symbol's ink: pixels wholly inside one region at
// once, the others sampled.
void drawSymbol(InkCanvas& canvas, const Placement& placement, const ModuleMap& modules) {
    const auto columns = static_cast<std::size_t>(canvas.width) + 1;
    std::vector<Point> upper(columns);
    std::vector<Point> lower(columns);
    for (std::size_t x = 0; x < columns; ++x) {
        upper[x] = placement.toSymbol({static_cast<double>(x), 0.0});
    }
    for (int row = 0; row < canvas.height; ++row) {
        for (std::size_t x = 0; x < columns; ++x) {
            lower[x] = placement.toSymbol({static_cast<double>(x), row + 1.0});
        }
        for (int column = 0; column < canvas.width; ++column) {
            const auto c = static_cast<std::size_t>(column);
            const long region = modules.region(upper[c]);
            if (region == modules.region(upper[c + 1]) && region == modules.region(lower[c]) &&
                region == modules.region(lower[c + 1])) {
                canvas.at(row, column) = modules.dark(upper[c]) ? 1.0f : 0.0f;
                continue;
            }
            canvas.at(row, column) = sampledCoverage(
                row, column, kSupersampling,
                [&](Point sample) { return modules.dark(placement.toSymbol(sample)); });
        }
        std::swap(upper, lower);
    }
}

// The symbol's centre at `offset` in the image, seen through `lens`.
Placement placeSymbol(double width, double height, const PhotoSettings& settings, Point offset,
                      const BarrelLens& lens = {}) {
    return Placement(
        width, settings.bend,
        Homography::rectangleToQuad(width, height,
                                    turnedCorners(width * settings.moduleSize,
                                                  height * settings.moduleSize, settings, offset)),
        settings.wrapDegrees > 0.0 ? CylinderWrap(width, settings.wrapDegrees) : CylinderWrap(),
        lens);
}

// The image's size and where the symbol's centre lies in it.
struct Framing {
    int imageWidth = 0;
    int imageHeight = 0;
    Point offset{};
};

void requireSensibleCuts(const PhotoSettings& settings, int rowCount, double width) {
    if (std::abs(settings.rowsCut) >= rowCount) {
        throw std::invalid_argument("cannot cut every row");
    }
    if (std::abs(settings.sideCut) >= width || (settings.sideCut != 0.0 && settings.rowsCut != 0)) {
        throw std::invalid_argument("cannot cut every column, nor rows and columns at once");
    }
    if (settings.barrel > 0.0 && (settings.imageWidth == 0 || settings.imageHeight == 0 ||
                                  settings.rowsCut != 0 || settings.sideCut != 0.0)) {
        // The lens is centred on the image, and a cut's shift is found
        // before it.
        throw std::invalid_argument("a lens needs the image size given and no cut");
    }
}

Framing frameSymbol(double width, double height, const PhotoSettings& settings, int rowCount) {
    requireSensibleCuts(settings, rowCount, width);
    const double quiet = settings.quietZone;
    Framing framing{
        settings.imageWidth,
        settings.imageHeight,
        {settings.centre.x * settings.imageWidth, settings.centre.y * settings.imageHeight}};
    if (framing.imageWidth == 0 || framing.imageHeight == 0) {
        // Just the symbol and its quiet zone.
        const auto [low, high] =
            imageBounds(placeSymbol(width, height, settings, {0.0, 0.0}),
                        borderPoints(-quiet, -quiet, width + quiet, height + quiet));
        framing.imageWidth = static_cast<int>(std::ceil(high.x - low.x - kSlack));
        framing.imageHeight = static_cast<int>(std::ceil(high.y - low.y - kSlack));
        framing.offset = {(framing.imageWidth - (high.x + low.x)) / 2,
                          (framing.imageHeight - (high.y + low.y)) / 2};
    }
    Point by{};
    if (settings.rowsCut != 0) {
        by =
            cutShift(placeSymbol(width, height, settings, framing.offset), width, height,
                     settings.rowHeight, settings.rowsCut, framing.imageWidth, framing.imageHeight);
    } else if (settings.sideCut != 0.0) {
        by = sideCutShift(placeSymbol(width, height, settings, framing.offset), width, height,
                          settings.sideCut, framing.imageWidth, framing.imageHeight);
    }
    if (settings.rowsCut != 0 || settings.sideCut != 0.0) {
        framing.offset = {framing.offset.x + by.x, framing.offset.y + by.y};
    }
    return framing;
}

BarrelLens lensFor(const PhotoSettings& settings, const Framing& framing) {
    if (settings.barrel <= 0.0) {
        return {};
    }
    return BarrelLens({framing.imageWidth / 2.0, framing.imageHeight / 2.0},
                      std::hypot(framing.imageWidth, framing.imageHeight) / 2.0, settings.barrel);
}

void drawClutter(InkCanvas& canvas, const Placement& placement, const PhotoSettings& settings,
                 double width, double height, SeededRandom& random) {
    const double quiet = settings.quietZone;
    const Point right = placement.toImage({width, 0.0});
    const Point left = placement.toImage({0.0, 0.0});
    const double rowAngle = std::atan2(right.y - left.y, right.x - left.x);
    const auto insideQuietZone = [&](Point point) {
        const Point symbolPoint = placement.toSymbol(point);
        return symbolPoint.x > -quiet && symbolPoint.x < width + quiet && symbolPoint.y > -quiet &&
               symbolPoint.y < height + quiet;
    };
    drawStrokes(canvas,
                scatteredMarks(settings.clutterMarks, canvas.width, canvas.height, rowAngle,
                               settings.moduleSize * settings.rowHeight * 2.0, random),
                kSupersampling, insideQuietZone);
}

Shading shadingFor(const PhotoSettings& settings, const std::array<Point, 4>& corners,
                   std::uint64_t seed) {
    Shading shading{.paperColour = settings.paperColour,
                    .inkColour = settings.inkColour,
                    .noiseLevels = settings.noiseLevels,
                    .transparent = settings.transparentBackground,
                    .seed = seed};
    if (settings.lightFalloff > 0.0) {
        // From the symbol's brightest corner to its darkest, along the light's
        // direction.
        const double angle = settings.lightDirectionDegrees * std::numbers::pi / 180.0;
        const Point direction{std::cos(angle), std::sin(angle)};
        double low = std::numeric_limits<double>::infinity();
        double high = -low;
        for (const Point& image : corners) {
            const double along = image.x * direction.x + image.y * direction.y;
            low = std::min(low, along);
            high = std::max(high, along);
        }
        const double span = std::max(high - low, 1.0);
        shading.lightFalloff = settings.lightFalloff;
        shading.lightStart = {direction.x * low, direction.y * low};
        shading.lightStep = {direction.x * span, direction.y * span};
    }
    return shading;
}

}  // namespace

RenderedPhoto renderPhoto(const std::vector<std::string>& moduleRows, const std::string& data,
                          const PhotoSettings& settings) {
    requireSymbolRows(moduleRows);
    requireSensible(settings);
    const SymbolFormat format = moduleRowsFormat(moduleRows);
    const double width = static_cast<double>(moduleRows.front().size());
    const double height = static_cast<double>(moduleRows.size()) * settings.rowHeight;
    const Framing framing =
        frameSymbol(width, height, settings, static_cast<int>(moduleRows.size()));
    const Placement placement =
        placeSymbol(width, height, settings, framing.offset, lensFor(settings, framing));

    InkCanvas canvas(framing.imageWidth, framing.imageHeight);
    drawSymbol(canvas, placement, ModuleMap(moduleRows, settings.rowHeight));
    SeededRandom random(settings.seed);
    if (settings.clutterMarks > 0) {
        drawClutter(canvas, placement, settings, width, height, random);
    }
    blur(canvas, settings.blurModules * settings.moduleSize);
    motionBlur(canvas, settings.motionBlurModules * settings.moduleSize,
               settings.motionBlurDegrees);

    std::array<Point, 4> corners;
    for (std::size_t c = 0; c < 4; ++c) {
        corners[c] = placement.toImage({c == 1 || c == 2 ? width : 0.0, c >= 2 ? height : 0.0});
    }
    Shading shading = shadingFor(settings, corners, random.next());
    const SurfaceTexture texture(settings.surface, settings.paperColour, shading.seed);
    if (settings.surface != Surface::Plain) {
        const double label = settings.quietZone + settings.labelMargin;
        shading.paperAt = [&](int row, int column) {
            const Point point{column + 0.5, row + 0.5};
            const Point symbolPoint = placement.toSymbol(point);
            const bool onLabel = symbolPoint.x > -label && symbolPoint.x < width + label &&
                                 symbolPoint.y > -label && symbolPoint.y < height + label;
            return texture.colourAt(point, onLabel);
        };
    }
    ArgbImage image = shade(canvas, shading);
    if (!settings.occluders.empty()) {
        SeededRandom occluderRandom(random.next());
        drawOccluders(
            image, settings.occluders, [&](Point point) { return placement.toSymbol(point); },
            [&](Point point) { return placement.toImage(point); }, settings.noiseLevels,
            occluderRandom);
    }
    return {std::move(image), format.rows, format.columns, format.ecLevel, data, corners};
}

std::pair<Point, Point> symbolExtent(const std::vector<std::string>& moduleRows,
                                     const PhotoSettings& settings) {
    requireSymbolRows(moduleRows);
    requireSensible(settings);
    const double width = static_cast<double>(moduleRows.front().size());
    const double height = static_cast<double>(moduleRows.size()) * settings.rowHeight;
    const double quiet = settings.quietZone;
    return imageBounds(placeSymbol(width, height, settings, {0.0, 0.0}),
                       borderPoints(-quiet, -quiet, width + quiet, height + quiet));
}

ArgbImage renderTextPage(int width, int height, std::uint64_t seed) {
    SeededRandom random(seed);
    InkCanvas canvas(width, height);
    const double letterHeight = std::max(6.0, height / random.uniform(60.0, 120.0));
    const double angle = random.uniform(-0.05, 0.05);
    std::vector<Stroke> strokes;
    // Text in lines down the page, with margins, and a few rules and boxes.
    for (double y = 0.08 * height; y < 0.92 * height;
         y += letterHeight * random.uniform(1.6, 2.4)) {
        const std::vector<Stroke> line = textLine({0.08 * width, y}, angle, letterHeight,
                                                  random.uniform(0.4, 0.84) * width, random);
        strokes.insert(strokes.end(), line.begin(), line.end());
    }
    const std::vector<Stroke> marks =
        scatteredMarks(10, width, height, angle, letterHeight, random);
    strokes.insert(strokes.end(), marks.begin(), marks.end());
    drawStrokes(canvas, strokes, 2, [](Point) { return false; });
    blur(canvas, 0.6);
    return shade(canvas, {.paperColour = 0xE8E4DC,
                          .inkColour = 0x202020,
                          .lightFalloff = 0.35,
                          .lightStep = {0.5 * width, 0.5 * height},
                          .noiseLevels = 3.0,
                          .seed = random.next()});
}

}  // namespace tessoran_test
