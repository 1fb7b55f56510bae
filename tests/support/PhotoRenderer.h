// SPDX-License-Identifier: Apache-2.0
#pragma once

// Draws PDF417 module rows the way a camera or a scanner sees a printed
// symbol: placed on a page through a perspective transform, with paper bend
// or a bottle's curve, a wide-angle lens, anti-aliased edges, blur and motion
// blur, noise, uneven light, grey or coloured print on plain or textured
// paper, marks around it, and a thumb or glare over it. Every random choice
// comes from the settings' seed, so a seed gives the same image on every
// platform.

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/Homography.h"
#include "support/ImageWriters.h"
#include "support/Occluders.h"
#include "support/SurfaceTexture.h"

namespace tessoran_test {

struct PhotoSettings {
    // Geometry. The symbol's own frame counts modules: across from the start
    // pattern's left edge, down from the top row's top edge.
    double moduleSize = 4.0;    // pixels per module before keystone
    int rowHeight = 3;          // modules per symbol row
    int quietZone = 2;          // light modules around the symbol
    double angleDegrees = 0.0;  // turned clockwise on the image
    bool mirrored = false;      // seen from behind, as through the paper
    // The symbol's corners (top-left, top-right, bottom-right, bottom-left)
    // moved by these fractions of its width (x) and height (y), in its own
    // frame: keystone.
    std::array<Point, 4> keystone{};
    // How far the middle of every row bows down (up when negative), in
    // modules; the ends stay: paper that is not quite flat.
    double bend = 0.0;
    // The image size; 0 makes the image just hold the symbol and its quiet zone.
    int imageWidth = 0;
    int imageHeight = 0;
    // Where the symbol's centre lies, as fractions of the image size.
    Point centre{0.5, 0.5};
    // Rows missing from the symbol's top (positive) or bottom (negative): the
    // image border crosses the symbol so that no point more than this many
    // rows deep lies outside the image.
    int rowsCut = 0;
    // Modules missing from the symbol's start-pattern side (positive) or
    // stop-pattern side (negative): the image border facing that side crosses
    // the symbol so that the part this many modules in from it and beyond
    // lies in the image. Not with rowsCut.
    double sideCut = 0.0;
    // The symbol's width wrapped around this arc of a cylinder, as a label
    // on a bottle (see CylinderWrap); 0 for a flat page.
    double wrapDegrees = 0.0;
    // A wide-angle lens about the image's centre (BarrelLens's strength, for
    // a reach of half the image's diagonal); 0 for none. Needs the image
    // size given, and no cut.
    double barrel = 0.0;

    // Drawing.
    double blurModules = 0.0;  // Gaussian blur, sigma in modules
    // A camera moving while it takes the picture: the length of the smear in
    // modules, and its direction in the image (clockwise from the x axis).
    double motionBlurModules = 0.0;
    double motionBlurDegrees = 0.0;
    double noiseLevels = 0.0;   // sensor noise, sigma in grey levels
    double lightFalloff = 0.0;  // light lost across the symbol, 0 to 1
    double lightDirectionDegrees = 0.0;
    std::uint32_t paperColour = 0xFFFFFF;  // RGB
    std::uint32_t inkColour = 0x000000;    // RGB
    int clutterMarks = 0;                  // text lines, rules and boxes around the symbol
    // Black print on a transparent page, as web generators write symbols:
    // every pixel black, the ink's coverage in its alpha; no light or noise.
    bool transparentBackground = false;
    // The page's texture, and where the label ends when the surface around
    // it shows: this many modules beyond the quiet zone.
    Surface surface = Surface::Plain;
    double labelMargin = 3.0;
    // Thumbs and glare over the finished picture.
    std::vector<Occluder> occluders{};
    std::uint64_t seed = 1;  // noise and clutter
};

// A drawn symbol and what a reader of the image should report.
struct RenderedPhoto {
    ArgbImage image;
    int rows = 0;
    int columns = 0;  // data columns
    int ecLevel = 0;
    std::string data;  // the decoded bytes, as the caller gave them
    // The symbol's top-left, top-right, bottom-right and bottom-left corners
    // in image pixels, without the quiet zone.
    std::array<Point, 4> corners{};
};

// Module rows ('1' dark, '0' light) from start pattern to stop pattern, as
// zintModuleRows gives them, and the data the symbol holds. Throws
// std::invalid_argument when the rows are not a PDF417 symbol or a setting is
// out of range.
RenderedPhoto renderPhoto(const std::vector<std::string>& moduleRows, const std::string& data,
                          const PhotoSettings& settings);

// The box around the symbol and its quiet zone as `settings` place it, the
// symbol's centre at (0, 0): its lowest and highest corners in pixels. The
// image size, the centre, cuts and the lens play no part.
std::pair<Point, Point> symbolExtent(const std::vector<std::string>& moduleRows,
                                     const PhotoSettings& settings);

// A page with no symbol: lines of text-like marks on paper lit unevenly, with
// noise; `width` x `height` pixels.
ArgbImage renderTextPage(int width, int height, std::uint64_t seed);

}  // namespace tessoran_test
