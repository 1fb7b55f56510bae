#include "capture/SymbolReading.h"

#include <algorithm>
#include <map>

#include "capture/CodewordReading.h"
#include "capture/SymbolLines.h"

namespace ostrel2::tessoran::capture {

namespace {

constexpr double kCodewordModules = 17;
constexpr double kFirstDataModule = 34;
constexpr double kFixedModules = 69;
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

// Votes of the lines of one row for the codeword at one column.
class Ballot {
  public:
    void vote(std::int32_t value) { ++votes[value]; }
    // The value with the most votes, if it has at least `needed` and more than
    // any other.
    std::optional<std::int32_t> winner(int needed) const {
        std::int32_t best = -1;
        int bestVotes = 0;
        bool tied = false;
        for (const auto& [value, count] : votes) {
            if (count > bestVotes) {
                best = value;
                bestVotes = count;
                tied = false;
            } else if (count == bestVotes) {
                tied = true;
            }
        }
        if (bestVotes < needed || tied) {
            return std::nullopt;
        }
        return best;
    }

  private:
    std::map<std::int32_t, int> votes;
};

bool inside(const GreyImage& image, Point p) {
    return isFinite(p) && p.x >= 0 && p.y >= 0 && p.x <= image.width - 1 && p.y <= image.height - 1;
}

}  // namespace

SymbolReading readSymbol(const GreyImage& image, const SymbolFrame& frame,
                         const CodewordShapes& shapes) {
    SymbolReading reading;
    const std::int32_t columns = frame.columns;
    if (frame.rows <= 0 || columns <= 0) {
        return reading;
    }
    const double width = kFixedModules + kCodewordModules * columns;
    reading.codewords.assign(static_cast<std::size_t>(frame.rows) * columns, 0);
    LineScratch scratch;
    std::vector<ModuleEdge> edges;

    for (std::int32_t row = 0; row < frame.rows; ++row) {
        const Point centre = frame.toImage.map({width / 2, row + 0.5});
        const double rowPixels = length(frame.toImage.map({width / 2, row + 1.0}) -
                                        frame.toImage.map({width / 2, row * 1.0}));
        const double modulePixels = length(frame.toImage.map({width / 2 + 1, row + 0.5}) - centre);
        const int perModule = samplesPerModule(modulePixels);
        const std::span<const double> shares = rowPixels >= kTallRowPixels
                                                   ? std::span<const double>(kTallRowLines)
                                                   : std::span<const double>(kShortRowLines);
        // Column -1 is the left row indicator, `columns` the right one.
        std::vector<Ballot> ballots(static_cast<std::size_t>(columns) + 2);
        int lines = 0;
        for (const double share : shares) {
            const double y = row + share;
            if (!inside(image, frame.toImage.map({width / 2, y}))) {
                continue;
            }
            ++lines;
            edgesAlong(image, frame.toImage, y, -2, width + 2, perModule, scratch, edges);
            for (std::int32_t column = -1; column <= columns; ++column) {
                const double start = kFirstDataModule + kCodewordModules * column;
                if (const auto match = readCodewordAt(edges, start, row % 3, shapes)) {
                    ballots[static_cast<std::size_t>(column + 1)].vote(match->value);
                }
            }
        }
        const int needed = lines >= 3 ? 2 : 1;
        for (std::int32_t column = -1; column <= columns; ++column) {
            Ballot& ballot = ballots[static_cast<std::size_t>(column + 1)];
            if (ballot.winner(needed)) {
                continue;
            }
            const double start = kFirstDataModule + kCodewordModules * column;
            for (const double share : kSecondLookLines) {
                const double y = row + share;
                if (!inside(image, frame.toImage.map({start + kCodewordModules / 2, y}))) {
                    continue;
                }
                edgesAlong(image, frame.toImage, y, start - kSecondLookMargin,
                           start + kCodewordModules + kSecondLookMargin, perModule, scratch, edges);
                if (const auto match = readCodewordAt(edges, start, row % 3, shapes)) {
                    ballot.vote(match->value);
                }
            }
        }
        for (std::int32_t column = 0; column < columns; ++column) {
            const std::size_t index = static_cast<std::size_t>(row) * columns + column;
            if (const auto value = ballots[static_cast<std::size_t>(column) + 1].winner(needed)) {
                reading.codewords[index] = *value;
            } else {
                reading.erasures.push_back(static_cast<std::int32_t>(index));
            }
        }
        if (const auto left = ballots.front().winner(needed)) {
            reading.indicators.push_back({row, IndicatorSide::Left, *left});
        }
        if (const auto right = ballots.back().winner(needed)) {
            reading.indicators.push_back({row, IndicatorSide::Right, *right});
        }
    }
    return reading;
}

bool fillResult(const SymbolReading& reading, std::int32_t rows, DecodeResult& result) {
    if (reading.codewords.size() > static_cast<std::size_t>(DecodeResult::kCapacity) ||
        reading.erasures.size() > reading.codewords.size()) {
        return false;
    }
    std::copy(reading.codewords.begin(), reading.codewords.end(), result.codewords);
    std::copy(reading.erasures.begin(), reading.erasures.end(), result.erasures);
    result.codewordCount = static_cast<std::int32_t>(reading.codewords.size());
    result.erasureCount = static_cast<std::int32_t>(reading.erasures.size());
    result.rowCount = rows;
    return true;
}

}  // namespace ostrel2::tessoran::capture
