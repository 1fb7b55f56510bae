#include "capture/GuardLines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <set>

namespace ostrel2::tessoran::capture {

namespace {

constexpr std::size_t kMaxTrials = 300;
// A hit lies on a line within this many modules (and at least this many
// pixels), ...
constexpr double kDistanceModules = 0.8;
constexpr double kMinDistancePixels = 1.5;
// ... faces its inside at least this closely (cosine) ...
constexpr double kMinFacing = 0.25;
// ... and has a module width within this factor of the line's.
constexpr double kModuleRatio = 1.6;

// A fixed sequence of pseudo-random numbers: the same picture always gives
// the same lines.
class Sequence {
  public:
    std::uint32_t next() {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    }

  private:
    std::uint32_t state = 12345u;
};

struct Candidate {
    Line line;
    Point inward;
    double module = 0;
};

// The module width of `hit` across a line with unit normal `normal`.
double moduleAcross(const GuardHit& hit, Point normal) {
    return hit.module * std::abs(dot(hit.along, normal));
}

std::vector<std::size_t> inliersOf(std::span<const GuardHit> hits,
                                   std::span<const std::size_t> pool, const Candidate& candidate) {
    std::vector<std::size_t> inliers;
    const Point normal = candidate.inward;
    const double tolerance = std::max(kMinDistancePixels, kDistanceModules * candidate.module);
    for (const std::size_t index : pool) {
        const GuardHit& hit = hits[index];
        if (std::abs(dot(hit.barStart() - candidate.line.origin, normal)) > tolerance) {
            continue;
        }
        if (dot(hit.inward(), normal) < kMinFacing) {
            continue;
        }
        const double module = moduleAcross(hit, normal);
        if (module > kModuleRatio * candidate.module || module * kModuleRatio < candidate.module) {
            continue;
        }
        inliers.push_back(index);
    }
    return inliers;
}

std::size_t distinctLines(std::span<const GuardHit> hits, std::span<const std::size_t> indices) {
    std::set<std::int32_t> lines;
    for (const std::size_t index : indices) {
        lines.insert(hits[index].line);
    }
    return lines.size();
}

// The line through where two hits' widest bars begin, facing the first's inside.
bool candidateThrough(const GuardHit& a, const GuardHit& b, Candidate& candidate) {
    const Point d = b.barStart() - a.barStart();
    const double span = length(d);
    if (span < 2.0) {
        return false;
    }
    Line line{a.barStart(), (1.0 / span) * d};
    Point inward = line.normal();
    if (dot(inward, a.inward()) < 0) {
        inward = -1.0 * inward;
    }
    if (dot(b.inward(), inward) < kMinFacing || dot(a.inward(), inward) < kMinFacing) {
        return false;
    }
    candidate = {line, inward, 0.5 * (moduleAcross(a, inward) + moduleAcross(b, inward))};
    return candidate.module > 0;
}

double medianOf(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// Refits the line to its inliers and takes the module width as their median.
Candidate refined(std::span<const GuardHit> hits, std::span<const std::size_t> inliers,
                  const Candidate& rough) {
    std::vector<Point> points;
    for (const std::size_t index : inliers) {
        points.push_back(hits[index].barStart());
    }
    Candidate better = rough;
    if (const std::optional<Line> line = fitLine(points)) {
        better.line = *line;
        better.inward = better.line.normal();
        if (dot(better.inward, rough.inward) < 0) {
            better.inward = -1.0 * better.inward;
        }
    }
    std::vector<double> modules;
    for (const std::size_t index : inliers) {
        modules.push_back(moduleAcross(hits[index], better.inward));
    }
    better.module = medianOf(modules);
    return better;
}

}  // namespace

std::vector<GuardLine> fitGuardLines(std::span<const GuardHit> hits, GuardKind kind,
                                     std::size_t maxLines) {
    std::vector<std::size_t> pool;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (hits[i].kind == kind) {
            pool.push_back(i);
        }
    }
    std::vector<GuardLine> lines;
    Sequence sequence;
    while (lines.size() < maxLines && pool.size() >= 2) {
        const std::size_t n = pool.size();
        const std::size_t pairs = n * (n - 1) / 2;
        const bool exhaustive = pairs <= kMaxTrials;
        std::vector<std::size_t> bestInliers;
        Candidate best;
        const auto tryPair = [&](std::size_t i, std::size_t j) {
            const GuardHit& a = hits[pool[i]];
            const GuardHit& b = hits[pool[j]];
            if (a.line == b.line) {
                return;
            }
            Candidate candidate;
            if (!candidateThrough(a, b, candidate)) {
                return;
            }
            std::vector<std::size_t> inliers = inliersOf(hits, pool, candidate);
            if (inliers.size() > bestInliers.size()) {
                bestInliers = std::move(inliers);
                best = candidate;
            }
        };
        if (exhaustive) {
            for (std::size_t i = 0; i < n; ++i) {
                for (std::size_t j = i + 1; j < n; ++j) {
                    tryPair(i, j);
                }
            }
        } else {
            for (std::size_t trial = 0; trial < kMaxTrials; ++trial) {
                const std::size_t i = sequence.next() % n;
                const std::size_t j = sequence.next() % n;
                if (i != j) {
                    tryPair(i, j);
                }
            }
        }
        if (bestInliers.size() < 2 || distinctLines(hits, bestInliers) < 2) {
            break;
        }
        // Twice: the refit line may gather hits the rough one missed.
        Candidate line = refined(hits, bestInliers, best);
        std::vector<std::size_t> inliers = inliersOf(hits, pool, line);
        if (inliers.size() >= 2) {
            line = refined(hits, inliers, line);
            inliers = inliersOf(hits, pool, line);
        }
        if (inliers.size() < 2 || distinctLines(hits, inliers) < 2) {
            inliers = bestInliers;
            line = refined(hits, inliers, best);
        }

        GuardLine found{kind, line.line, line.inward, line.module, 1e18, -1e18, inliers};
        for (const std::size_t index : inliers) {
            const double t = found.line.parameterOf(hits[index].barStart());
            found.first = std::min(found.first, t);
            found.last = std::max(found.last, t);
        }
        lines.push_back(found);
        std::vector<std::size_t> rest;
        std::set_difference(pool.begin(), pool.end(), inliers.begin(), inliers.end(),
                            std::back_inserter(rest));
        pool = std::move(rest);
    }
    return lines;
}

}  // namespace ostrel2::tessoran::capture
