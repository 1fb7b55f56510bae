// SPDX-License-Identifier: Apache-2.0
#include "capture/SymbolReading.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <map>
#include <optional>

#include "capture/CodewordReading.h"
#include "capture/CodewordTemplates.h"
#include "capture/SymbolLayout.h"
#include "capture/SymbolLines.h"

namespace ostrel2::tessoran::capture {

namespace {

// Where the lines run inside a row, as shares of its height.
constexpr double kTallRowLines[] = {0.2, 0.35, 0.5, 0.65, 0.8};
constexpr double kShortRowLines[] = {0.3, 0.5, 0.7};
// Rows lower than this many pixels get the fewer lines.
constexpr double kTallRowPixels = 5;
// Where a codeword that the row's lines left undecided is looked at again,
// on short lines of its own: above and below the row's lines too, as far as
// into the neighbouring rows, whose codewords belong to other clusters and
// so cannot be taken for this row's. Paper that bends, or a frame a little
// off, moves a row's codewords up or down from where the frame puts them.
constexpr double kSecondLookLines[] = {-0.3, -0.15, 0.05, 0.25, 0.5, 0.75, 0.95, 1.15, 1.3};
// How far before and after a codeword its short lines reach, in modules.
constexpr double kSecondLookMargin = 4;
// Where a codeword still undecided is compared with every codeword of its
// cluster.
constexpr double kTemplateLines[] = {0.3, 0.5, 0.7};
// Templates are tried only where edges read at least one cell in this many.
constexpr std::size_t kTemplateShare = 5;

// Votes of the lines of one row for the codeword at one column, and where
// on them the codeword voted for was found.
class Ballot {
  public:
    void vote(const CodewordRead& read, double y) {
        Tally& tally = tallies[read.match.value];
        ++tally.votes;
        tally.y += y;
        tally.start += read.start;
        tally.end += read.end;
    }

    struct Winner {
        std::int32_t value;
        // Averages over the lines that voted for it.
        double y;
        double start;
        double end;
    };
    // The value with the most votes, if it has at least `needed` and more than
    // any other.
    std::optional<Winner> winner(int needed) const {
        const std::pair<const std::int32_t, Tally>* best = nullptr;
        bool tied = false;
        for (const auto& entry : tallies) {
            if (best == nullptr || entry.second.votes > best->second.votes) {
                best = &entry;
                tied = false;
            } else if (entry.second.votes == best->second.votes) {
                tied = true;
            }
        }
        if (best == nullptr || best->second.votes < needed || tied) {
            return std::nullopt;
        }
        const double votes = best->second.votes;
        return Winner{best->first, best->second.y / votes, best->second.start / votes,
                      best->second.end / votes};
    }

  private:
    struct Tally {
        int votes = 0;
        double y = 0;
        double start = 0;
        double end = 0;
    };
    std::map<std::int32_t, Tally> tallies;
};

// What the lines of one row make of it: a ballot for each column, column -1
// being the left row indicator and `columns` the right one.
struct RowBallots {
    std::vector<Ballot> columns;
    // How many votes a codeword needs to be taken.
    int needed = 1;

