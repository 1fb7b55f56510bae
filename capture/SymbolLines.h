// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <vector>

#include "capture/CodewordReading.h"
#include "capture/Geometry.h"
#include "capture/GreyImage.h"
#include "capture/ProfileEdges.h"
#include "capture/SymbolMap.h"

namespace ostrel2::tessoran::capture {

// Working space for reading lines, kept from line to line.
struct LineScratch {
    std::vector<float> profile;
    std::vector<Edge> edges;
    EdgeFinder finder;
};

// The edges along the line y = `y` of symbol coordinates (x in modules, y in
// rows or any other unit) from x = `from` to x = `to`, sampled `perModule`
// times a module through `toImage`, with their positions in modules.
void edgesAlong(const GreyImage& image, const SymbolMap& toImage, double y, double from, double to,
                int perModule, LineScratch& scratch, std::vector<ModuleEdge>& out);

// How many samples a module: a little more than one a pixel, and at least
// three however small the module (edges are placed between samples, so a
// sample a pixel is all the picture holds), at most eight however large.
int samplesPerModule(double modulePixels);

}  // namespace ostrel2::tessoran::capture
