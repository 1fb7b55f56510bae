// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace ostrel2::tessoran::capture {

// A codeword as its edge-to-similar-edge distances: t_i = e_i + e_(i+1) for
// i = 1 .. 6, from the element widths e_1 .. e_8 in modules. Blur and ink
// spread move the edges between bar and space, but both edges of such a
// distance move alike, so it survives where single element widths do not;
// and the six distances tell every codeword of a cluster from the others.
using EdgeDistances = std::array<float, 6>;

struct CodewordMatch {
    std::int32_t cluster = 0;
    std::int32_t value = 0;
    // How far the distances read lie from the codeword's, and from the next
    // nearest codeword of the clusters searched (sums of squared modules).
    float distance = 0;
    float runnerUp = 0;
};

// The distances of every codeword of the three clusters, and the search for
// the codeword nearest to distances read.
class CodewordShapes {
  public:
    CodewordShapes();

    // The nearest codeword of all clusters, if it lies clearly nearer than any
    // other and, when `cluster` (0 to 2) is given, belongs to it: a match that
    // could as well be another codeword is no match, and a row's codeword
    // that looks most like one of another cluster is no codeword of the row.
    std::optional<CodewordMatch> identify(const EdgeDistances& read,
                                          std::optional<std::int32_t> cluster) const;

  private:
    struct Build {};
    // Works the tables out; every other instance copies those of one built
    // so, once per process: a reading makes its own instance, and sorting
    // the three clusters anew each time costs more than reading a small
    // picture does.
    explicit CodewordShapes(Build);

    // The codeword, of any cluster, whose distances the ones read round to,
    // when they lie near whole numbers everywhere.
    std::optional<CodewordMatch> lookUp(const EdgeDistances& read) const;
    // The codeword nearest to the distances read, of any cluster, when it is
    // near enough and clearly the nearest.
    std::optional<CodewordMatch> nearest(const EdgeDistances& read) const;

    struct Shape {
        std::array<std::int8_t, 6> distances;
        std::int16_t value;
    };
    // Per cluster, sorted by the packed rounded distances for a direct look-up.
    std::array<std::vector<std::uint32_t>, 3> keys;
    std::array<std::vector<Shape>, 3> shapes;
    // Per cluster, where the shapes whose first distance is t begin: the
    // search for the nearest looks only where the first distance is near.
    std::array<std::array<std::size_t, 13>, 3> firstOfDistance{};
};

}  // namespace ostrel2::tessoran::capture
