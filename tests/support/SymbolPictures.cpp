// SPDX-License-Identifier: Apache-2.0
#include "support/SymbolPictures.h"

#include <utility>

#include "support/Zint.h"

namespace tessoran_test {

namespace {

// Where the point (u, v) of the upright symbol (w x h pixels) lands.
Point2 turned(Turn turn, double u, double v, double w, double h, const Placement& at) {
    switch (turn) {
        case Turn::Upright:
            return {at.left + u, at.top + v};
        case Turn::Quarter:  // clockwise
            return {at.left + h - v, at.top + u};
        case Turn::Half:
            return {at.left + w - u, at.top + h - v};
        case Turn::ThreeQuarters:
            return {at.left + v, at.top + w - u};
        case Turn::Mirrored:
            break;
    }
    return {at.left + w - u, at.top + v};
}

}  // namespace

Placed place(ArgbImage& picture, const Placement& at) {
    Placed placed{zintModuleRows(at.zintOptions, at.data), {}};
    const int rowHeight = 3 * at.module;
    const double w = static_cast<double>(placed.rows[0].size()) * at.module;
    const double h = static_cast<double>(placed.rows.size()) * rowHeight;
    for (int v = 0; v < static_cast<int>(h); ++v) {
        const std::string& row = placed.rows[static_cast<std::size_t>(v / rowHeight)];
        for (int u = 0; u < static_cast<int>(w); ++u) {
            if (row[static_cast<std::size_t>(u / at.module)] != '1') {
                continue;
            }
            const Point2 centre = turned(at.turn, u + 0.5, v + 0.5, w, h, at);
            picture.set(static_cast<int>(centre.y), static_cast<int>(centre.x), kOpaqueBlack);
        }
    }
    for (const auto& [u, v] : {std::pair{0.0, 0.0}, {w, 0.0}, {w, h}, {0.0, h}}) {
        placed.corners.push_back(turned(at.turn, u, v, w, h, at));
    }
    return placed;
}

std::string pictureOf(const TemporaryDirectory& directory, const std::string& name,
                      const std::vector<Placement>& placements, int width, int height) {
    ArgbImage picture = solidImage(width, height, kOpaqueWhite);
    for (const Placement& at : placements) {
        place(picture, at);
    }
    const std::string path = directory.path() + "/" + name;
    writePng(path, picture, PngLayout::Grey8);
    return path;
}

}  // namespace tessoran_test
