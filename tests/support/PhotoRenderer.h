// SPDX-License-Identifier: Apache-2.0
#pragma once

// Draws PDF417 module rows the way a camera or a scanner sees a printed
// symbol: placed on a page through a perspective transform, with paper bend,
// anti-aliased edges, blur, noise, uneven light, grey or coloured print and
// marks around it. Every random choice comes from the settings' seed, so a
// seed gives the same image on every platform.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "support/Homography.h"
#include "support/ImageWriters.h"

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

    // Drawing.
    double blurModules = 0.0;   // Gaussian blur, sigma in modules
    double noiseLevels = 0.0;   // sensor noise, sigma in grey levels
    double lightFalloff = 0.0;  // light lost across the symbol, 0 to 1
    double lightDirectionDegrees = 0.0;
    std::uint32_t paperColour = 0xFFFFFF;  // RGB
    std::uint32_t inkColour = 0x000000;    // RGB
    int clutterMarks = 0;                  // text lines, rules and boxes around the symbol
    // Black print on a transparent page, as web generators write symbols:
    // every pixel black, the ink's coverage in its alpha; no light or noise.
    bool transparentBackground = false;
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

// A page with no symbol: lines of text-like marks on paper lit unevenly, with
// noise; `width` x `height` pixels.
ArgbImage renderTextPage(int width, int height, std::uint64_t seed);

}  // namespace tessoran_test
