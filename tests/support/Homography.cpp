// SPDX-License-Identifier: Apache-2.0
#include "support/Homography.h"

namespace tessoran_test {

Homography Homography::rectangleToQuad(double width, double height,
                                       const std::array<Point, 4>& corners) {
    // The unit square's transform in closed form (Heckbert's "Fundamentals of
    // Texture Mapping"), then the rectangle scaled onto the unit square.
    const auto [x0, y0] = corners[0];
    const auto [x1, y1] = corners[1];
    const auto [x2, y2] = corners[2];
    const auto [x3, y3] = corners[3];
    const double sumX = x0 - x1 + x2 - x3;
    const double sumY = y0 - y1 + y2 - y3;
    double g = 0.0;
    double h = 0.0;
    if (sumX != 0.0 || sumY != 0.0) {
        const double dx1 = x1 - x2;
        const double dx2 = x3 - x2;
        const double dy1 = y1 - y2;
        const double dy2 = y3 - y2;
        const double denominator = dx1 * dy2 - dx2 * dy1;
        g = (sumX * dy2 - dx2 * sumY) / denominator;
        h = (dx1 * sumY - sumX * dy1) / denominator;
    }
    Homography result;
    result.matrix = {{{(x1 - x0 + g * x1) / width, (x3 - x0 + h * x3) / height, x0},
                      {(y1 - y0 + g * y1) / width, (y3 - y0 + h * y3) / height, y0},
                      {g / width, h / height, 1.0}}};
    return result;
}

Point Homography::map(Point point) const {
    const auto& m = matrix;
    const double w = m[2][0] * point.x + m[2][1] * point.y + m[2][2];
    return {(m[0][0] * point.x + m[0][1] * point.y + m[0][2]) / w,
            (m[1][0] * point.x + m[1][1] * point.y + m[1][2]) / w};
}

bool Homography::inFront(Point point) const {
    return matrix[2][0] * point.x + matrix[2][1] * point.y + matrix[2][2] > 0.0;
}

Homography Homography::inverse() const {
    const auto& m = matrix;
    Homography result;
    result.matrix = {{{m[1][1] * m[2][2] - m[1][2] * m[2][1], m[0][2] * m[2][1] - m[0][1] * m[2][2],
                       m[0][1] * m[1][2] - m[0][2] * m[1][1]},
                      {m[1][2] * m[2][0] - m[1][0] * m[2][2], m[0][0] * m[2][2] - m[0][2] * m[2][0],
                       m[0][2] * m[1][0] - m[0][0] * m[1][2]},
                      {m[1][0] * m[2][1] - m[1][1] * m[2][0], m[0][1] * m[2][0] - m[0][0] * m[2][1],
                       m[0][0] * m[1][1] - m[0][1] * m[1][0]}}};
    return result;
}

}  // namespace tessoran_test
