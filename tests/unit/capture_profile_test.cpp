// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numeric>
#include <tuple>
#include <vector>

#include "capture/CodewordTemplates.h"
#include "capture/GuardPatterns.h"
#include "capture/ProfileEdges.h"
#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::capture::CodewordTemplates;
using ostrel2::tessoran::capture::CodewordTemplateSet;
using ostrel2::tessoran::capture::Edge;
using ostrel2::tessoran::capture::EdgeFinder;
using ostrel2::tessoran::capture::findGuardHits;
using ostrel2::tessoran::capture::GuardHit;
using ostrel2::tessoran::capture::GuardKind;

struct Drawing {
    std::vector<float> profile;
    std::vector<double> edges;  // where ink and paper meet, in samples
};

// Elements (bar first) of `widths` modules, `module` samples each, between
// `margin` samples of paper: ink 40, paper 200, Gaussian blur of `blur`
// samples, seeded noise of about `noise` grey levels.
Drawing draw(const std::vector<int>& widths, double module, double margin, double blur,
             double noise) {
    Drawing drawing{{}, {margin}};
    for (const int width : widths) {
        drawing.edges.push_back(drawing.edges.back() + width * module);
    }
    // The last edge is the end of the last bar, or of a space before paper.
    if (widths.size() % 2 == 0) {
        drawing.edges.pop_back();
    }
    const auto count = static_cast<std::ptrdiff_t>(
        margin * 2 + module * std::reduce(widths.begin(), widths.end()));
    // Each sample covers [i - 0.5, i + 0.5): part ink where a bar overlaps it.
    std::vector<double> sharp;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        const auto at = static_cast<double>(i);
        double ink = 0;
        for (std::size_t bar = 0; bar + 1 < drawing.edges.size(); bar += 2) {
            ink += std::max(0.0, std::min(at + 0.5, drawing.edges[bar + 1]) -
                                     std::max(at - 0.5, drawing.edges[bar]));
        }
        sharp.push_back(200 - 160 * ink);
    }
    std::uint32_t state = 7;
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        double sum = 0;
        double weights = 0;
        for (std::ptrdiff_t j = std::max<std::ptrdiff_t>(0, i - 8); j <= std::min(count - 1, i + 8);
             ++j) {
            const double weight =
                blur > 0 ? std::exp(-0.5 * double((j - i) * (j - i)) / (blur * blur)) : (j == i);
            sum += weight * sharp[static_cast<std::size_t>(j)];
            weights += weight;
        }
        state = state * 1664525u + 1013904223u;
        drawing.profile.push_back(
            static_cast<float>(sum / weights + 2 * noise * ((state >> 8) / 16777216.0 - 0.5)));
    }
    return drawing;
}

TEST(CaptureProfile, EdgesOfBlurredNoisyElements) {
    // A start pattern and a codeword with one-module elements.
    const std::vector<int> widths = {8, 1, 1, 1, 1, 1, 1, 3, 3, 1, 1, 1, 1, 1, 3, 6};
    EdgeFinder finder;
    // Module, blur, noise and the edges' tolerance in samples; at a blur of 0.5
    // module with noise the single modules stay elements.
    for (const auto& [module, blur, noise, tolerance] :
         {std::tuple{4.0, 0.0, 0.0, 0.3}, {2.5, 1.0, 4.0, 0.6}, {3.0, 1.5, 8.0, 1.2}}) {
        SCOPED_TRACE(module);
        const Drawing drawing = draw(widths, module, 20, blur, noise);
        std::vector<Edge> edges;
        finder.find(drawing.profile, edges);
        ASSERT_EQ(edges.size(), drawing.edges.size());
        for (std::size_t i = 0; i < edges.size(); ++i) {
            EXPECT_EQ(edges[i].toDark, i % 2 == 0) << i;
            EXPECT_NEAR(edges[i].position, drawing.edges[i], tolerance) << i;
        }
    }
    // Paper with noise alone has no edges.
    std::vector<Edge> none;
    finder.find(draw({}, 1, 200, 0, 10).profile, none);
    EXPECT_TRUE(none.empty());
}

std::vector<GuardHit> hitsOf(const std::vector<int>& widths, double module) {
    const Drawing drawing = draw(widths, module, 30, 0.6, 2);
    EdgeFinder finder;
    std::vector<Edge> edges;
    finder.find(drawing.profile, edges);
    std::vector<GuardHit> hits;
    // Samples one pixel apart along the x axis, from x = 100.
    findGuardHits(edges, drawing.profile.size(), {100, 50}, {1, 0}, 0, hits);
    return hits;
}

