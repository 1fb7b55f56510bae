// SPDX-License-Identifier: Apache-2.0
#include "capture/Geometry.h"

#include <algorithm>
#include <utility>

namespace ostrel2::tessoran::capture {

std::optional<Line> fitLine(std::span<const Point> points) {
    if (points.size() < 2) {
        return std::nullopt;
    }
    Point mean;
    for (const Point& p : points) {
        mean = mean + p;
    }
    mean = (1.0 / static_cast<double>(points.size())) * mean;
    double xx = 0;
    double xy = 0;
    double yy = 0;
    for (const Point& p : points) {
        const Point d = p - mean;
        xx += d.x * d.x;
        xy += d.x * d.y;
        yy += d.y * d.y;
    }
    if (xx + yy <= 0) {
        return std::nullopt;
    }
    // The direction of greatest spread: the main axis of the scatter matrix.
    const double angle = 0.5 * std::atan2(2 * xy, xx - yy);
    return Line{mean, {std::cos(angle), std::sin(angle)}};
}

Point Homography::map(Point p) const {
    const double w = m[6] * p.x + m[7] * p.y + m[8];
    return {(m[0] * p.x + m[1] * p.y + m[2]) / w, (m[3] * p.x + m[4] * p.y + m[5]) / w};
}

Homography::MappedLine Homography::mapLine(Point start, Point step) const {
    MappedLine line;
    line.x0 = m[0] * start.x + m[1] * start.y + m[2];
    line.dx = m[0] * step.x + m[1] * step.y;
    line.y0 = m[3] * start.x + m[4] * start.y + m[5];
    line.dy = m[3] * step.x + m[4] * step.y;
    line.w0 = m[6] * start.x + m[7] * start.y + m[8];
    line.dw = m[6] * step.x + m[7] * step.y;
    return line;
}

bool Homography::valid() const {
    for (const double value : m) {
        if (!std::isfinite(value)) {
            return false;
        }
    }
    const double determinant = m[0] * (m[4] * m[8] - m[5] * m[7]) -
                               m[1] * (m[3] * m[8] - m[5] * m[6]) +
                               m[2] * (m[3] * m[7] - m[4] * m[6]);
    return std::isfinite(determinant) && std::abs(determinant) > 1e-12;
}

namespace {

// Moves points to their centroid and scales them to a mean distance of
// sqrt(2) from it; returns the map as (scale, shift x, shift y).
struct Normalisation {
    double scale = 1;
    Point shift;
    Point apply(Point p) const { return scale * (p - shift); }
};

template <class Get>
Normalisation normalisationOf(std::span<const Homography::Correspondence> pairs, Get get) {
    Point mean;
    for (const auto& pair : pairs) {
        mean = mean + get(pair);
    }
    mean = (1.0 / static_cast<double>(pairs.size())) * mean;
    double distance = 0;
    for (const auto& pair : pairs) {
        distance += length(get(pair) - mean);
    }
    distance /= static_cast<double>(pairs.size());
    return {distance > 0 ? std::sqrt(2.0) / distance : 1.0, mean};
}

}  // namespace

std::optional<Homography> Homography::fit(std::span<const Correspondence> correspondences) {
    return fitLeastSquares(correspondences, false);
}

std::optional<Homography> Homography::fitAffine(std::span<const Correspondence> correspondences) {
    return fitLeastSquares(correspondences, true);
}

std::optional<Homography> Homography::fitLeastSquares(
    std::span<const Correspondence> correspondences, bool affine) {
    // An affine map has six unknowns, three points' worth; a projective one
    // eight, four points' worth.
    const std::size_t unknowns = affine ? 6 : 8;
    if (correspondences.size() < unknowns / 2) {
        return std::nullopt;
    }
    const Normalisation from =
        normalisationOf(correspondences, [](const Correspondence& c) { return c.from; });
    const Normalisation to =
        normalisationOf(correspondences, [](const Correspondence& c) { return c.to; });

    // Normal equations of the linear least-squares problem in the unknowns
    // a .. h (a .. f for an affine map, g and h being 0), each correspondence
    // giving two equations.
    constexpr std::size_t kMostUnknowns = 8;
    std::vector<double> normal(unknowns * unknowns, 0.0);
    std::vector<double> rhs(unknowns, 0.0);
    const auto addEquation = [&](const std::array<double, kMostUnknowns>& row, double value,
                                 double weight) {
        for (std::size_t i = 0; i < unknowns; ++i) {
            for (std::size_t j = 0; j < unknowns; ++j) {
                normal[i * unknowns + j] += weight * row[i] * row[j];
            }
            rhs[i] += weight * row[i] * value;
        }
    };
    for (const Correspondence& c : correspondences) {
        const Point p = from.apply(c.from);
        const Point q = to.apply(c.to);
        addEquation({p.x, p.y, 1, 0, 0, 0, -p.x * q.x, -p.y * q.x}, q.x, c.weight);
        addEquation({0, 0, 0, p.x, p.y, 1, -p.x * q.y, -p.y * q.y}, q.y, c.weight);
    }
    if (!solveLinearSystem(normal, rhs, unknowns)) {
        return std::nullopt;
    }
    // Undo the normalisations: H = T_to^-1 * H_normalised * T_from.
    const double g = affine ? 0 : rhs[6];
    const double h8 = affine ? 0 : rhs[7];
    const std::array<double, 9> h{rhs[0], rhs[1], rhs[2], rhs[3], rhs[4], rhs[5], g, h8, 1};
    const std::array<double, 9> tFrom{from.scale, 0,          -from.scale * from.shift.x,
                                      0,          from.scale, -from.scale * from.shift.y,
                                      0,          0,          1};
    const std::array<double, 9> toInverse{1 / to.scale, 0, to.shift.x, 0, 1 / to.scale,
                                          to.shift.y,   0, 0,          1};
    const auto multiply = [](const std::array<double, 9>& a, const std::array<double, 9>& b) {
        std::array<double, 9> product{};
        for (int i = 0; i < 3; ++i) {
            for (int j = 0; j < 3; ++j) {
                for (int k = 0; k < 3; ++k) {
                    product[static_cast<std::size_t>(3 * i + j)] +=
                        a[static_cast<std::size_t>(3 * i + k)] *
                        b[static_cast<std::size_t>(3 * k + j)];
                }
            }
        }
        return product;
    };
    Homography result;
    result.m = multiply(toInverse, multiply(h, tFrom));
    if (!result.valid()) {
        return std::nullopt;
    }
    return result;
}

bool solveLinearSystem(std::vector<double>& matrix, std::vector<double>& rhs, std::size_t n) {
    for (std::size_t column = 0; column < n; ++column) {
        std::size_t pivot = column;
        for (std::size_t row = column + 1; row < n; ++row) {
            if (std::abs(matrix[row * n + column]) > std::abs(matrix[pivot * n + column])) {
                pivot = row;
            }
        }
        if (std::abs(matrix[pivot * n + column]) < 1e-12) {
            return false;
        }
        if (pivot != column) {
            for (std::size_t k = 0; k < n; ++k) {
                std::swap(matrix[pivot * n + k], matrix[column * n + k]);
            }
            std::swap(rhs[pivot], rhs[column]);
        }
        for (std::size_t row = column + 1; row < n; ++row) {
            const double factor = matrix[row * n + column] / matrix[column * n + column];
            for (std::size_t k = column; k < n; ++k) {
                matrix[row * n + k] -= factor * matrix[column * n + k];
            }
            rhs[row] -= factor * rhs[column];
        }
    }
    for (std::size_t row = n; row-- > 0;) {
        double sum = rhs[row];
        for (std::size_t k = row + 1; k < n; ++k) {
            sum -= matrix[row * n + k] * rhs[k];
        }
        rhs[row] = sum / matrix[row * n + row];
    }
    return true;
}

double reachAcross(std::span<const Homography::Correspondence> places) {
    if (places.empty()) {
        return 0;
    }
    const auto [least, most] =
        std::minmax_element(places.begin(), places.end(),
                            [](const auto& a, const auto& b) { return a.from.x < b.from.x; });
    return most->from.x - least->from.x;
}

}  // namespace ostrel2::tessoran::capture
