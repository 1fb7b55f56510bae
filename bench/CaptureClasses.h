// SPDX-License-Identifier: Apache-2.0
#pragma once

// The capture benchmark's classes of pictures, each image drawn from a seed:
// a symbol made by zint from varied data, placed and spoiled the way the
// class says.

#include <cstdint>
#include <optional>
#include <string>

#include "support/PhotoRenderer.h"

namespace tessoran_bench {

enum class CaptureClass {
    LevelScan,
    Tilted,
    AnyAngle,
    Perspective,
    LowResolution,
    Rough,
    Inverted,
    // The harder classes (HarderClasses.h), after the first seven, whose
    // pictures stay as they were.
    Steep,
    Bent,
    Tall,
    OneSided,
    Tiny,
    MotionBlur,
};
inline constexpr int kCaptureClassCount = 13;

CaptureClass captureClassAt(int index);
// A short name for the command line and file names ("level", "tilted",
// "any-angle", ..., "motion-blur") and a longer one for tables.
const char* shortName(CaptureClass kind);
const char* tableName(CaptureClass kind);
std::optional<CaptureClass> captureClassNamed(const std::string& name);

struct CaptureImage {
    CaptureClass kind = CaptureClass::LevelScan;
    std::uint64_t seed = 0;
    tessoran_test::RenderedPhoto photo;
    int jpegQuality = 0;   // 0 for PNG
    std::string describe;  // the settings in a few words, for the manifest

    const char* extension() const { return jpegQuality > 0 ? "jpg" : "png"; }
};

// The image of class `kind` for `seed`; the same seed gives the same image.
CaptureImage makeCaptureImage(CaptureClass kind, std::uint64_t seed);

// Writes the image as its class chose (PNG with alpha where the page is
// transparent, JPEG at its quality otherwise).
void writeCaptureImage(const CaptureImage& image, const std::string& path);

// What a successful run of the program prints on standard output.
std::string expectedOutput(const tessoran_test::RenderedPhoto& photo);

}  // namespace tessoran_bench
