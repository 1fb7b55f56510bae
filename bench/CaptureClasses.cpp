// SPDX-License-Identifier: Apache-2.0
#include "bench/CaptureClasses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include "bench/SymbolData.h"
#include "support/SeededRandom.h"

namespace tessoran_bench {

namespace {

using tessoran_test::PhotoSettings;
using tessoran_test::Point;
using tessoran_test::SeededRandom;

constexpr double kMostPixels = 24e6;
// zlib's usual level, as most programs write PNG files.
constexpr int kPngCompression = 6;

struct ClassNames {
    CaptureClass kind;
    const char* shortName;
    const char* tableName;
};
constexpr ClassNames kNames[kCaptureClassCount] = {
    {CaptureClass::LevelScan, "level", "level scans"},
    {CaptureClass::Tilted, "tilted", "tilted <= 20 deg"},
    {CaptureClass::AnyAngle, "any-angle", "any angle"},
    {CaptureClass::Perspective, "perspective", "perspective"},
    {CaptureClass::LowResolution, "low-res", "low resolution"},
    {CaptureClass::Rough, "rough", "everything rough"},
    {CaptureClass::Inverted, "inverted", "light on dark"},
};

std::uint32_t grey(double level) {
    const auto value = static_cast<std::uint32_t>(std::clamp(std::lround(level), 0L, 255L));
    return value << 16 | value << 8 | value;
}

// Paper and ink of level `paper` and print contrast `contrast` (the share of
// the paper's light that the ink takes away), tinted when `tinted`.
void choosePrint(PhotoSettings& settings, SeededRandom& random, double paper, double contrast,
                 bool tinted) {
    const double ink = paper * (1.0 - contrast);
    settings.paperColour = grey(paper);
    settings.inkColour = grey(ink);
    if (tinted) {
        // Coloured paper (one channel weaker) and coloured ink (one stronger).
        const int paperShift = 8 * random.uniformInt(0, 2);
        const int inkShift = 8 * random.uniformInt(0, 2);
        const double paperTint = random.uniform(0.7, 0.95);
        settings.paperColour = (settings.paperColour & ~(0xFFu << paperShift)) |
                               (grey(paper * paperTint) & (0xFFu << paperShift));
        settings.inkColour =
            (settings.inkColour & ~(0xFFu << inkShift)) |
            (grey(std::min(paper * paperTint, ink + random.uniform(20, 80))) & (0xFFu << inkShift));
    }
}

int chooseRowHeight(SeededRandom& random) {
    return random.chance(0.6) ? 3 : std::array{2, 4, 5, 6}[random.uniformInt(0, 3)];
}

// Keystone of `strength` (the far side shorter by that share) seen from
// direction `angle`, with the corners a little uneven.
std::array<Point, 4> keystone(SeededRandom& random, double strength, double angle) {
    const double across = strength * std::cos(angle);
    const double down = strength * std::sin(angle);
    // Top-left, top-right, bottom-right, bottom-left.
    std::array<Point, 4> moved{};
    // A shorter top (down > 0) or bottom (down < 0) edge.
    const double top = std::max(down, 0.0) / 2;
    const double bottom = std::max(-down, 0.0) / 2;
    const double left = std::max(across, 0.0) / 2;
    const double right = std::max(-across, 0.0) / 2;
    moved[0] = {top, left};
    moved[1] = {-top, right};
    moved[2] = {-bottom, -right};
    moved[3] = {bottom, -left};
    for (Point& corner : moved) {
        corner.x += random.uniform(-0.02, 0.02);
        corner.y += random.uniform(-0.02, 0.02);
    }
    return moved;
}

// An image a little larger than the symbol (by `lowest` to `highest` times
// its extent), the symbol anywhere in it.
void frame(PhotoSettings& settings, const std::vector<std::string>& rows, SeededRandom& random,
           double lowest, double highest) {
    const double width =
        (static_cast<double>(rows.front().size()) + 2 * settings.quietZone) * settings.moduleSize;
    const double height = (static_cast<double>(rows.size() * settings.rowHeight) +
                           2 * settings.quietZone + std::abs(settings.bend)) *
                          settings.moduleSize;
    const double angle = settings.angleDegrees * std::numbers::pi / 180.0;
    const double spread =
        1.0 +
        1.5 * std::max({std::abs(settings.keystone[0].x), std::abs(settings.keystone[0].y),
                        std::abs(settings.keystone[2].x), std::abs(settings.keystone[2].y), 0.0});
    const double boxWidth =
        spread * (std::abs(std::cos(angle)) * width + std::abs(std::sin(angle)) * height);
    const double boxHeight =
        spread * (std::abs(std::sin(angle)) * width + std::abs(std::cos(angle)) * height);
    double scale = random.uniform(lowest, highest);
    scale = std::min(scale, std::sqrt(kMostPixels / (boxWidth * boxHeight)));
    constexpr int kSmallestWidth = 100;
    constexpr int kSmallestHeight = 50;
    settings.imageWidth =
        std::max(kSmallestWidth, static_cast<int>(std::ceil(boxWidth * scale)) + 8);
    settings.imageHeight =
        std::max(kSmallestHeight, static_cast<int>(std::ceil(boxHeight * scale)) + 8);
    const double freeX = 0.5 * (1.0 - boxWidth / settings.imageWidth);
    const double freeY = 0.5 * (1.0 - boxHeight / settings.imageHeight);
    settings.centre = {0.5 + random.uniform(-freeX, freeX), 0.5 + random.uniform(-freeY, freeY)};
}

// A phone photo: the symbol somewhere in a 12 or 24 megapixel picture, its
// diagonal at most half the picture's height.
void phoneFrame(PhotoSettings& settings, const std::vector<std::string>& rows,
                SeededRandom& random) {
    const bool largest = random.chance(0.5);
    settings.imageWidth = largest ? 6000 : 4000;
    settings.imageHeight = largest ? 4000 : 3000;
    const double diagonal =
        std::hypot(static_cast<double>(rows.front().size() + 2 * settings.quietZone),
                   static_cast<double>(rows.size() * settings.rowHeight + 2 * settings.quietZone));
    settings.moduleSize = std::min(random.uniform(4.0, 9.0), 0.5 * settings.imageHeight / diagonal);
    settings.centre = {random.uniform(0.35, 0.65), random.uniform(0.35, 0.65)};
}

// Light blur and noise, grey paper: a decent scanner or camera.
void mildEffects(PhotoSettings& settings, SeededRandom& random, CaptureImage& image) {
    settings.blurModules = random.uniform(0.05, 0.25);
    settings.noiseLevels = random.uniform(1.0, 5.0);
    choosePrint(settings, random, random.uniform(200, 248), random.uniform(0.7, 0.95), false);
    image.jpegQuality = random.chance(0.5) ? random.uniformInt(75, 95) : 0;
}

std::string describe(const PhotoSettings& s, int quality) {
    std::ostringstream text;
    text.precision(3);
    text << "module " << s.moduleSize << " px, row " << s.rowHeight << ", quiet " << s.quietZone
         << ", " << s.imageWidth << "x" << s.imageHeight << ", angle " << s.angleDegrees
         << (s.mirrored ? ", mirrored" : "") << ", keystone " << s.keystone[0].x << "/"
         << s.keystone[0].y << "/" << s.keystone[2].x << "/" << s.keystone[2].y << ", bend "
         << s.bend << ", blur " << s.blurModules << ", noise " << s.noiseLevels << ", light "
         << s.lightFalloff << ", paper " << std::hex << s.paperColour << ", ink " << s.inkColour
         << std::dec << ", clutter " << s.clutterMarks << ", cut " << s.rowsCut
         << (s.transparentBackground ? ", transparent" : "");
    if (quality > 0) {
        text << ", JPEG " << quality;
    }
    return text.str();
}

}  // namespace

CaptureClass captureClassAt(int index) {
    return kNames[index].kind;
}

const char* shortName(CaptureClass kind) {
    return kNames[static_cast<int>(kind)].shortName;
}

const char* tableName(CaptureClass kind) {
    return kNames[static_cast<int>(kind)].tableName;
}

std::optional<CaptureClass> captureClassNamed(const std::string& name) {
    for (const ClassNames& names : kNames) {
        if (name == names.shortName) {
            return names.kind;
        }
    }
    return std::nullopt;
}

CaptureImage makeCaptureImage(CaptureClass kind, std::uint64_t seed) {
    SeededRandom random(seed);
    CaptureImage image;
    image.kind = kind;
    image.seed = seed;
    PhotoSettings settings;
    settings.seed = random.next();
    settings.rowHeight = chooseRowHeight(random);
    settings.moduleSize = random.uniform(2.5, 6.0);
    settings.quietZone = random.uniformInt(2, 6);
    const bool phone = kind != CaptureClass::LevelScan && kind != CaptureClass::LowResolution &&
                       random.chance(0.05);
    int cutRows = 0;
    ChosenSymbol symbol;
    switch (kind) {
        case CaptureClass::LevelScan:
            // 200 to 600 dpi for modules of a quarter millimetre.
            settings.moduleSize = random.uniform(2.0, 6.0);
            settings.quietZone = random.uniformInt(2, 10);
            mildEffects(settings, random, image);
            settings.blurModules = random.uniform(0.05, 0.2);
            settings.clutterMarks = random.chance(0.3) ? random.uniformInt(1, 10) : 0;
            break;
        case CaptureClass::Tilted:
            settings.angleDegrees = random.uniform(-20.0, 20.0);
            mildEffects(settings, random, image);
            break;
        case CaptureClass::AnyAngle:
            settings.angleDegrees = random.uniform(0.0, 360.0);
            settings.mirrored = random.chance(0.5);
            mildEffects(settings, random, image);
            break;
        case CaptureClass::Perspective:
            settings.keystone = keystone(random, random.uniform(0.05, 0.15),
                                         random.uniform(0.0, 2 * std::numbers::pi));
            settings.angleDegrees = random.uniform(-10.0, 10.0);
            mildEffects(settings, random, image);
            break;
        case CaptureClass::LowResolution:
            settings.moduleSize = random.uniform(1.5, 2.2);
            settings.angleDegrees = random.chance(0.5) ? 0.0 : random.uniform(-3.0, 3.0);
            mildEffects(settings, random, image);
            break;
        case CaptureClass::Rough:
            settings.moduleSize = random.uniform(2.2, 5.0);
            settings.quietZone = 2;
            settings.angleDegrees = random.uniform(0.0, 360.0);
            settings.mirrored = random.chance(0.2);
            settings.keystone = keystone(random, random.uniform(0.0, 0.15),
                                         random.uniform(0.0, 2 * std::numbers::pi));
            settings.bend = random.uniform(-0.5, 0.5) * settings.rowHeight;
            settings.blurModules = random.uniform(0.2, 0.5);
            settings.clutterMarks = random.uniformInt(5, 40);
            settings.transparentBackground = random.chance(0.1);
            if (!settings.transparentBackground) {
                settings.noiseLevels = random.uniform(2.0, 8.0);
                settings.lightFalloff = random.uniform(0.0, 0.4);
                settings.lightDirectionDegrees = random.uniform(0.0, 360.0);
                choosePrint(settings, random, random.uniform(150, 245), random.uniform(0.3, 0.8),
                            random.chance(0.4));
                image.jpegQuality = random.uniformInt(30, 70);
            }
            if (random.chance(0.15)) {
                cutRows = random.uniformInt(1, 2) * (random.chance(0.5) ? 1 : -1);
            }
            break;
        case CaptureClass::Inverted:
            // A screen or a card: light print on a dark ground, at any angle.
            settings.angleDegrees = random.uniform(0.0, 360.0);
            settings.mirrored = random.chance(0.2);
            mildEffects(settings, random, image);
            settings.paperColour = grey(random.uniform(0, 70));
            settings.inkColour = grey(random.uniform(180, 250));
            break;
    }
    if (cutRows != 0) {
        // Two whole rows of 12 columns at the most, and some to spare for
        // what the roughness costs besides.
        symbol = chooseSymbol(random, 5, 300, levelForErasures(2 * 12 + 4));
        settings.rowsCut = cutRows;
    } else {
        symbol = chooseSymbol(random, 5, kind == CaptureClass::LowResolution ? 120 : 300);
    }
    if (phone) {
        phoneFrame(settings, symbol.moduleRows, random);
    } else {
        const bool small = kind == CaptureClass::LowResolution;
        frame(settings, symbol.moduleRows, random, small ? 1.02 : 1.05, small ? 1.3 : 1.8);
    }
    image.photo = tessoran_test::renderPhoto(symbol.moduleRows, symbol.data, settings);
    image.describe = describe(settings, image.jpegQuality);
    return image;
}

void writeCaptureImage(const CaptureImage& image, const std::string& path) {
    if (image.jpegQuality > 0) {
        tessoran_test::writeJpeg(path, image.photo.image, tessoran_test::JpegLayout::Colour,
                                 image.jpegQuality);
    } else {
        const bool transparent =
            std::any_of(image.photo.image.pixels.begin(), image.photo.image.pixels.end(),
                        [](std::uint32_t pixel) { return (pixel >> 24) != 0xFF; });
        tessoran_test::writePng(
            path, image.photo.image,
            transparent ? tessoran_test::PngLayout::Rgba8 : tessoran_test::PngLayout::Rgb8,
            kPngCompression);
    }
}

std::string expectedOutput(const tessoran_test::RenderedPhoto& photo) {
    return std::to_string(photo.rows) + " Rows, " + std::to_string(photo.columns) + " Cols, " +
           "Error correction " + std::to_string(photo.ecLevel) + ".\n" + photo.data;
}

}  // namespace tessoran_bench
