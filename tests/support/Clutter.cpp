// SPDX-License-Identifier: Apache-2.0
#include "support/Clutter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tessoran_test {

namespace {

// A point `along` the line and `across` it (downwards on the page).
Point onLine(Point start, double angle, double along, double across) {
    return {start.x + along * std::cos(angle) - across * std::sin(angle),
            start.y + along * std::sin(angle) + across * std::cos(angle)};
}

}  // namespace

std::vector<Stroke> textLine(Point start, double angleRadians, double letterHeight, double length,
                             SeededRandom& random) {
    std::vector<Stroke> strokes;
    const double pen = std::max(0.6, 0.06 * letterHeight);
    const double letterWidth = 0.6 * letterHeight;
    double along = 0.0;
    while (along + letterWidth < length) {
        const int letters = random.uniformInt(1, 8);
        for (int l = 0; l < letters && along + letterWidth < length; ++l) {
            // A letter: two to four strokes between points of a 3 x 3 grid
            // over its box, some reaching above or below the line.
            const double top = random.chance(0.3) ? -0.3 * letterHeight : 0.0;
            const double bottom = letterHeight + (random.chance(0.15) ? 0.3 * letterHeight : 0.0);
            const auto gridPoint = [&]() {
                const double x = along + 0.5 * letterWidth * random.uniformInt(0, 2);
                const double y = top + 0.5 * (bottom - top) * random.uniformInt(0, 2);
                return onLine(start, angleRadians, x, y);
            };
            const int penStrokes = random.uniformInt(2, 4);
            for (int s = 0; s < penStrokes; ++s) {
                strokes.push_back({gridPoint(), gridPoint(), pen});
            }
            along += letterWidth * 1.25;
        }
        along += letterWidth;  // between words
    }
    return strokes;
}

std::vector<Stroke> scatteredMarks(int marks, int width, int height, double angleRadians,
                                   double letterHeight, SeededRandom& random) {
    std::vector<Stroke> strokes;
    const double size = std::max(width, height);
    for (int m = 0; m < marks; ++m) {
        const Point start{random.uniform(-0.2 * width, width), random.uniform(0.0, height)};
        const double kind = random.uniform(0.0, 1.0);
        if (kind < 0.6) {
            const std::vector<Stroke> line =
                textLine(start, angleRadians, letterHeight * random.uniform(0.7, 1.5),
                         random.uniform(0.1, 0.6) * size, random);
            strokes.insert(strokes.end(), line.begin(), line.end());
        } else if (kind < 0.8) {
            const double angle = random.chance(0.5) ? angleRadians + random.uniform(-0.05, 0.05)
                                                    : random.uniform(0.0, 2.0 * std::numbers::pi);
            strokes.push_back({start, onLine(start, angle, random.uniform(0.1, 0.8) * size, 0.0),
                               random.uniform(0.5, 1.5)});
        } else {
            const double boxWidth = random.uniform(0.05, 0.4) * size;
            const double boxHeight = random.uniform(0.03, 0.3) * size;
            const double pen = random.uniform(0.5, 1.5);
            const Point corners[4] = {start, onLine(start, angleRadians, boxWidth, 0.0),
                                      onLine(start, angleRadians, boxWidth, boxHeight),
                                      onLine(start, angleRadians, 0.0, boxHeight)};
            for (int c = 0; c < 4; ++c) {
                strokes.push_back({corners[c], corners[(c + 1) % 4], pen});
            }
        }
    }
    return strokes;
}

}  // namespace tessoran_test
