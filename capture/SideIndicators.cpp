// SPDX-License-Identifier: Apache-2.0
#include "capture/SideIndicators.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

#include "capture/CodewordReading.h"
#include "capture/SymbolLayout.h"
#include "capture/SymbolLines.h"

namespace ostrel2::tessoran::capture {

namespace {

// Steps along the symbol's sides while reading the row indicators: at least
// this many pixels, and five steps a row of the lowest rows (two modules).
constexpr double kMinColumnStep = 0.7;
constexpr double kColumnStepsPerModule = 2.5;
// ... and at least this many lines in all, however short the sides, and at
// most this many, however long.
constexpr int kMinSideLines = 4;
#ifndef TESSORAN_FUZZ_BUDGETS
constexpr int kMaxSideLines = 20000;
#else
// Under the fuzzer's instrumentation each line costs many times what it does
// in a build for use, and the fuzzer's pictures are small: a few dozen lines
// read the indicators of every row they can hold.
constexpr int kMaxSideLines = 32;
#endif
// The left row indicator begins where the start pattern ends.
constexpr double kLeftIndicator = kStartModules;
// Each line read for an indicator reaches this many modules beyond the
// symbol's boundary, into the quiet zone, and this many beyond the indicator
// into the data, so that a first frame a little off still covers both.
constexpr double kOutsideReach = 3;
constexpr double kInsideReach = 4;
// A group lies on the run of rows when within this share of the rows'
// spacing of where the run puts its row.
constexpr double kRowFitTolerance = 0.6;
// Where the run of rows puts a bar's end within this many rows of the
// symbol's first or last row boundary, the symbol ends there too.
constexpr double kEndRowTolerance = 0.35;
// Lines down each side on which the indicators are compared with the
// templates of every codeword, when their edges told too little: each costs
// three comparisons of the picture's budget for them.
constexpr int kShapeLines = 24;

// The row a row indicator belongs to: its value tells the row's triple, its
// cluster the row within the triple.
std::int32_t rowOf(std::int32_t cluster, std::int32_t value) {
    return 3 * (value / 30) + cluster;
}

// The value below which half the weight lies.
double weightedMedian(std::vector<std::pair<double, double>> valuesAndWeights) {
    std::sort(valuesAndWeights.begin(), valuesAndWeights.end());
    double total = 0;
    for (const auto& [value, weight] : valuesAndWeights) {
        total += weight;
    }
    double seen = 0;
    for (const auto& [value, weight] : valuesAndWeights) {
        seen += weight;
        if (seen >= total / 2) {
            return value;
        }
    }
    return 0;
}

}  // namespace

std::vector<IndicatorGroup> groupSamples(const std::vector<IndicatorSample>& samples) {
    std::map<std::tuple<int, std::int32_t, std::int32_t>, IndicatorGroup> groups;
    for (const IndicatorSample& sample : samples) {
        const std::int32_t row = rowOf(sample.cluster, sample.value);
        if (row >= kMaxRows) {
            continue;
        }
        auto key = std::make_tuple(static_cast<int>(sample.side), sample.cluster, sample.value);
        auto [it, added] =
            groups.try_emplace(key, IndicatorGroup{sample.side, row, sample.value, {}, 0, 0, 0});
        it->second.ys.push_back(sample.y);
        it->second.start += sample.start;
        it->second.end += sample.end;
    }
    std::vector<IndicatorGroup> list;
    for (auto& [key, group] : groups) {
        group.y = medianOf(group.ys);
        group.start /= static_cast<double>(group.ys.size());
        group.end /= static_cast<double>(group.ys.size());
        list.push_back(std::move(group));
    }
    return list;
}

std::optional<RowRun> rowRunOf(const std::vector<IndicatorGroup>& groups) {
    double sw = 0, sr = 0, sy = 0, srr = 0, sry = 0;
    for (const IndicatorGroup& g : groups) {
        const auto w = static_cast<double>(g.ys.size());
        const auto r = static_cast<double>(g.row) + 0.5;
        sw += w;
        sr += w * r;
        sy += w * g.y;
        srr += w * r * r;
        sry += w * r * g.y;
    }
    const double denominator = sw * srr - sr * sr;
    if (!(std::abs(denominator) > 1e-12)) {
        return std::nullopt;
    }
    const double b = (sw * sry - sr * sy) / denominator;
    return RowRun{(sy - b * sr) / sw, b};
}

std::vector<IndicatorGroup> consistentGroups(std::vector<IndicatorGroup> groups) {
    if (groups.size() < 2) {
        return groups;
    }
    // Each pair of groups, and each group, weighs by how often it was read:
    // a misread seen once must not outweigh rows seen many times.
    std::vector<std::pair<double, double>> slopes;
    for (std::size_t i = 0; i < groups.size(); ++i) {
        for (std::size_t j = i + 1; j < groups.size(); ++j) {
            if (groups[i].row != groups[j].row) {
                slopes.emplace_back((groups[j].y - groups[i].y) / (groups[j].row - groups[i].row),
                                    static_cast<double>(groups[i].ys.size() * groups[j].ys.size()));
            }
        }
    }
    if (slopes.empty()) {
        return {};
    }
    const double b = weightedMedian(std::move(slopes));
    std::vector<std::pair<double, double>> offsets;
    for (const IndicatorGroup& g : groups) {
        offsets.emplace_back(g.y - b * (g.row + 0.5), static_cast<double>(g.ys.size()));
    }
    const double a = weightedMedian(std::move(offsets));
    const double tolerance = kRowFitTolerance * std::abs(b);
    std::vector<IndicatorGroup> kept;
    for (IndicatorGroup& g : groups) {
        if (std::abs(g.y - (a + b * (g.row + 0.5))) <= tolerance) {
            kept.push_back(std::move(g));
        }
    }
    return kept;
}

std::vector<IndicatorSample> readIndicators(const GreyImage& image, const Homography& rough,
                                            const IndicatorScan& scan,
                                            const CodewordShapes& shapes) {
    const double step = std::max(kMinColumnStep, scan.module / kColumnStepsPerModule);
    const int steps =
        std::clamp(static_cast<int>(scan.sideLength * (scan.lastY - scan.firstY) / step),
                   kMinSideLines, kMaxSideLines);
    const int perModule = samplesPerModule(scan.module);
    LineScratch scratch;
    std::vector<ModuleEdge> edges;
    std::vector<IndicatorSample> samples;
    const double rightIndicator = scan.width - kStopModules - kCodewordModules;
    for (int i = 0; i <= steps; ++i) {
        const double y = scan.firstY + (scan.lastY - scan.firstY) * i / steps;
        if (scan.left) {
            edgesAlong(image, rough, y, -kOutsideReach,
                       kLeftIndicator + kCodewordModules + kInsideReach, perModule, scratch, edges);
            if (const auto read = readLeftIndicator(edges, shapes)) {
                samples.push_back({IndicatorSide::Left, y, read->match.cluster, read->match.value,
                                   read->start, read->end});
            }
        }
        if (scan.right) {
            edgesAlong(image, rough, y, rightIndicator - kInsideReach, scan.width + kOutsideReach,
                       perModule, scratch, edges);
            if (const auto read = readRightIndicator(edges, scan.width - kStopLine, shapes)) {
                samples.push_back({IndicatorSide::Right, y, read->match.cluster, read->match.value,
                                   read->start, read->end});
            }
        }
    }
    return samples;
}

namespace {

// The row indicator whose place on the line y of `rough` begins `start`
// modules across, by its grey profile: the best of the three clusters'
// templates. None when it runs out of the picture or matches none clearly.
std::optional<IndicatorSample> templateIndicator(const GreyImage& image, const Homography& rough,
                                                 IndicatorSide side, double y, double start,
                                                 CodewordTemplateSet& templates,
                                                 std::vector<float>& profile) {
    const double step = 1.0 / CodewordTemplates::kSamplesPerModule;
    const Homography::MappedLine line =
        rough.mapLine({start - CodewordTemplates::kBefore + step / 2, y}, {step, 0});
    for (std::size_t i = 0; i < profile.size(); ++i) {
        const Point p = line.at(static_cast<double>(i));
        if (!image.contains(p)) {
            return std::nullopt;
        }
        profile[i] = image.sample(p);
    }
    std::optional<IndicatorSample> best;
    double bestSimilarity = 0;
    for (std::int32_t cluster = 0; cluster < 3; ++cluster) {
        const auto match = templates.identify(cluster, profile);
        if (match && match->similarity > bestSimilarity) {
            bestSimilarity = match->similarity;
            best = IndicatorSample{side,
                                   y,
                                   cluster,
                                   match->value,
                                   start + match->shift,
                                   start + match->shift + kCodewordModules};
        }
    }
    return best;
}

}  // namespace

std::vector<IndicatorSample> readIndicatorsByShape(const GreyImage& image, const Homography& rough,
                                                   const IndicatorScan& scan,
                                                   CodewordTemplateSet& templates) {
    std::vector<float> profile(CodewordTemplates::kSampleCount);
    std::vector<IndicatorSample> samples;
    const double rightIndicator = scan.width - kStopModules - kCodewordModules;
    for (int i = 0; i < kShapeLines; ++i) {
        const double y = scan.firstY + (scan.lastY - scan.firstY) * (i + 0.5) / kShapeLines;
        if (scan.left) {
            if (auto read = templateIndicator(image, rough, IndicatorSide::Left, y, kLeftIndicator,
                                              templates, profile)) {
                samples.push_back(*read);
            }
        }
        if (scan.right) {
            if (auto read = templateIndicator(image, rough, IndicatorSide::Right, y, rightIndicator,
                                              templates, profile)) {
                samples.push_back(*read);
            }
        }
    }
    return samples;
}

std::optional<SymbolFrame> frameOfIndicators(const std::vector<IndicatorGroup>& consistent) {
    SymbolFrame frame;
    for (const IndicatorGroup& group : consistent) {
        frame.indicators.insert(frame.indicators.end(), group.ys.size(),
                                {group.row, group.side, group.value});
    }
    const StatedShape shape = summariseRowIndicators(frame.indicators);
    if (shape.contradictory || !shape.rows || !shape.columns || *shape.rows < kMinRows ||
        *shape.rows > kMaxRows || *shape.columns < kMinColumns || *shape.columns > kMaxColumns) {
        return std::nullopt;
    }
    frame.rows = *shape.rows;
    frame.columns = *shape.columns;
    return frame;
}

SideGroups bestGroupOfEachRow(const std::vector<IndicatorGroup>& consistent, std::int32_t rows) {
    std::map<std::pair<int, std::int32_t>, const IndicatorGroup*> placed;
    for (const IndicatorGroup& group : consistent) {
        const auto key = std::make_pair(static_cast<int>(group.side), group.row);
        const IndicatorGroup*& best = placed[key];
        if (group.row < rows && (best == nullptr || group.ys.size() > best->ys.size())) {
            best = &group;
        }
    }
    SideGroups sides;
    for (const auto& [key, group] : placed) {
        if (group != nullptr) {
            (group->side == IndicatorSide::Left ? sides.left : sides.right).push_back(*group);
        }
    }
    return sides;
}

std::vector<Homography::Correspondence> indicatorPlaces(const SideGroups& sides,
                                                        const Homography& rough, double width) {
    std::vector<Homography::Correspondence> places;
    const double rightStart = width - kStopLine - kCodewordModules;
    for (const IndicatorGroup& group : sides.left) {
        const auto weight = static_cast<double>(group.ys.size());
        places.push_back(
            {{kLeftIndicator, group.row + 0.5}, rough.map({group.start, group.y}), weight});
        places.push_back({{kLeftIndicator + kCodewordModules, group.row + 0.5},
                          rough.map({group.end, group.y}),
                          weight});
    }
    for (const IndicatorGroup& group : sides.right) {
        const auto weight = static_cast<double>(group.ys.size());
        places.push_back(
            {{rightStart, group.row + 0.5}, rough.map({group.start, group.y}), weight});
        places.push_back({{rightStart + kCodewordModules, group.row + 0.5},
                          rough.map({group.end, group.y}),
                          weight});
    }
    return places;
}

SideReading readSides(const GreyImage& image, const Homography& rough, const IndicatorScan& scan,
                      const CodewordShapes& shapes, CodewordTemplateSet& templates) {
    SideReading sides;
    sides.samples = readIndicators(image, rough, scan, shapes);
    sides.consistent = consistentGroups(groupSamples(sides.samples));
    sides.frame = frameOfIndicators(sides.consistent);
    if (!sides.frame) {
        const std::vector<IndicatorSample> shaped =
            readIndicatorsByShape(image, rough, scan, templates);
        sides.samples.insert(sides.samples.end(), shaped.begin(), shaped.end());
        sides.consistent = consistentGroups(groupSamples(sides.samples));
        sides.frame = frameOfIndicators(sides.consistent);
    }
    return sides;
}

void addBarEndPlaces(std::vector<Homography::Correspondence>& places,
                     const std::vector<IndicatorGroup>& groups, std::int32_t rows,
                     const Homography& rough, std::span<const BarColumn> bars, double weight) {
    const std::optional<RowRun> run = rowRunOf(groups);
    if (!run || run->b == 0) {
        return;
    }
    for (const double end : {0.0, 1.0}) {
        const double row = (end - run->a) / run->b;
        for (const double edge : {0.0, static_cast<double>(rows)}) {
            if (std::abs(row - edge) < kEndRowTolerance) {
                for (const BarColumn& bar : bars) {
                    places.push_back({{bar.symbolX, edge}, rough.map({bar.roughX, end}), weight});
                }
            }
        }
    }
}

}  // namespace ostrel2::tessoran::capture
