// SPDX-License-Identifier: Apache-2.0
#include "bench/CaptureClasses.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <sstream>
#include <stdexcept>

#include "bench/CaptureSettings.h"
#include "bench/HarderClasses.h"
#include "bench/SymbolData.h"
#include "support/SeededRandom.h"

namespace tessoran_bench {

namespace {

using tessoran_test::PhotoSettings;
using tessoran_test::Point;
using tessoran_test::SeededRandom;

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
    {CaptureClass::Steep, "steep", "steep perspective"},
    {CaptureClass::Bent, "bent", "barrel and curved"},
    {CaptureClass::Tall, "tall", "tall symbols"},
    {CaptureClass::OneSided, "one-sided", "one guard cut off"},
    {CaptureClass::Tiny, "tiny", "one pixel per module"},
    {CaptureClass::MotionBlur, "motion-blur", "heavy blur"},
};

// What only the harder classes set, when they set it.
void describeHarder(std::ostream& text, const PhotoSettings& s) {
    if (s.sideCut != 0.0) {
        text << ", side cut " << s.sideCut;
    }
    if (s.wrapDegrees > 0.0) {
        text << ", wrapped " << s.wrapDegrees << " deg";
    }
    if (s.barrel > 0.0) {
        text << ", barrel " << s.barrel;
    }
    if (s.motionBlurModules > 0.0) {
        text << ", motion " << s.motionBlurModules << " at " << s.motionBlurDegrees << " deg";
    }
    constexpr const char* kSurfaces[] = {"plain", "paper", "wood", "fabric"};
    if (s.surface != tessoran_test::Surface::Plain) {
        text << ", " << kSurfaces[static_cast<int>(s.surface)] << " surface";
    }
    for (const tessoran_test::Occluder& occluder : s.occluders) {
        if (occluder.kind == tessoran_test::Occluder::Kind::Thumb) {
            text << ", thumb";
        } else {
            text << ", glare " << occluder.strength;
        }
        text << " at " << occluder.centre.x << "/" << occluder.centre.y;
    }
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
    describeHarder(text, s);
    if (quality > 0) {
        text << ", JPEG " << quality;
    }
    return text.str();
}

// Places and spoils a picture of one of the first seven classes; the rows
// to cut off (see PhotoSettings::rowsCut), or 0.
int spoilFirstClasses(CaptureClass kind, PhotoSettings& settings, SeededRandom& random,
                      int& jpegQuality) {
    int cutRows = 0;
    switch (kind) {
        case CaptureClass::LevelScan:
            // 200 to 600 dpi for modules of a quarter millimetre.
            settings.moduleSize = random.uniform(2.0, 6.0);
            settings.quietZone = random.uniformInt(2, 10);
            mildEffects(settings, random, jpegQuality);
            settings.blurModules = random.uniform(0.05, 0.2);
            settings.clutterMarks = random.chance(0.3) ? random.uniformInt(1, 10) : 0;
            break;
        case CaptureClass::Tilted:
            settings.angleDegrees = random.uniform(-20.0, 20.0);
            mildEffects(settings, random, jpegQuality);
            break;
        case CaptureClass::AnyAngle:
            settings.angleDegrees = random.uniform(0.0, 360.0);
            settings.mirrored = random.chance(0.5);
            mildEffects(settings, random, jpegQuality);
            break;
        case CaptureClass::Perspective:
            settings.keystone = keystone(random, random.uniform(0.05, 0.15),
                                         random.uniform(0.0, 2 * std::numbers::pi));
            settings.angleDegrees = random.uniform(-10.0, 10.0);
            mildEffects(settings, random, jpegQuality);
            break;
        case CaptureClass::LowResolution:
            settings.moduleSize = random.uniform(1.5, 2.2);
            settings.angleDegrees = random.chance(0.5) ? 0.0 : random.uniform(-3.0, 3.0);
            mildEffects(settings, random, jpegQuality);
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
                jpegQuality = random.uniformInt(30, 70);
            }
            if (random.chance(0.15)) {
                cutRows = random.uniformInt(1, 2) * (random.chance(0.5) ? 1 : -1);
            }
            break;
        case CaptureClass::Inverted:
            // A screen or a card: light print on a dark ground, at any angle.
            settings.angleDegrees = random.uniform(0.0, 360.0);
            settings.mirrored = random.chance(0.2);
            mildEffects(settings, random, jpegQuality);
            settings.paperColour = grey(random.uniform(0, 70));
            settings.inkColour = grey(random.uniform(180, 250));
            break;
        default:
            break;  // the harder classes, drawn above
    }
    return cutRows;
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
    if (isHarderClass(kind)) {
        const ChosenSymbol drawn = composeHarderClass(kind, settings, random, image.jpegQuality);
        image.photo = tessoran_test::renderPhoto(drawn.moduleRows, drawn.data, settings);
        // The size the picture came out at, where the class left it to the
        // symbol and its quiet zone.
        settings.imageWidth = image.photo.image.width;
        settings.imageHeight = image.photo.image.height;
        image.describe = describe(settings, image.jpegQuality);
        return image;
    }
    const int cutRows = spoilFirstClasses(kind, settings, random, image.jpegQuality);
    ChosenSymbol symbol;
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
