// SPDX-License-Identifier: Apache-2.0
#include "symbol/RowIndicators.h"

#include <array>
#include <map>

namespace ostrel2::tessoran {

namespace {

constexpr std::int32_t kValuesPerRowTriple = 30;
constexpr std::int32_t kMaxLevel = 8;
// Stands for a reading that does not belong to the row it was read in.
constexpr std::int32_t kForeign = -1;

enum Field { kRowsDiv3, kRowsMod3, kColumns, kLevel, kFieldCount };

// Votes for the values of one field.
class Ballot {
  public:
    void vote(std::int32_t value) { ++votes[value]; }

    struct Outcome {
        std::optional<std::int32_t> winner;
        bool contradictory = false;
    };

    // The value with the most votes. A foreign reading that wins or ties makes
    // the field contradictory; a tie between values leaves it unknown.
    Outcome count() const {
        std::int32_t best = 0;
        std::int32_t bestVotes = 0;
        bool tied = false;
        for (const auto& [value, number] : votes) {
            if (number > bestVotes) {
                best = value;
                bestVotes = number;
                tied = false;
            } else if (number == bestVotes) {
                tied = true;
            }
        }
        if (bestVotes == 0) {
            return {};
        }
        const auto foreign = votes.find(kForeign);
        if (foreign != votes.end() && foreign->second == bestVotes) {
            return {std::nullopt, true};
        }
        if (tied) {
            return {};
        }
        return {best, false};
    }

  private:
    std::map<std::int32_t, std::int32_t> votes;
};

void voteLevelAndRowsMod3(std::array<Ballot, kFieldCount>& ballots, std::int32_t part) {
    const std::int32_t level = part / 3;
    if (level > kMaxLevel) {
        ballots[kLevel].vote(kForeign);
        ballots[kRowsMod3].vote(kForeign);
        return;
    }
    ballots[kLevel].vote(level);
    ballots[kRowsMod3].vote(part % 3);
}

void vote(std::array<Ballot, kFieldCount>& ballots, const RowIndicatorReading& reading) {
    const std::int32_t cluster = reading.row % 3;
    const bool left = reading.side == IndicatorSide::Left;
    const std::int32_t part = reading.value - kValuesPerRowTriple * (reading.row / 3);
    const bool belongs = reading.row >= 0 && part >= 0 && part < kValuesPerRowTriple;
    const auto castFor = [&](Field field) { ballots[field].vote(belongs ? part : kForeign); };
    switch (cluster) {
        case 0:
            castFor(left ? kRowsDiv3 : kColumns);
            break;
        case 1:
            if (left) {
                if (belongs) {
                    voteLevelAndRowsMod3(ballots, part);
                } else {
                    castFor(kLevel);
                    castFor(kRowsMod3);
                }
            } else {
                castFor(kRowsDiv3);
            }
            break;
        default:
            if (left) {
                castFor(kColumns);
            } else if (belongs) {
                voteLevelAndRowsMod3(ballots, part);
            } else {
                castFor(kLevel);
                castFor(kRowsMod3);
            }
            break;
    }
}

}  // namespace

bool StatedShape::admits(std::int32_t rowCount, std::int32_t columnCount) const {
    if (contradictory) {
        return false;
    }
    if (rowsDiv3 && (rowCount - 1) / 3 != *rowsDiv3) {
        return false;
    }
    if (rowsMod3 && (rowCount - 1) % 3 != *rowsMod3) {
        return false;
    }
    return !columns || *columns == columnCount;
}

StatedShape summariseRowIndicators(std::span<const RowIndicatorReading> readings) {
    std::array<Ballot, kFieldCount> ballots;
    for (const RowIndicatorReading& reading : readings) {
        vote(ballots, reading);
    }
    StatedShape shape;
    std::array<std::optional<std::int32_t>, kFieldCount> winners;
    for (int field = 0; field < kFieldCount; ++field) {
        const Ballot::Outcome outcome = ballots[static_cast<std::size_t>(field)].count();
        winners[static_cast<std::size_t>(field)] = outcome.winner;
        shape.contradictory = shape.contradictory || outcome.contradictory;
    }
    shape.rowsDiv3 = winners[kRowsDiv3];
    shape.rowsMod3 = winners[kRowsMod3];
    if (winners[kColumns]) {
        shape.columns = *winners[kColumns] + 1;
    }
    shape.level = winners[kLevel];
    if (shape.rowsDiv3 && shape.rowsMod3) {
        shape.rows = 3 * *shape.rowsDiv3 + *shape.rowsMod3 + 1;
    }
    return shape;
}

}  // namespace ostrel2::tessoran