    Ballot& at(std::int32_t column) { return columns[static_cast<std::size_t>(column + 1)]; }
};

// Reads `row` along its lines, then looks again at each codeword that they
// left undecided, on short lines of its own.
RowBallots readRowEdges(const GreyImage& image, const SymbolFrame& frame,
                        const CodewordShapes& shapes, std::int32_t row, LineScratch& scratch,
                        std::vector<ModuleEdge>& edges) {
    const std::int32_t columns = frame.columns;
    const double width = symbolWidth(columns);
    const Point centre = frame.toImage.map({width / 2, row + 0.5});
    const double rowPixels = length(frame.toImage.map({width / 2, row + 1.0}) -
                                    frame.toImage.map({width / 2, row * 1.0}));
    const double modulePixels = length(frame.toImage.map({width / 2 + 1, row + 0.5}) - centre);
    const int perModule = samplesPerModule(modulePixels);
    const std::span<const double> shares = rowPixels >= kTallRowPixels
                                               ? std::span<const double>(kTallRowLines)
                                               : std::span<const double>(kShortRowLines);
    RowBallots ballots;
    ballots.columns.resize(static_cast<std::size_t>(columns) + 2);
    int lines = 0;
    for (const double share : shares) {
        const double y = row + share;
        if (!image.contains(frame.toImage.map({width / 2, y}))) {
            continue;
        }
        ++lines;
        edgesAlong(image, frame.toImage, y, -2, width + 2, perModule, scratch, edges);
        for (std::int32_t column = -1; column <= columns; ++column) {
            // A codeword beyond the picture's edge (a symbol cut there) is
            // not read from the edge pixels that stand in for it.
            const double start = kFirstDataModule + kCodewordModules * column;
            if (!image.contains(frame.toImage.map({start + kCodewordModules / 2, y}))) {
                continue;
            }
            if (const auto read = readCodewordAt(edges, start, row % 3, shapes)) {
                ballots.at(column).vote(*read, y);
            }
        }
    }
    ballots.needed = lines >= 3 ? 2 : 1;
    for (std::int32_t column = -1; column <= columns; ++column) {
        Ballot& ballot = ballots.at(column);
        if (ballot.winner(ballots.needed)) {
            continue;
        }
        const double start = kFirstDataModule + kCodewordModules * column;
        for (const double share : kSecondLookLines) {
            const double y = row + share;
            if (!image.contains(frame.toImage.map({start + kCodewordModules / 2, y}))) {
                continue;
            }
            edgesAlong(image, frame.toImage, y, start - kSecondLookMargin,
                       start + kCodewordModules + kSecondLookMargin, perModule, scratch, edges);
            if (const auto read = readCodewordAt(edges, start, row % 3, shapes)) {
                ballot.vote(*read, y);
            }
        }
    }
    return ballots;
}

// Compares the codeword at `column` of `row`, which its edges left
// undecided, with every codeword of the row's cluster under blur.
void readWithTemplates(const GreyImage& image, const SymbolFrame& frame, std::int32_t row,
                       std::int32_t column, CodewordTemplateSet& templates,
                       std::vector<float>& profile, Ballot& ballot, int needed) {
    const double start = kFirstDataModule + kCodewordModules * column;
    for (const double share : kTemplateLines) {
        if (ballot.winner(needed)) {
            return;
        }
        const double y = row + share;
        const double first = start - CodewordTemplates::kBefore;
        const double step = 1.0 / CodewordTemplates::kSamplesPerModule;
        const SymbolMap::MappedLine line = frame.toImage.mapLine({first + step / 2, y}, {step, 0});
        bool within = true;
        for (std::size_t i = 0; i < profile.size() && within; ++i) {
            const Point p = line.at(static_cast<double>(i));
            within = image.contains(p);
            profile[i] = within ? image.sample(p) : 255.0f;
        }
        if (!within) {
            continue;
        }
        const auto best = templates.identify(row % 3, profile);
        if (best) {
            ballot.vote({{row % 3, best->value, 0, 0},
                         start + best->shift,
                         start + best->shift + kCodewordModules},
                        y);
        }
    }
}

}  // namespace

SymbolReading readSymbol(const GreyImage& image, const SymbolFrame& frame,
                         const CodewordShapes& shapes, CodewordTemplateSet& templates) {
    SymbolReading reading;
    const std::int32_t columns = frame.columns;
    if (frame.rows <= 0 || columns <= 0) {
        return reading;
    }
    reading.codewords.assign(static_cast<std::size_t>(frame.rows) * columns, 0);
    LineScratch scratch;
    std::vector<ModuleEdge> edges;
    std::vector<RowBallots> rows;
    rows.reserve(static_cast<std::size_t>(frame.rows));
    std::size_t decided = 0;
    for (std::int32_t row = 0; row < frame.rows; ++row) {
        rows.push_back(readRowEdges(image, frame, shapes, row, scratch, edges));
        for (const Ballot& ballot : rows.back().columns) {
            decided += ballot.winner(rows.back().needed) ? 1 : 0;
        }
    }

    // Templates cost a comparison with every codeword of a cluster, hundreds
    // of times what reading edges does. They are spent only on a frame whose
    // edges showed it to hold a symbol; a frame laid over text or noise,
    // where hardly a codeword is read, would otherwise take seconds.
    const std::size_t cells = rows.size() * (static_cast<std::size_t>(columns) + 2);
    if (decided * kTemplateShare >= cells) {
        std::vector<float> profile(CodewordTemplates::kSampleCount);
        for (std::int32_t row = 0; row < frame.rows; ++row) {
            RowBallots& ballots = rows[static_cast<std::size_t>(row)];
            for (std::int32_t column = -1; column <= columns; ++column) {
                if (!ballots.at(column).winner(ballots.needed)) {
                    readWithTemplates(image, frame, row, column, templates, profile,
                                      ballots.at(column), ballots.needed);
                }
            }
        }
    }

    for (std::int32_t row = 0; row < frame.rows; ++row) {
        RowBallots& ballots = rows[static_cast<std::size_t>(row)];
        for (std::int32_t column = -1; column <= columns; ++column) {
            const auto winner = ballots.at(column).winner(ballots.needed);
            const std::size_t index = static_cast<std::size_t>(row) * columns + column;
            if (!winner) {
                if (column >= 0 && column < columns) {
                    reading.erasures.push_back(static_cast<std::int32_t>(index));
                }
                continue;
            }
            if (column < 0 || column == columns) {
                reading.indicators.push_back(
                    {row, column < 0 ? IndicatorSide::Left : IndicatorSide::Right, winner->value});
            } else {
                reading.codewords[index] = winner->value;
            }
            // The middle of the row, as far as the lines that read it show.
            const double start = kFirstDataModule + kCodewordModules * column;
            reading.seen.push_back(
                {{start, row + 0.5}, frame.toImage.map({winner->start, winner->y})});
            reading.seen.push_back({{start + kCodewordModules, row + 0.5},
                                    frame.toImage.map({winner->end, winner->y})});
        }
    }
    return reading;
}

std::optional<SymbolFrame> refineFrame(const SymbolFrame& frame, const SymbolReading& reading,
                                       FrameFit fit) {
    std::vector<Homography::Correspondence> places = frame.places;
    places.insert(places.end(), reading.seen.begin(), reading.seen.end());
    const double width = symbolWidth(frame.columns);
    SymbolFrame refined = frame;
    if (fit == FrameFit::Bent) {
        std::optional<SymbolMap> bent = SymbolMap::fitBent(places, width, frame.rows);
        if (!bent) {
            return std::nullopt;
        }
        refined.toImage = *bent;
        return refined;
    }
    // A frame from one side is carried across the symbol as far as its
    // codewords were read; perspective shows only once they reach far.
    const bool affine = frame.oneSided && reachAcross(places) < width / 2;
    const std::optional<Homography> fitted =
        affine ? Homography::fitAffine(places) : Homography::fit(places);
    if (!fitted) {
        return std::nullopt;
    }
    refined.toImage = *fitted;
    return refined;
}

SymbolCodewords symbolCodewordsOf(const SymbolReading& reading, std::int32_t rows) {
    return SymbolCodewords{reading.codewords, reading.erasures, rows, reading.indicators};
}

}  // namespace ostrel2::tessoran::capture
