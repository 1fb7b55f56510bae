// SPDX-License-Identifier: Apache-2.0
#include "capture/SymbolFrame.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "capture/CodewordReading.h"
#include "capture/SymbolLayout.h"
#include "capture/SymbolLines.h"

namespace ostrel2::tessoran::capture {

namespace {

// The start line runs along the symbol's left boundary, the stop line 18
// modules inside its right one: each where its widest bar begins.
constexpr double kStopLine = kStopModules;
// The middles of the guard patterns' widest spaces (3 modules each), from
// the lines: the start pattern's last element, 15.5 modules in from the
// symbol's boundary; the stop pattern's fourth, 10.5 modules out from the
// stop line.
constexpr double kStartSpaceCentre = kStartModules - 1.5;
constexpr double kStopSpaceCentre = -10.5;
// The least difference in grey levels between a bar and the quiet zone beside
// it that tells where the bar ends.
constexpr double kMinContrast = 8;
// Steps along the symbol's sides while reading the row indicators: at least
// this many pixels, and five steps a row of the lowest rows (two modules).
constexpr double kMinColumnStep = 0.7;
constexpr double kColumnStepsPerModule = 2.5;
// ... and at least this many lines in all, however short the sides, and at
// most this many, however long.
constexpr int kMinSideLines = 4;
constexpr int kMaxSideLines = 20000;
// The quiet zone is sampled this many modules beyond the symbol's boundary:
// clear of the blur of its outermost bar.
constexpr double kQuietProbe = 1.5;
// A bar ends where it gives way to light for a module, and for at least this
// many pixels, so that a speck of paper in a small bar does not end it.
constexpr double kMinLightRun = 2.0;
// How far past the hits a bar is followed at most: as far again as the hits
// span, and this many modules and pixels more, so that a bar that runs into
// dark surroundings still stops.
constexpr double kReachModules = 40;
constexpr double kReachPixels = 10;
// The guard lines measure a module across their bars; one turned further
// than this from the rows (the cosine) tells nothing of a module along them.
constexpr double kMinRowFacing = 0.2;
// The width that the bars' distance and that module give is rough: it may
// fall this many modules short of the narrowest symbol's and exceed the
// widest's by this many before no symbol fits it.
constexpr double kWidthShortfall = 8;
constexpr double kWidthExcess = 20;
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

struct BarEnds {
    Point first;  // towards the line's start
    Point last;
};

// Where a guard pattern's bars and spaces lie, in modules inward of its line.
struct PatternOffsets {
    double bar;    // the middle of its widest bar
    double quiet;  // the quiet zone beside it, outside the symbol
    double space;  // the middle of its widest space
};

// Follows the bar whose middle lies `offsets.bar` modules inward of `guard`
// beyond the hits both ways, to where the symbol ends: where the bar gives
// way to light for at least a module, or the picture ends. Paper is told from
// ink by the quiet zone; where the picture's edge cuts the quiet zone off (a
// symbol printed without one, or cut out of a larger picture), by the
// pattern's widest space instead.
std::optional<BarEnds> findBarEnds(const GreyImage& image, const GuardLine& guard,
                                   const PatternOffsets& offsets) {
    const Point across = (offsets.bar * guard.module) * guard.inward;
    const Point outside = (offsets.quiet * guard.module) * guard.inward;
    const Point space = (offsets.space * guard.module) * guard.inward;
    std::vector<double> ink;
    std::vector<double> paper;
    std::vector<double> spaces;
    constexpr int kProbes = 16;
    for (int i = 0; i <= kProbes; ++i) {
        const double t = guard.first + (guard.last - guard.first) * i / kProbes;
        const Point p = guard.line.at(t);
        ink.push_back(image.sample(p + across));
        if (image.contains(p + outside)) {
            paper.push_back(image.sample(p + outside));
        }
        spaces.push_back(image.sample(p + space));
    }
    const double inkLevel = medianOf(ink);
    const double paperLevel = medianOf(2 * paper.size() > kProbes ? paper : spaces);
    if (paperLevel - inkLevel < kMinContrast) {
        return std::nullopt;
    }
    const double threshold = 0.5 * (inkLevel + paperLevel);
    const double step = 0.5;
    const double lightRun = std::max(kMinLightRun, guard.module);
    const double reach = (guard.last - guard.first) + kReachModules * guard.module + kReachPixels;

    const auto walk = [&](double from, double direction) {
        double lastDark = from;
        for (double travelled = 0; travelled <= reach; travelled += step) {
            const double t = from + direction * travelled;
            const Point p = guard.line.at(t) + across;
            if (!image.contains(p)) {
                return t;
            }
            if (image.sample(p) < threshold) {
                lastDark = t;
            } else if (std::abs(t - lastDark) >= lightRun) {
                break;
            }
        }
        return lastDark + direction * 0.5 * step;
    };
    const double first = walk(guard.first, -1);
    const double last = walk(guard.last, 1);
    return BarEnds{guard.line.at(first) + across, guard.line.at(last) + across};
}

struct IndicatorSample {
    IndicatorSide side;
    double y;
    std::int32_t cluster;
    std::int32_t value;
    // Where on the line the indicator's first bar and the next bar began.
    double start;
    double end;
};

// A group of readings of one side, one value and one cluster.
struct IndicatorGroup {
    IndicatorSide side;
    std::int32_t row;
    std::int32_t value;
    std::vector<double> ys;
    double y = 0;  // median
    // Averages of the samples' edges.
    double start = 0;
    double end = 0;
};

// The row a row indicator belongs to: its value tells the row's triple, its
// cluster the row within the triple.
std::int32_t rowOf(std::int32_t cluster, std::int32_t value) {
    return 3 * (value / 30) + cluster;
}

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

// y = a + b * (row + 0.5): where along a side the rows lie.
struct RowRun {
    double a = 0;
    double b = 0;
};

// The run that fits the groups best (least squares, each group weighing by
// how often it was read); none when they name fewer than two rows.
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

// Keeps the groups whose place fits a straight run of rows along the sides,
// y = a + b * (row + 0.5), fitted robustly (the median of the slopes between
// pairs of groups, then the median offset): a misread indicator names a row
// far from where it was read, and must not pull the run towards it.
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

// The widest bars of both guard patterns, from end to end, the ends of both
// in the same order; and the direction of the symbol's rows.
struct GuardBars {
    BarEnds start;
    BarEnds stop;
    Point rows;   // a unit vector
    double span;  // pixels between the bars' middles
};

std::optional<GuardBars> findGuardBars(const GreyImage& image, const GuardLine& start,
                                       const GuardLine& stop) {
    const std::optional<BarEnds> startBar =
        findBarEnds(image, start, {kStartBarCentre, -kQuietProbe, kStartSpaceCentre});
    std::optional<BarEnds> stopBar = findBarEnds(
        image, stop, {kStopBarCentre - kStopLine, -kStopLine - kQuietProbe, kStopSpaceCentre});
    if (!startBar || !stopBar) {
        return std::nullopt;
    }
    // Across the symbol from one bar's middle to the other's: about the
    // direction of its rows.
    const Point startMiddle = 0.5 * (startBar->first + startBar->last);
    const Point stopMiddle = 0.5 * (stopBar->first + stopBar->last);
    const Point across = stopMiddle - startMiddle;
    const double span = length(across);
    if (!(span > 0)) {
        return std::nullopt;
    }
    const Point rows = (1.0 / span) * across;
    // The same end of both bars first: the ends on the same side of the rows.
    if ((cross(rows, startBar->first - startMiddle) > 0) !=
        (cross(rows, stopBar->first - stopMiddle) > 0)) {
        std::swap(stopBar->first, stopBar->last);
    }
    return GuardBars{*startBar, *stopBar, rows, span};
}

// A module along the rows: the guard lines measure it across their bars,
// which perspective may have turned well away from the rows.
std::optional<double> moduleAlongRows(Point rows, const GuardLine& start, const GuardLine& stop) {
    const double startFacing = std::abs(dot(rows, start.inward));
    const double stopFacing = std::abs(dot(rows, stop.inward));
    if (startFacing < kMinRowFacing || stopFacing < kMinRowFacing) {
        return std::nullopt;
    }
    return 0.5 * (start.module / startFacing + stop.module / stopFacing);
}

// The symbol's width in modules as the bars' distance and the module tell it
// (the bars' middles lie 4 modules in from the left boundary and 14.5 in
// from the right one); none when no symbol is about that wide.
std::optional<double> roughWidthOf(double span, double module) {
    const double roughWidth = span / module + kStartBarCentre + kStopBarCentre;
    if (!(roughWidth >= kFixedModules + kCodewordModules - kWidthShortfall) ||
        roughWidth > kFixedModules + kCodewordModules * kMaxColumns + kWidthExcess) {
        return std::nullopt;
    }
    return roughWidth;
}

// A first frame, with y from 0 to 1 between the bars' ends, and the stop
// bar's middle at x = `stopBarX`.
std::optional<Homography> roughFrameOf(const GuardBars& bars, double stopBarX) {
    const Homography::Correspondence corners[] = {
        {{kStartBarCentre, 0}, bars.start.first},
        {{kStartBarCentre, 1}, bars.start.last},
        {{stopBarX, 0}, bars.stop.first},
        {{stopBarX, 1}, bars.stop.last},
    };
    return Homography::fit(corners);
}

// The row indicators down both sides of the first frame `rough`, `roughWidth`
// modules wide, read every little step.
std::vector<IndicatorSample> readIndicators(const GreyImage& image, const Homography& rough,
                                            const GuardBars& bars, double module, double roughWidth,
                                            const CodewordShapes& shapes) {
    const double sideLength = std::max(length(bars.start.last - bars.start.first),
                                       length(bars.stop.last - bars.stop.first));
    const double step = std::max(kMinColumnStep, module / kColumnStepsPerModule);
    const int steps = std::clamp(static_cast<int>(sideLength / step), kMinSideLines, kMaxSideLines);
    const int perModule = samplesPerModule(module);
    LineScratch scratch;
    std::vector<ModuleEdge> edges;
    std::vector<IndicatorSample> samples;
    const double rightIndicator = roughWidth - kStopModules - kCodewordModules;
    for (int i = 0; i <= steps; ++i) {
        const double y = static_cast<double>(i) / steps;
        edgesAlong(image, rough, y, -kOutsideReach,
                   kLeftIndicator + kCodewordModules + kInsideReach, perModule, scratch, edges);
        if (const auto read = readLeftIndicator(edges, shapes)) {
            samples.push_back({IndicatorSide::Left, y, read->match.cluster, read->match.value,
                               read->start, read->end});
        }
        edgesAlong(image, rough, y, rightIndicator - kInsideReach, roughWidth + kOutsideReach,
                   perModule, scratch, edges);
        if (const auto read = readRightIndicator(edges, roughWidth - kStopLine, shapes)) {
            samples.push_back({IndicatorSide::Right, y, read->match.cluster, read->match.value,
                               read->start, read->end});
        }
    }
    return samples;
}

// A frame with the indicators of the `consistent` groups and the rows and
// data columns they state; none when they contradict each other or state a
// shape no symbol has. Every sample of a group votes: a misread indicator
// seen a few times is outvoted by the right one seen many times.
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

// The groups of each side, one a row of the `rows` the symbol has: the one
// with the most samples.
struct SideGroups {
    std::vector<IndicatorGroup> left;
    std::vector<IndicatorGroup> right;
};

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

// Where each row's indicators begin and end on both sides, in the
// coordinates of a symbol `width` modules wide against where the lines of
// the first frame `rough` found their edges in the picture.
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

// Where the bars end, the symbol's first or last row ends too, unless the
// symbol is cut there: those ends join the `places`, weighing as much as one
// side's row of indicators on average (of `sampleCount` in all).
void addBarEndPlaces(std::vector<Homography::Correspondence>& places, const SideGroups& sides,
                     std::size_t sampleCount, std::int32_t rows, const Homography& rough,
                     double stopBarX, double width) {
    std::vector<IndicatorGroup> both = sides.left;
    both.insert(both.end(), sides.right.begin(), sides.right.end());
    if (const std::optional<RowRun> run = rowRunOf(both); run && run->b != 0) {
        const double weight = std::max(1.0, static_cast<double>(sampleCount) / rows / 2);
        for (const double end : {0.0, 1.0}) {
            const double row = (end - run->a) / run->b;
            for (const double edge : {0.0, static_cast<double>(rows)}) {
                if (std::abs(row - edge) < kEndRowTolerance) {
                    places.push_back(
                        {{kStartBarCentre, edge}, rough.map({kStartBarCentre, end}), weight});
                    places.push_back(
                        {{width - kStopBarCentre, edge}, rough.map({stopBarX, end}), weight});
                }
            }
        }
    }
}

// Whether the frame maps all four corners of a symbol `width` modules wide
// into the plane.
bool cornersFinite(const SymbolFrame& frame, double width) {
    for (const Point corner : {Point{0, 0}, Point{width, 0}, Point{0, frame.rows * 1.0},
                               Point{width, frame.rows * 1.0}}) {
        if (!isFinite(frame.toImage.map(corner))) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<SymbolFrame> locateSymbol(const GreyImage& image, const GuardLine& start,
                                        const GuardLine& stop, const CodewordShapes& shapes,
                                        CaptureTrace* trace) {
    const std::optional<GuardBars> bars = findGuardBars(image, start, stop);
    if (!bars) {
        return std::nullopt;
    }
    const std::optional<double> module = moduleAlongRows(bars->rows, start, stop);
    if (!module) {
        return std::nullopt;
    }
    const std::optional<double> roughWidth = roughWidthOf(bars->span, *module);
    if (!roughWidth) {
        return std::nullopt;
    }
    if (trace != nullptr) {
        trace->corners.insert(trace->corners.end(), {bars->start.first, bars->start.last,
                                                     bars->stop.first, bars->stop.last});
    }
    const double stopBarX = *roughWidth - kStopBarCentre;
    const std::optional<Homography> rough = roughFrameOf(*bars, stopBarX);
    if (!rough) {
        return std::nullopt;
    }

    const std::vector<IndicatorSample> samples =
        readIndicators(image, *rough, *bars, *module, *roughWidth, shapes);
    // Both sides' rows run alike from one end of the bars to the other, so
    // their places are checked together.
    const std::vector<IndicatorGroup> consistent = consistentGroups(groupSamples(samples));
    std::optional<SymbolFrame> frame = frameOfIndicators(consistent);
    if (!frame) {
        return std::nullopt;
    }

    // The frame proper, fitted to where the rows lie on both sides.
    const SideGroups sides = bestGroupOfEachRow(consistent, frame->rows);
    const double width = symbolWidth(frame->columns);
    std::vector<Homography::Correspondence> places = indicatorPlaces(sides, *rough, width);
    addBarEndPlaces(places, sides, samples.size(), frame->rows, *rough, stopBarX, width);
    const std::optional<Homography> fitted = Homography::fit(places);
    frame->places = std::move(places);
    if (!fitted) {
        return std::nullopt;
    }
    frame->toImage = *fitted;
    frame->module = *module;
    if (!cornersFinite(*frame, width)) {
        return std::nullopt;
    }
    return frame;
}

}  // namespace ostrel2::tessoran::capture
