// SPDX-License-Identifier: Apache-2.0
#include "bench/HarderClasses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

#include "bench/CaptureSettings.h"
#include "bench/Surroundings.h"
#include "support/Homography.h"

namespace tessoran_bench {

namespace {

using tessoran_test::PhotoSettings;
using tessoran_test::Point;
using tessoran_test::SeededRandom;

// Each corner of a steeply seen symbol moves by up to this share of its
// longer side, besides the keystone.
constexpr double kSteepCornerShare = 0.12;
// A steeply seen quadrilateral is redrawn until its angles lie within this
// far of a right angle and no side is shorter than half its own length.
constexpr double kWidestCornerTurn = 55.0;
constexpr int kSteepTries = 20;
constexpr double kMostModuleRatio = 2.0;

// Keystone of a strength between `weakest` and `strongest`, from any
// direction. (The draws are named one by one: the order in which a call's
// arguments are worked out differs between compilers.)
std::array<Point, 4> drawnKeystone(SeededRandom& random, double weakest, double strongest) {
    const double strength = random.uniform(weakest, strongest);
    const double direction = random.uniform(0.0, 2 * std::numbers::pi);
    return keystone(random, strength, direction);
}

// Print of a decent contrast on light paper.
void lightPrint(PhotoSettings& settings, SeededRandom& random) {
    const double paper = random.uniform(200, 248);
    const double contrast = random.uniform(0.7, 0.95);
    choosePrint(settings, random, paper, contrast, false);
}

double symbolWidth(const std::vector<std::string>& rows) {
    return static_cast<double>(rows.front().size());
}

double symbolHeight(const std::vector<std::string>& rows, const PhotoSettings& settings) {
    return static_cast<double>(rows.size()) * settings.rowHeight;
}

// How many times wider a module is at the symbol's one end than at the
// other, where the quadrilateral `corners` shows it.
double moduleRatio(const std::array<Point, 4>& corners, double width, double height) {
    const tessoran_test::Homography map =
        tessoran_test::Homography::rectangleToQuad(width, height, corners);
    const auto moduleAt = [&](double x) {
        const Point a = map.map({x, height / 2});
        const Point b = map.map({x + 1, height / 2});
        return std::hypot(b.x - a.x, b.y - a.y);
    };
    const double left = moduleAt(0);
    const double right = moduleAt(width - 1);
    return std::max(left, right) / std::min(left, right);
}

// Whether the symbol's corners moved by `moved` (as PhotoSettings::keystone)
// still form a convex quadrilateral with no corner sharper than the limit,
// no side shorter than half its own length, and modules at one end at most
// twice as wide as at the other, as a phone held well off the paper's normal
// shows them.
bool reasonableQuad(const std::array<Point, 4>& moved, double width, double height) {
    const Point unit[4] = {{-0.5, -0.5}, {0.5, -0.5}, {0.5, 0.5}, {-0.5, 0.5}};
    std::array<Point, 4> corners;
    for (std::size_t c = 0; c < 4; ++c) {
        corners[c] = {(unit[c].x + moved[c].x) * width, (unit[c].y + moved[c].y) * height};
    }
    for (std::size_t c = 0; c < 4; ++c) {
        const Point& here = corners[c];
        const Point& next = corners[(c + 1) % 4];
        const Point& previous = corners[(c + 3) % 4];
        const Point out{next.x - here.x, next.y - here.y};
        const Point back{previous.x - here.x, previous.y - here.y};
        const double original = c % 2 == 0 ? width : height;
        // Clockwise in the image (y down): out x back is negative.
        const double cross = out.x * back.y - out.y * back.x;
        const double angle =
            std::atan2(std::abs(cross), out.x * back.x + out.y * back.y) * 180 / std::numbers::pi;
        if (cross <= 0.0 || std::abs(angle - 90.0) > kWidestCornerTurn ||
            std::hypot(out.x, out.y) < 0.5 * original) {
            return false;
        }
    }
    return moduleRatio(corners, width, height) <= kMostModuleRatio;
}

std::array<Point, 4> steepCorners(SeededRandom& random, double width, double height) {
    const double longer = std::max(width, height);
    for (int attempt = 0; attempt < kSteepTries; ++attempt) {
        std::array<Point, 4> moved = drawnKeystone(random, 0.15, 0.30);
        for (Point& corner : moved) {
            corner.x += random.uniform(-1.0, 1.0) * kSteepCornerShare * longer / width;
            corner.y += random.uniform(-1.0, 1.0) * kSteepCornerShare * longer / height;
        }
        if (reasonableQuad(moved, width, height)) {
            return moved;
        }
    }
    return drawnKeystone(random, 0.15, 0.30);
}

ChosenSymbol composeSteep(PhotoSettings& settings, SeededRandom& random, int& jpegQuality) {
    ChosenSymbol symbol = chooseSymbol(random, 5, 300);
    mildEffects(settings, random, jpegQuality);
    settings.angleDegrees = random.uniform(0.0, 360.0);
    settings.mirrored = random.chance(0.3);
    settings.keystone = steepCorners(random, symbolWidth(symbol.moduleRows),
                                     symbolHeight(symbol.moduleRows, settings));
    frameExtent(settings, symbol.moduleRows, random, 1.05, 1.6);
    addSurroundings(settings, symbol.moduleRows, random);
    return symbol;
}

// How far out, in half-diagonals, the farthest corner of the symbol's box
// lies from the image's centre.
double farthestReach(const PhotoSettings& settings, const std::vector<std::string>& rows) {
    const auto [low, high] = tessoran_test::symbolExtent(rows, settings);
    const Point centre{settings.centre.x * settings.imageWidth,
                       settings.centre.y * settings.imageHeight};
    double farthest = 0.0;
    for (const double x : {low.x, high.x}) {
        for (const double y : {low.y, high.y}) {
            farthest = std::max(farthest, std::hypot(centre.x + x - settings.imageWidth / 2.0,
                                                     centre.y + y - settings.imageHeight / 2.0));
        }
    }
    return farthest / (std::hypot(settings.imageWidth, settings.imageHeight) / 2.0);
}

ChosenSymbol composeBent(PhotoSettings& settings, SeededRandom& random, int& jpegQuality) {
    // Often a large symbol of many columns: the lens and the bottle show most
    // over a wide one.
    ChosenSymbol symbol =
        random.chance(0.6) ? chooseSymbol(random, 40, 900, 2, 24) : chooseSymbol(random, 5, 300);
    mildEffects(settings, random, jpegQuality);
    const int kind = random.uniformInt(0, 2);  // lens, bottle, both
    const bool lens = kind != 1;
    if (kind != 0) {
        settings.wrapDegrees = random.uniform(50.0, 120.0);
        const double sign = random.chance(0.5) ? 1.0 : -1.0;
        settings.bend = sign * random.uniform(0.3, 1.2) * settings.rowHeight;
    }
    const double tilt = random.uniform(-12.0, 12.0);
    settings.angleDegrees = tilt + (random.chance(0.25) ? 180.0 : 0.0);
    // Close up through a wide-angle lens, the symbol fills most of the picture.
    frameExtent(settings, symbol.moduleRows, random, lens ? 1.03 : 1.05, lens ? 1.3 : 1.6);
    if (lens) {
        // The symbol's farthest corner drawn in by 1% to 3% of the half-diagonal.
        const double reach = std::max(0.3, farthestReach(settings, symbol.moduleRows));
        settings.barrel = random.uniform(0.01, 0.03) / (reach * reach * reach);
    }
    addSurroundings(settings, symbol.moduleRows, random);
    return symbol;
}

ChosenSymbol composeTall(PhotoSettings& settings, SeededRandom& random, int& jpegQuality) {
    ChosenSymbol symbol = chooseTallSymbol(random);
    mildEffects(settings, random, jpegQuality);
    settings.angleDegrees = random.uniform(-8.0, 8.0);
    settings.keystone = drawnKeystone(random, 0.0, 0.1);
    frameExtent(settings, symbol.moduleRows, random, 1.05, 1.6);
    addSurroundings(settings, symbol.moduleRows, random);
    return symbol;
}

// Sharp black on white as an encoder writes it, nothing spoiled.
void cleanPrint(PhotoSettings& settings) {
    settings.blurModules = 0.0;
    settings.noiseLevels = 0.0;
    settings.paperColour = 0xFFFFFF;
    settings.inkColour = 0x000000;
}

ChosenSymbol composeTiny(PhotoSettings& settings, SeededRandom& random, int& jpegQuality) {
    ChosenSymbol symbol = chooseSymbol(random, 5, 300);
    switch (random.uniformInt(0, 2)) {
        case 0:
            // A level PNG of one pixel per module, every edge on a pixel edge.
            cleanPrint(settings);
            settings.moduleSize = 1.0;
            settings.quietZone = random.uniformInt(1, 4);
            break;
        case 1:
            // A photo of 1.3 to 1.5 pixels per module, slightly turned: the
            // pixel grid beats against the modules.
            settings.moduleSize = random.uniform(1.3, 1.5);
            settings.angleDegrees = random.uniform(-3.0, 3.0);
            settings.noiseLevels = random.uniform(1.0, 3.0);
            lightPrint(settings, random);
            jpegQuality = random.uniformInt(80, 95);
            frameExtent(settings, symbol.moduleRows, random, 1.05, 1.4);
            break;
        default:
            // An encoder's picture with no quiet zone, its edge the symbol's,
            // turned a quarter or half or mirrored.
            cleanPrint(settings);
            settings.moduleSize = random.uniformInt(1, 3);
            settings.quietZone = 0;
            if (random.chance(0.4)) {
                settings.mirrored = true;
                settings.angleDegrees = random.chance(0.5) ? 0.0 : 180.0;
            } else {
                settings.angleDegrees = 90.0 * random.uniformInt(1, 3);
            }
            break;
    }
    return symbol;
}

ChosenSymbol composeMotionBlur(PhotoSettings& settings, SeededRandom& random, int& jpegQuality) {
    ChosenSymbol symbol = chooseSymbol(random, 5, 300);
    settings.angleDegrees = random.uniform(-20.0, 20.0);
    if (random.chance(0.5)) {
        settings.blurModules = random.uniform(0.05, 0.15);
        settings.motionBlurModules = random.uniform(0.5, 1.0);
        settings.motionBlurDegrees = random.uniform(0.0, 180.0);
    } else {
        settings.blurModules = random.uniform(0.6, 0.8);
    }
    settings.noiseLevels = random.uniform(1.0, 4.0);
    lightPrint(settings, random);
    jpegQuality = random.chance(0.4) ? random.uniformInt(75, 95) : 0;
    frameExtent(settings, symbol.moduleRows, random, 1.05, 1.8);
    addSurroundings(settings, symbol.moduleRows, random);
    return symbol;
}

}  // namespace

bool isHarderClass(CaptureClass kind) {
    return static_cast<int>(kind) >= static_cast<int>(CaptureClass::Steep);
}

ChosenSymbol composeHarderClass(CaptureClass kind, PhotoSettings& settings, SeededRandom& random,
                                int& jpegQuality) {
    switch (kind) {
        case CaptureClass::Steep:
            return composeSteep(settings, random, jpegQuality);
        case CaptureClass::Bent:
            return composeBent(settings, random, jpegQuality);
        case CaptureClass::Tall:
            return composeTall(settings, random, jpegQuality);
        case CaptureClass::OneSided:
            return composeOneSided(settings, random, jpegQuality);
        case CaptureClass::Tiny:
            return composeTiny(settings, random, jpegQuality);
        case CaptureClass::MotionBlur:
            return composeMotionBlur(settings, random, jpegQuality);
        default:
            break;
    }
    throw std::invalid_argument(std::string("not a harder class: ") + shortName(kind));
}

}  // namespace tessoran_bench
