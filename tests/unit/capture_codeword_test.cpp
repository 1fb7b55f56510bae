// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "capture/CodewordReading.h"
#include "capture/CodewordShapes.h"
#include "capture/CodewordTemplates.h"
#include "support/Pdf417Encoder.h"
#include "symbol/CodewordPatternTable.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::capture::CodewordShapes;
using ostrel2::tessoran::capture::CodewordTemplates;
using ostrel2::tessoran::capture::EdgeDistances;
using ostrel2::tessoran::capture::ModuleEdge;
using ostrel2::tessoran::capture::readCodewordAt;

// The edge-to-similar-edge distances of a codeword of PDF417 cluster
// 3 * `cluster`, from the standard's table as the test encoder reads it.
EdgeDistances distancesOf(int cluster, int codeword) {
    const std::vector<int>& elements = codewordElements(3 * cluster, codeword);
    EdgeDistances distances{};
    for (std::size_t i = 0; i < 6; ++i) {
        distances[i] = static_cast<float>(elements[i] + elements[i + 1]);
    }
    return distances;
}

TEST(CaptureCodewords, EveryCodewordIsTold) {
    const CodewordShapes shapes;
    for (int cluster = 0; cluster < 3; ++cluster) {
        for (int codeword = 0; codeword < 929; ++codeword) {
            SCOPED_TRACE(std::to_string(cluster) + "/" + std::to_string(codeword));
            EdgeDistances read = distancesOf(cluster, codeword);
            // A third of a module off, alternately either way: still itself.
            for (std::size_t i = 0; i < read.size(); ++i) {
                read[i] += (i % 2 == 0 ? 0.3f : -0.3f);
            }
            const auto inCluster = shapes.identify(read, cluster);
            ASSERT_TRUE(inCluster.has_value());
            EXPECT_EQ(inCluster->value, codeword);
            const auto anywhere = shapes.identify(read, std::nullopt);
            ASSERT_TRUE(anywhere.has_value());
            EXPECT_EQ(anywhere->cluster, cluster);
            EXPECT_EQ(anywhere->value, codeword);
            // Sought in another cluster it is no codeword at all.
            EXPECT_FALSE(shapes.identify(read, (cluster + 1) % 3).has_value());
        }
    }
}

TEST(CaptureCodewords, DoubtfulDistancesAreNoMatch) {
    const CodewordShapes shapes;
    // Codewords 0 and 1 of cluster 0 (3 1 1 1 1 1 3 6 and 4 1 1 1 1 1 4 4)
    // differ only where the distances are read as lying half way.
    EdgeDistances between = distancesOf(0, 0);
    const EdgeDistances other = distancesOf(0, 1);
    for (std::size_t i = 0; i < between.size(); ++i) {
        between[i] = 0.5f * (between[i] + other[i]);
    }
    EXPECT_FALSE(shapes.identify(between, 0).has_value());
    // Far from every codeword.
    EXPECT_FALSE(shapes.identify({2.5f, 9.5f, 2.5f, 9.5f, 2.5f, 9.5f}, std::nullopt).has_value());
}

// The edges of codewords drawn one after the other from module `start`, with
// `scale` modules per drawn module, ending with the next bar's edge.
std::vector<ModuleEdge> edgesOf(const std::vector<std::pair<int, int>>& codewords, double start,
                                double scale) {
    std::vector<ModuleEdge> edges;
    double x = start;
    for (const auto& [cluster, codeword] : codewords) {
        bool bar = true;
        for (const int width : codewordElements(3 * cluster, codeword)) {
            edges.push_back({x, bar});
            x += width * scale;
            bar = !bar;
        }
    }
    edges.push_back({x, true});
    return edges;
}

TEST(CaptureCodewords, ReadAtTheirPlaceThoughScaleAndPlaceAreOff) {
    const CodewordShapes shapes;
    // Three codewords of cluster 1 drawn from module 33.1 at 1.04 modules a
    // module: the third is looked for at 68 but begins near 68.5.
    const std::vector<ModuleEdge> edges = edgesOf({{1, 17}, {1, 500}, {1, 928}}, 33.1, 1.04);
    struct Case {
        double nominal;
        std::optional<int> cluster;
        std::optional<int> expected;
    };
    const Case cases[] = {
        {34, 1, 17},
        {51, 1, 500},
        {68, 1, 928},
        {68, std::nullopt, 928},
        // In the wrong cluster, or where no codeword begins, nothing is read.
        {51, 2, std::nullopt},
        {120, 1, std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.nominal);
        const auto read = readCodewordAt(edges, test.nominal, test.cluster, shapes);
        ASSERT_EQ(read.has_value(), test.expected.has_value());
        if (read) {
            EXPECT_EQ(read->match.value, *test.expected);
            // Where it was drawn: 33.1 + 17 * 1.04 per codeword before it.
            const double drawnAt = 33.1 + 17 * 1.04 * std::round((test.nominal - 34) / 17);
            EXPECT_NEAR(read->start, drawnAt, 1e-9);
            EXPECT_NEAR(read->end, drawnAt + 17 * 1.04, 1e-9);
        }
    }
}

