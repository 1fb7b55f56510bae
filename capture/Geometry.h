// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <span>
#include <vector>

namespace ostrel2::tessoran::capture {

struct Point {
    double x = 0;
    double y = 0;
};

inline Point operator+(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}
inline Point operator-(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}
inline Point operator*(double factor, Point a) {
    return {factor * a.x, factor * a.y};
}
inline double dot(Point a, Point b) {
    return a.x * b.x + a.y * b.y;
}
inline double cross(Point a, Point b) {
    return a.x * b.y - a.y * b.x;
}
inline double length(Point a) {
    return std::hypot(a.x, a.y);
}
inline bool isFinite(Point a) {
    return std::isfinite(a.x) && std::isfinite(a.y);
}

// A straight line through `origin` along the unit vector `direction`.
struct Line {
    Point origin;
    Point direction{1, 0};

    // The unit normal: the direction turned a quarter to the left.
    Point normal() const { return {-direction.y, direction.x}; }
    Point at(double t) const { return origin + t * direction; }
    // How far along the line the foot of `p` lies.
    double parameterOf(Point p) const { return dot(p - origin, direction); }
};

// The line that passes closest to `points` (least squares across the line);
// none for fewer than two distinct points.
std::optional<Line> fitLine(std::span<const Point> points);

// Solves the n x n system `matrix` x = `rhs` in place, leaving x in `rhs`
// (Gaussian elimination with partial pivoting); false when it is singular.
bool solveLinearSystem(std::vector<double>& matrix, std::vector<double>& rhs, std::size_t n);

// A plane projective map, x' = (a x + b y + c) / (g x + h y + 1) and
// y' = (d x + e y + f) / (g x + h y + 1): how a flat symbol seen at an angle
// appears in a picture.
class Homography {
  public:
    Point map(Point p) const;

    // The images of the points start + i * step, i = 0, 1, ..., worked out
    // step by step: each is two additions and a division.
    class MappedLine {
      public:
        Point at(double i) const {
            const double w = w0 + i * dw;
            return {(x0 + i * dx) / w, (y0 + i * dy) / w};
        }

      private:
        friend class Homography;
        double x0, dx, y0, dy, w0, dw;
    };
    MappedLine mapLine(Point start, Point step) const;
    // Whether the map is usable: finite, and not folding the plane.
    bool valid() const;

    struct Correspondence {
        Point from;
        Point to;
        double weight = 1;
    };
    // The map that takes each `from` closest to its `to` (algebraic least
    // squares on coordinates normalised for conditioning). None when the
    // points do not determine one: fewer than four, or too many in a line.
    static std::optional<Homography> fit(std::span<const Correspondence> correspondences);
    // The same for an affine map (parallel lines stay parallel): what points
    // that all lie near one side of a symbol can tell of the whole of it. None
    // for fewer than three points, or all of them in a line.
    static std::optional<Homography> fitAffine(std::span<const Correspondence> correspondences);

  private:
    static std::optional<Homography> fitLeastSquares(
        std::span<const Correspondence> correspondences, bool affine);

    std::array<double, 9> m{1, 0, 0, 0, 1, 0, 0, 0, 1};
};

// How far across `places` reach: the spread of their `from` x, 0 for none.
double reachAcross(std::span<const Homography::Correspondence> places);

}  // namespace ostrel2::tessoran::capture
