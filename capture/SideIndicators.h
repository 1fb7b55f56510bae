// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "capture/CodewordShapes.h"
#include "capture/CodewordTemplates.h"
#include "capture/Geometry.h"
#include "capture/GreyImage.h"
#include "capture/SymbolFrame.h"
#include "symbol/RowIndicators.h"

namespace ostrel2::tessoran::capture {

// The row indicators down a symbol's sides: read along many lines across a
// first frame, grouped by what they say, checked against a straight run of
// rows, and turned into the symbol's shape and the places that fix its frame.

// One reading of a row indicator, on the line y of the first frame.
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

// y = a + b * (row + 0.5): where along a side the rows lie.
struct RowRun {
    double a = 0;
    double b = 0;
};

// The groups of each side, one a row of the `rows` the symbol has: the one
// with the most samples.
struct SideGroups {
    std::vector<IndicatorGroup> left;
    std::vector<IndicatorGroup> right;
};

// Where the indicators are read: the first frame is `width` modules wide
// (its stop pattern where a symbol that wide has it), lines run from y =
// `firstY` to `lastY`, a step of about half a module apart over sides
// `sideLength` pixels long for each unit of y, modules `module` pixels wide.
struct IndicatorScan {
    double width = 0;
    double module = 0;
    double sideLength = 0;
    double firstY = 0;
    double lastY = 1;
    bool left = true;
    bool right = true;
};

// The samples grouped by side, cluster and value, each group placed at the
// median of its samples.
std::vector<IndicatorGroup> groupSamples(const std::vector<IndicatorSample>& samples);

// The run that fits the groups best (least squares, each group weighing by
// how often it was read); none when they name fewer than two rows.
std::optional<RowRun> rowRunOf(const std::vector<IndicatorGroup>& groups);

// Keeps the groups whose place fits a straight run of rows along the sides,
// y = a + b * (row + 0.5), fitted robustly (the median of the slopes between
// pairs of groups, then the median offset): a misread indicator names a row
// far from where it was read, and must not pull the run towards it.
std::vector<IndicatorGroup> consistentGroups(std::vector<IndicatorGroup> groups);

// The indicators of the sides `scan` names, across the first frame `rough`,
// read every little step.
std::vector<IndicatorSample> readIndicators(const GreyImage& image, const Homography& rough,
                                            const IndicatorScan& scan,
                                            const CodewordShapes& shapes);

// The indicators of the sides `scan` names, compared with the templates of
// every codeword under blur along a few lines across `rough`: for where blur
// has run the guard patterns' and indicators' narrow elements together.
std::vector<IndicatorSample> readIndicatorsByShape(const GreyImage& image, const Homography& rough,
                                                   const IndicatorScan& scan,
                                                   CodewordTemplateSet& templates);

// A frame with the indicators of the `consistent` groups and the rows and
// data columns they state; none when they contradict each other or state a
// shape no symbol has. Every sample of a group votes: a misread indicator
// seen a few times is outvoted by the right one seen many times.
std::optional<SymbolFrame> frameOfIndicators(const std::vector<IndicatorGroup>& consistent);

SideGroups bestGroupOfEachRow(const std::vector<IndicatorGroup>& consistent, std::int32_t rows);

// Where each row's indicators begin and end on both sides, in the
// coordinates of a symbol `width` modules wide against where the lines of
// the first frame `rough` found their edges in the picture.
std::vector<Homography::Correspondence> indicatorPlaces(const SideGroups& sides,
                                                        const Homography& rough, double width);

// The middle of a guard pattern's widest bar: across the first frame, and
// across the symbol.
struct BarColumn {
    double roughX;
    double symbolX;
};

// Where the rows that `groups` place put the ends of the `bars` (y = 0 and 1
// of `rough`) at the symbol's first or last row boundary, the symbol ends
// there too, unless it is cut there: those ends join the `places`, each of
// `weight`.
void addBarEndPlaces(std::vector<Homography::Correspondence>& places,
                     const std::vector<IndicatorGroup>& groups, std::int32_t rows,
                     const Homography& rough, std::span<const BarColumn> bars, double weight);

// What the indicators down a first frame's sides came to: every sample, the
// groups that fit a straight run of rows, and the frame they state.
struct SideReading {
    std::vector<IndicatorSample> samples;
    std::vector<IndicatorGroup> consistent;
    std::optional<SymbolFrame> frame;
};

// Reads the indicators by their edges and, when those state no symbol, by
// their shapes as well.
SideReading readSides(const GreyImage& image, const Homography& rough, const IndicatorScan& scan,
                      const CodewordShapes& shapes, CodewordTemplateSet& templates);

}  // namespace ostrel2::tessoran::capture
