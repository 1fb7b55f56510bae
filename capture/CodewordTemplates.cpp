// SPDX-License-Identifier: Apache-2.0
#include "capture/CodewordTemplates.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

#include "symbol/CodewordPatternTable.h"

namespace ostrel2::tessoran::capture {

namespace {

// Accepted: a correlation of at least this, ...
constexpr float kMinSimilarity = 0.85f;
// ... and this much above the next best codeword's.
constexpr float kMinLead = 0.06f;

constexpr int kLanes = 4;
static_assert(CodewordTemplates::kSampleCount % kLanes == 0);

// How dark a sample at `u` modules from a module's start is when only that
// module is ink, under Gaussian blur of `sigma` modules.
double moduleCoverage(double u, double sigma) {
    if (sigma <= 0) {
        return u >= 0 && u < 1 ? 1.0 : 0.0;
    }
    const double scale = 1 / (sigma * std::sqrt(2.0));
    return 0.5 * (std::erf((1 - u) * scale) - std::erf(-u * scale));
}

// The length of `values` less their mean.
double centredLength(std::span<const float> values) {
    double sum = 0;
    for (const float v : values) {
        sum += v;
    }
    const double mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (const float v : values) {
        squares += (v - mean) * (v - mean);
    }
    return squares > 1e-9 ? std::sqrt(squares) : 0.0;
}

// Centres `values` and scales them to unit length; false when they are flat.
bool normalise(std::span<float> values) {
    double sum = 0;
    for (const float v : values) {
        sum += v;
    }
    const double mean = sum / static_cast<double>(values.size());
    double squares = 0;
    for (float& v : values) {
        v = static_cast<float>(v - mean);
        squares += static_cast<double>(v) * v;
    }
    if (!(squares > 1e-9)) {
        return false;
    }
    const auto scale = static_cast<float>(1 / std::sqrt(squares));
    for (float& v : values) {
        v *= scale;
    }
    return true;
}

}  // namespace

CodewordTemplates::CodewordTemplates(std::int32_t cluster, double blur)
    : darkness(static_cast<std::size_t>(kCodewordValueCount) * kSpan, 0.0f),
      scale(static_cast<std::size_t>(kCodewordValueCount)) {
    // Sample i of the window of shift s lies at -kBefore + (i + 0.5) /
    // kSamplesPerModule modules; the codeword, moved by (s - 4) quarters,
    // begins module k at (s - 4) / 4 + k. Kept at j = i + kShifts - 1 - s,
    // the sample's place in module k depends only on q = j - 4k, and the
    // darkness one module gives it is looked up by q.
    constexpr int kModules = 18;  // the codeword's 17 and the next codeword's first bar
    constexpr int kLowest = -kSamplesPerModule * (kModules - 1);
    std::array<float, kSpan - kLowest> response{};
    for (int q = kLowest; q < kSpan; ++q) {
        const double u = (q - (kShifts - 1) + 0.5 + kShifts / 2) / kSamplesPerModule - kBefore;
        response[static_cast<std::size_t>(q - kLowest)] =
            static_cast<float>(moduleCoverage(u, blur));
    }
    for (int value = 0; value < kCodewordValueCount; ++value) {
        const std::uint32_t packed =
            codewordElementWidths[cluster][static_cast<std::size_t>(value)];
        std::array<bool, kModules> ink{};
        int module = 0;
        for (int element = 0; element < 8; ++element) {
            for (int i = 0; i < codewordElementWidth(packed, element); ++i, ++module) {
                ink[static_cast<std::size_t>(module)] = element % 2 == 0;
            }
        }
        ink[kModules - 1] = true;
        float* out = &darkness[static_cast<std::size_t>(value) * kSpan];
        for (int k = 0; k < kModules; ++k) {
            if (ink[static_cast<std::size_t>(k)]) {
                for (int j = 0; j < kSpan; ++j) {
                    out[j] +=
                        response[static_cast<std::size_t>(j - kSamplesPerModule * k - kLowest)];
                }
            }
        }
        for (int shift = 0; shift < kShifts; ++shift) {
            std::array<float, kSampleCount> window;
            std::copy_n(out + (kShifts - 1 - shift), kSampleCount, window.begin());
            const double length = centredLength(window);
            scale[static_cast<std::size_t>(value)][static_cast<std::size_t>(shift)] =
                length > 0 ? static_cast<float>(1 / length) : 0.0f;
        }
    }
}

std::optional<CodewordTemplates::Match> CodewordTemplates::identify(
    std::span<const float> profile) const {
    if (profile.size() != static_cast<std::size_t>(kSampleCount)) {
        return std::nullopt;
    }
    // Darkness, centred and of unit length. Centred, it gives a window of a
    // template the same sum whether or not that window is centred too.
    std::array<float, kSampleCount> seen{};
    for (int i = 0; i < kSampleCount; ++i) {
        seen[static_cast<std::size_t>(i)] = -profile[static_cast<std::size_t>(i)];
    }
    if (!normalise(seen)) {
        return std::nullopt;
    }
    std::array<float, kCodewordValueCount> bestOfValue{};
    std::array<int, kCodewordValueCount> bestShift{};
    for (int value = 0; value < kCodewordValueCount; ++value) {
        const float* t = &darkness[static_cast<std::size_t>(value) * kSpan];
        const auto& scales = scale[static_cast<std::size_t>(value)];
        // Every shift's sum at once, each in four lanes: the compiler makes
        // each shift's lanes one vector operation, and the shifts' sums do
        // not wait for each other. This is where a blurred symbol's reading
        // spends its time.
        std::array<std::array<float, kLanes>, kShifts> lanes{};
        for (int i = 0; i < kSampleCount; i += kLanes) {
            for (int shift = 0; shift < kShifts; ++shift) {
                const float* window = t + (kShifts - 1 - shift) + i;
                for (int lane = 0; lane < kLanes; ++lane) {
                    lanes[static_cast<std::size_t>(shift)][static_cast<std::size_t>(lane)] +=
                        window[lane] * seen[static_cast<std::size_t>(i + lane)];
                }
            }
        }
        for (int shift = 0; shift < kShifts; ++shift) {
            const auto& sums = lanes[static_cast<std::size_t>(shift)];
            const float similarity = ((sums[0] + sums[1]) + (sums[2] + sums[3])) *
                                     scales[static_cast<std::size_t>(shift)];
            auto& best = bestOfValue[static_cast<std::size_t>(value)];
            if (shift == 0 || similarity > best) {
                best = similarity;
                bestShift[static_cast<std::size_t>(value)] = shift;
            }
        }
    }
    int winner = 0;
    float runnerUp = -2;
    for (int value = 1; value < kCodewordValueCount; ++value) {
        if (bestOfValue[static_cast<std::size_t>(value)] >
            bestOfValue[static_cast<std::size_t>(winner)]) {
            runnerUp = bestOfValue[static_cast<std::size_t>(winner)];
            winner = value;
        } else {
            runnerUp = std::max(runnerUp, bestOfValue[static_cast<std::size_t>(value)]);
        }
    }
    const float similarity = bestOfValue[static_cast<std::size_t>(winner)];
    if (similarity < kMinSimilarity || similarity - runnerUp < kMinLead) {
        return std::nullopt;
    }
    return Match{winner, (bestShift[static_cast<std::size_t>(winner)] - kShifts / 2) * 0.25,
                 similarity};
}

const CodewordTemplates& CodewordTemplateSet::sharedTemplates(std::int32_t cluster,
                                                              std::size_t blur) {
    // Made once a process, each when first needed, and never changed: a
    // reading makes its own set, and making templates costs as much as
    // comparing hundreds of profiles with them.
    constexpr std::size_t kBlurCount = std::size(kBlurs);
    static std::array<std::once_flag, 3 * kBlurCount> once;
    static std::array<std::optional<CodewordTemplates>, 3 * kBlurCount> made;
    const std::size_t slot = static_cast<std::size_t>(cluster) * kBlurCount + blur;
    std::call_once(once[slot], [&] { made[slot].emplace(cluster, kBlurs[blur]); });
    return *made[slot];
}

std::optional<CodewordTemplates::Match> CodewordTemplateSet::identify(
    std::int32_t cluster, std::span<const float> profile) {
    if (profilesLeft <= 0 || cluster < 0 || cluster >= 3) {
        return std::nullopt;
    }
    --profilesLeft;
    std::optional<CodewordTemplates::Match> best;
    for (std::size_t blur = 0; blur < std::size(kBlurs); ++blur) {
        const auto match = sharedTemplates(cluster, blur).identify(profile);
        if (match && (!best || match->similarity > best->similarity)) {
            best = match;
        }
    }
    return best;
}

}  // namespace ostrel2::tessoran::capture