// Cluster 0's codewords 11 then 48 hold, two modules in, the edges of 142:
// read where 11 begins, 11 is what is read, whichever edge lies a little
// off, and 142 only where it is looked for two modules on.
TEST(CaptureCodewords, TheCodewordAtItsPlaceOutranksOneFurtherOn) {
    const CodewordShapes shapes;
    const std::vector<ModuleEdge> drawn = edgesOf({{0, 11}, {0, 48}}, 0, 1.0);
    for (std::size_t late = 0; late < drawn.size(); ++late) {
        SCOPED_TRACE(late);
        std::vector<ModuleEdge> edges = drawn;
        edges[late].x += 0.02;
        const auto read = readCodewordAt(edges, 0, 0, shapes);
        ASSERT_TRUE(read.has_value());
        EXPECT_EQ(read->match.value, 11);
    }
    const auto further = readCodewordAt(drawn, 2, 0, shapes);
    ASSERT_TRUE(further.has_value());
    EXPECT_EQ(further->match.value, 142);
}

// A codeword drawn `offset` modules from where it is looked for, with the
// next codeword's first bar, `nextBar` modules wide, under Gaussian blur
// `sigma`: the brightness where the templates sample a profile, each bar
// darkening a sample by the share of its blurred spread that falls there.
std::vector<float> blurredProfile(int cluster, int codeword, double offset, double sigma,
                                  int nextBar = 1) {
    std::vector<int> widths = codewordElements(3 * cluster, codeword);
    widths.push_back(nextBar);
    const double spread = sigma * std::sqrt(2.0);
    std::vector<float> profile;
    for (int i = 0; i < CodewordTemplates::kSampleCount; ++i) {
        const double x =
            (i + 0.5) / CodewordTemplates::kSamplesPerModule - CodewordTemplates::kBefore - offset;
        double darkness = 0;
        double at = 0;
        for (std::size_t e = 0; e < widths.size(); at += widths[e++]) {
            darkness +=
                e % 2 == 0
                    ? 0.5 * (std::erf((at + widths[e] - x) / spread) - std::erf((at - x) / spread))
                    : 0;
        }
        profile.push_back(static_cast<float>(1 - darkness));
    }
    return profile;
}

TEST(CaptureCodewords, TemplatesKnowABlurredCodewordAndWhereItLies) {
    for (const double sigma : {0.3, 0.5}) {
        for (int cluster = 0; cluster < 3; ++cluster) {
            const CodewordTemplates templates(cluster, sigma);
            for (const int codeword : {0, 1, 463, 928}) {
                for (const double offset : {-1.0, -0.25, 0.0, 0.5, 1.0}) {
                    SCOPED_TRACE(std::to_string(sigma) + " " + std::to_string(cluster) + "/" +
                                 std::to_string(codeword) + " at " + std::to_string(offset));
                    const auto match =
                        templates.identify(blurredProfile(cluster, codeword, offset, sigma));
                    ASSERT_TRUE(match.has_value());
                    EXPECT_EQ(match->value, codeword);
                    EXPECT_EQ(match->shift, offset);
                    EXPECT_NEAR(match->similarity, 1.0, 1e-4);
                    // A wider bar after it lies beyond the profile's end but
                    // for its blur: the same codeword, in the same place.
                    const auto wide =
                        templates.identify(blurredProfile(cluster, codeword, offset, sigma, 2));
                    ASSERT_TRUE(wide.has_value());
                    EXPECT_EQ(wide->value, codeword);
                    EXPECT_EQ(wide->shift, offset);
                }
            }
            // A codeword of another cluster is none of these, and paper is none.
            EXPECT_FALSE(
                templates.identify(blurredProfile((cluster + 1) % 3, 463, 0, sigma)).has_value());
            EXPECT_FALSE(templates.identify(std::vector<float>(CodewordTemplates::kSampleCount, 1))
                             .has_value());
        }
    }
}

}  // namespace
}  // namespace tessoran_test
