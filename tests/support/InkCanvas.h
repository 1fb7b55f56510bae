// SPDX-License-Identifier: Apache-2.0
#pragma once

// How much of each pixel is covered by ink, before it is turned into
// colours: the stage where marks are drawn and blur is applied.

#include <cstdint>
#include <functional>
#include <vector>

#include "support/Homography.h"
#include "support/ImageWriters.h"

namespace tessoran_test {

struct InkCanvas {
    InkCanvas(int canvasWidth, int canvasHeight)
        : width(canvasWidth),
          height(canvasHeight),
          coverage(static_cast<std::size_t>(canvasWidth) * static_cast<std::size_t>(canvasHeight)) {
    }

    int width = 0;
    int height = 0;
    std::vector<float> coverage;  // row-major, 0 (paper) to 1 (ink)

    float& at(int row, int column) {
        return coverage[static_cast<std::size_t>(row) * width + column];
    }
};

// A straight pen stroke with round ends.
struct Stroke {
    Point from;
    Point to;
    double halfWidth = 0.5;
};

// The share of `supersampling` x `supersampling` samples spread evenly over
// the pixel at (`row`, `column`) that `inside` accepts.
float sampledCoverage(int row, int column, int supersampling,
                      const std::function<bool(Point)>& inside);

// Adds strokes, each pixel sampled `supersampling` x `supersampling` times;
// pixels whose centre `keepOut` accepts stay as they are.
void drawStrokes(InkCanvas& canvas, const std::vector<Stroke>& strokes, int supersampling,
                 const std::function<bool(Point)>& keepOut);

// Gaussian blur with the given sigma in pixels; edges repeat the border pixels.
void blur(InkCanvas& canvas, double sigma);

// Motion blur: each pixel the mean of the picture along a line `length`
// pixels long through it, in direction `angleDegrees` (clockwise from the
// x axis), as a camera moving during the exposure draws it. Edges repeat
// the border pixels.
void motionBlur(InkCanvas& canvas, double length, double angleDegrees);

// How coverage becomes colour.
struct Shading {
    std::uint32_t paperColour = 0xFFFFFF;  // RGB
    std::uint32_t inkColour = 0x000000;    // RGB
    // Light falls off linearly by up to `lightFalloff` of full, from
    // `lightStart` along `lightStep` (the falloff is complete after one step's
    // length).
    double lightFalloff = 0.0;
    Point lightStart{};
    Point lightStep{1.0, 0.0};
    double noiseLevels = 0.0;  // sigma of sensor noise in grey levels, per channel
    bool transparent = false;  // black ink on a transparent page
    // The paper's colour at each pixel (row, column) when it is not even: a
    // textured page or a label on another surface. Unset, paperColour.
    std::function<std::uint32_t(int, int)> paperAt = nullptr;
    std::uint64_t seed = 1;
};

ArgbImage shade(const InkCanvas& canvas, const Shading& shading);

}  // namespace tessoran_test
