// SPDX-License-Identifier: Apache-2.0
#include "capture/GuardLines.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <set>

#include "capture/SymbolLayout.h"

namespace ostrel2::tessoran::capture {

namespace {

constexpr std::size_t kMaxTrials = 300;
// A hit lies on a line within this many modules (and at least this many
// pixels), ...
constexpr double kDistanceModules = 0.8;
constexpr double kMinDistancePixels = 1.5;
// ... faces its inside at least this closely (cosine) ...
constexpr double kMinFacing = 0.25;
// ... and has a module width within this factor of the line's. Hits of one
// side follow each other with gaps of no more than a few scan lines and a
// few modules.
constexpr double kModuleRatio = 1.6;
constexpr double kGapSpacings = 3;
constexpr double kGapModules = 12;

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

// The hits on `candidate`'s line that are part of one pattern: facing the
// same side, alike in module, and following each other along the line without
// a gap wider than the scan lines and a symbol's rows explain; of hits in
// several such runs, the longest run. Noise far apart on one line is no
// symbol's side.
std::vector<std::size_t> inliersOf(std::span<const GuardHit> hits,
                                   std::span<const std::size_t> pool, const Candidate& candidate,
                                   double spacing) {
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
    if (inliers.size() < 2) {
        return inliers;
    }
    const double maxGap = kGapSpacings * spacing + kGapModules * candidate.module;
    std::sort(inliers.begin(), inliers.end(), [&](std::size_t a, std::size_t b) {
        return candidate.line.parameterOf(hits[a].barStart()) <
               candidate.line.parameterOf(hits[b].barStart());
    });
    std::size_t bestFirst = 0;
    std::size_t bestCount = 1;
    std::size_t first = 0;
    for (std::size_t i = 1; i <= inliers.size(); ++i) {
        const bool ends = i == inliers.size() ||
                          candidate.line.parameterOf(hits[inliers[i]].barStart()) -
                                  candidate.line.parameterOf(hits[inliers[i - 1]].barStart()) >
                              maxGap;
        if (ends) {
            if (i - first > bestCount) {
                bestFirst = first;
                bestCount = i - first;
            }
            first = i;
        }
    }
    std::vector<std::size_t> run(
        inliers.begin() + static_cast<std::ptrdiff_t>(bestFirst),
        inliers.begin() + static_cast<std::ptrdiff_t>(bestFirst + bestCount));
    std::sort(run.begin(), run.end());
    return run;
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

// Groups hits that lie close together, face the same general side and have
// alike modules: the hits of one symbol's side follow each other a few scan
// lines apart, while hits that noise or print makes lie scattered.
std::vector<std::vector<std::size_t>> neighbourhoods(std::span<const GuardHit> hits,
                                                     const std::vector<std::size_t>& pool,
                                                     double spacing) {
    std::vector<double> modules;
    for (const std::size_t index : pool) {
        modules.push_back(hits[index].module);
    }
    const double cell = kGapSpacings * spacing + kGapModules * medianOf(modules);
    const auto cellOf = [&](Point p) {
        return std::make_pair(static_cast<std::int64_t>(std::floor(p.x / cell)),
                              static_cast<std::int64_t>(std::floor(p.y / cell)));
    };
    std::map<std::pair<std::int64_t, std::int64_t>, std::vector<std::size_t>> grid;
    for (std::size_t i = 0; i < pool.size(); ++i) {
        grid[cellOf(hits[pool[i]].barStart())].push_back(i);
    }
    std::vector<std::size_t> parent(pool.size());
    for (std::size_t i = 0; i < parent.size(); ++i) {
        parent[i] = i;
    }
    const auto root = [&](std::size_t i) {
        while (parent[i] != i) {
            parent[i] = parent[parent[i]];
            i = parent[i];
        }
        return i;
    };
    for (std::size_t i = 0; i < pool.size(); ++i) {
        const GuardHit& a = hits[pool[i]];
        const auto [cx, cy] = cellOf(a.barStart());
        for (std::int64_t dx = -1; dx <= 1; ++dx) {
            for (std::int64_t dy = -1; dy <= 1; ++dy) {
                const auto found = grid.find({cx + dx, cy + dy});
                if (found == grid.end()) {
                    continue;
                }
                for (const std::size_t j : found->second) {
                    if (j <= i) {
                        continue;
                    }
                    const GuardHit& b = hits[pool[j]];
                    const Point apart = a.barStart() - b.barStart();
                    const double ratio = a.module / b.module;
                    // Squared distances: a dense picture compares many pairs.
                    if (dot(apart, apart) > cell * cell || dot(a.inward(), b.inward()) <= 0 ||
                        ratio > 2 || ratio < 0.5) {
                        continue;
                    }
                    parent[root(i)] = root(j);
                }
            }
        }
    }
    std::map<std::size_t, std::vector<std::size_t>> groups;
    for (std::size_t i = 0; i < pool.size(); ++i) {
        groups[root(i)].push_back(pool[i]);
    }
    std::vector<std::vector<std::size_t>> list;
    for (auto& [key, members] : groups) {
        if (members.size() >= 2) {
            std::sort(members.begin(), members.end());
            list.push_back(std::move(members));
        }
    }
    return list;
}

// The best line through the hits of `pool`: tried through pairs of them,
// all pairs when there are few, a fixed sample of pairs otherwise.
std::optional<GuardLine> bestLine(std::span<const GuardHit> hits,
                                  const std::vector<std::size_t>& pool, GuardKind kind,
                                  double spacing) {
    const std::size_t n = pool.size();
    const std::size_t pairs = n * (n - 1) / 2;
    std::vector<std::size_t> bestInliers;
    Candidate best;
    const auto tryPair = [&](std::size_t i, std::size_t j) {
        const GuardHit& a = hits[pool[i]];
        const GuardHit& b = hits[pool[j]];
        Candidate candidate;
        if (a.line == b.line || !candidateThrough(a, b, candidate)) {
            return;
        }
        std::vector<std::size_t> inliers = inliersOf(hits, pool, candidate, spacing);
        if (inliers.size() > bestInliers.size()) {
            bestInliers = std::move(inliers);
            best = candidate;
        }
    };
    if (pairs <= kMaxTrials) {
        for (std::size_t i = 0; i < n; ++i) {
            for (std::size_t j = i + 1; j < n; ++j) {
                tryPair(i, j);
            }
        }
    } else {
        Sequence sequence;
        for (std::size_t trial = 0; trial < kMaxTrials; ++trial) {
            const std::size_t i = sequence.next() % n;
            const std::size_t j = sequence.next() % n;
            if (i != j) {
                tryPair(i, j);
            }
        }
    }
    if (bestInliers.size() < 2 || distinctLines(hits, bestInliers) < 2) {
        return std::nullopt;
    }
    // Twice: the refit line may gather hits the rough one missed.
    Candidate line = refined(hits, bestInliers, best);
    std::vector<std::size_t> inliers = inliersOf(hits, pool, line, spacing);
    if (inliers.size() >= 2) {
        line = refined(hits, inliers, line);
        inliers = inliersOf(hits, pool, line, spacing);
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
    return found;
}

}  // namespace

std::vector<GuardLine> fitGuardLines(std::span<const GuardHit> hits, GuardKind kind,
                                     std::size_t maxLines, double spacing) {
    std::vector<std::size_t> pool;
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (hits[i].kind == kind) {
            pool.push_back(i);
        }
    }
    std::vector<GuardLine> lines;
    if (pool.size() < 2) {
        return lines;
    }
    // Each neighbourhood may hold more than one side (symbols side by side):
    // its lines are taken one after the other, the best supported first, so
    // that one neighbourhood gives no more lines than are kept in all. Without
    // that bound a picture of stripes, one neighbourhood of thousands of
    // sides, costs a line search over all its hits for every stripe.
    for (std::vector<std::size_t> members : neighbourhoods(hits, pool, spacing)) {
        for (std::size_t found = 0; members.size() >= 2 && found < maxLines; ++found) {
            const std::optional<GuardLine> line = bestLine(hits, members, kind, spacing);
            if (!line) {
                break;
            }
            std::vector<std::size_t> rest;
            std::set_difference(members.begin(), members.end(), line->hits.begin(),
                                line->hits.end(), std::back_inserter(rest));
            members = std::move(rest);
            lines.push_back(*line);
        }
    }
    std::stable_sort(lines.begin(), lines.end(), [](const GuardLine& a, const GuardLine& b) {
        return a.hits.size() > b.hits.size();
    });
    if (lines.size() > maxLines) {
        lines.resize(maxLines);
    }
    return lines;
}

}  // namespace ostrel2::tessoran::capture