TEST(CaptureProfile, GuardPatternsEitherWay) {
    const double module = 2.5;
    const double margin = 100 + 30;
    // Elements, the kind, x of where the widest bar begins (read from the
    // symbol's start side) and the sign of the inward direction along x.
    using enum GuardKind;
    const std::tuple<const char*, std::vector<int>, GuardKind, double, double> cases[] = {
        {"start", {8, 1, 1, 1, 1, 1, 1, 3, 2}, Start, margin, 1},
        {"start reversed", {2, 3, 1, 1, 1, 1, 1, 1, 8}, Start, margin + 19 * module, -1},
        {"stop", {7, 1, 1, 3, 1, 1, 1, 2, 1}, Stop, margin, -1},
        {"stop reversed", {1, 2, 1, 1, 1, 3, 1, 1, 7}, Stop, margin + 18 * module, 1},
        // The last bar washed out: two modules of its space and the module of
        // the bar read as paper.
        {"stop without its last bar", {7, 1, 1, 3, 1, 1, 1}, Stop, margin, -1},
        // A bar beyond the quiet zone does not hide the start pattern.
        {"start after a bar", {1, 4, 8, 1, 1, 1, 1, 1, 1, 3, 2}, Start, margin + 5 * module, 1},
    };
    for (const auto& [name, widths, kind, barStart, inwardX] : cases) {
        SCOPED_TRACE(name);
        const std::vector<GuardHit> hits = hitsOf(widths, module);
        ASSERT_EQ(hits.size(), 1u);
        EXPECT_EQ(hits[0].kind, kind);
        EXPECT_NEAR(hits[0].barStart().x, barStart, 0.7);
        EXPECT_NEAR(hits[0].module, module, 0.08);
        EXPECT_NEAR(hits[0].inward().x, inwardX, 1e-9);
        // A start pattern spans 17 modules, a stop pattern 18.
        const int modules = kind == Start ? 17 : 18;
        EXPECT_NEAR(std::abs(hits[0].inner.x - hits[0].outer.x), modules * module, 0.7);
    }
    // No quiet zone before the start pattern: a bar one module away.
    EXPECT_TRUE(hitsOf({1, 1, 8, 1, 1, 1, 1, 1, 1, 3, 2}, module).empty());
    // A codeword of the same width is no guard pattern.
    EXPECT_TRUE(hitsOf({5, 1, 1, 1, 1, 1, 2, 5}, module).empty());
}

// The edges of elements of `widths` modules, `module` samples each, from
// `from` on; the first element is a bar when `barFirst`.
std::vector<Edge> elementEdges(const std::vector<int>& widths, float from, float module,
                               bool barFirst) {
    std::vector<Edge> edges{{from, barFirst}};
    for (const int width : widths) {
        edges.push_back(
            {edges.back().position + static_cast<float>(width) * module, !edges.back().toDark});
    }
    return edges;
}

// A start pattern needs a module and a half of light beside its outside edge,
// on the profile's first samples or its last ones, and no less.
TEST(CaptureProfile, AStartPatternsQuietZoneIsAModuleAndAHalf) {
    constexpr float kModule = 10;
    const std::vector<int> start = {8, 1, 1, 1, 1, 1, 1, 3};
    const std::vector<int> reversed(start.rbegin(), start.rend());
    for (const float quiet : {1.5f, 1.4f}) {
        SCOPED_TRACE(quiet);
        // Read forwards: the light before the bar, from the profile's start;
        // read backwards: the light after it, to the profile's end, with a
        // codeword's bar before the pattern.
        const std::vector<Edge> forwards = elementEdges(start, quiet * kModule, kModule, true);
        const std::vector<Edge> backwards = elementEdges(reversed, 50, kModule, false);
        const auto forwardsEnd = static_cast<std::size_t>(forwards.back().position) + 100;
        const auto backwardsEnd =
            static_cast<std::size_t>(std::lround(backwards.back().position + quiet * kModule));
        for (const auto& [edges, samples] :
             {std::pair{forwards, forwardsEnd}, std::pair{backwards, backwardsEnd}}) {
            std::vector<GuardHit> hits;
            findGuardHits(edges, samples, {0, 0}, {1, 0}, 0, hits);
            ASSERT_EQ(hits.size(), quiet >= 1.5f ? 1u : 0u)
                << (edges[0].toDark ? "forwards" : "backwards");
            if (!hits.empty()) {
                EXPECT_EQ(hits[0].kind, GuardKind::Start);
                EXPECT_NEAR(hits[0].module, kModule, 1e-6);
            }
        }
    }
}

// A template's samples of `codeword` in `cluster` and the next codeword's
// first bar, `late` modules after where the template expects it.
std::vector<float> codewordProfile(int cluster, int codeword, double late, double blur,
                                   double noise) {
    std::vector<int> widths = codewordElements(cluster, codeword);
    widths.push_back(2);
    constexpr double kModule = CodewordTemplates::kSamplesPerModule;
    const Drawing drawing =
        draw(widths, kModule, (CodewordTemplates::kBefore + late) * kModule - 0.5, blur * kModule,
             noise);
    return {drawing.profile.begin(), drawing.profile.begin() + CodewordTemplates::kSampleCount};
}

const std::vector<float> kPaper(CodewordTemplates::kSampleCount, 200.0f);

// One picture's templates look at so many profiles, and no more.
TEST(CaptureProfile, TemplatesHaveABudget) {
    const std::vector<float> codeword = codewordProfile(6, 321, 0, 0.3, 2);
    CodewordTemplateSet set;
    for (int i = 1; i < CodewordTemplateSet::kProfileBudget; ++i) {
        ASSERT_FALSE(set.identify(2, kPaper).has_value());
    }
    const auto last = set.identify(2, codeword);
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->value, 321);
    EXPECT_FALSE(set.identify(2, codeword).has_value());
    EXPECT_FALSE(CodewordTemplateSet().identify(3, codeword).has_value());
}

}  // namespace
}  // namespace tessoran_test
