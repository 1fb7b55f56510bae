#include "capture/CodewordTemplates.h"

#include <array>
#include <cmath>

#include "reader/CodewordPatternTable.h"

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

CodewordTemplates::CodewordTemplates(std::int32_t cluster, double blur) {
    templates.assign(static_cast<std::size_t>(kShifts) * kCodewordValueCount * kSampleCount, 0.0f);
    // Sample i lies at -kBefore + (i + 0.5) / kSamplesPerModule; with the
    // codeword shifted by shiftIndex quarters less four, module k of it begins
    // at (shiftIndex - 4) / 4 + k. So a sample's place in a module depends
    // only on q = i - shiftIndex - 4k, and the darkness one module gives it
    // is looked up by q.
    constexpr int kModules = 18;  // the codeword's 17 and the next codeword's first bar
    constexpr int kLowest = -(kShifts - 1) - kSamplesPerModule * (kModules - 1);
    constexpr int kHighest = kSampleCount;
    std::array<float, kHighest - kLowest + 1> response{};
    for (int q = kLowest; q <= kHighest; ++q) {
        const double u = (q + 0.5 + kShifts / 2) / kSamplesPerModule - kBefore;
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
        for (int shiftIndex = 0; shiftIndex < kShifts; ++shiftIndex) {
            float* out = &templates[(static_cast<std::size_t>(shiftIndex) * kCodewordValueCount +
                                     static_cast<std::size_t>(value)) *
                                    kSampleCount];
            for (int k = 0; k < kModules; ++k) {
                if (!ink[static_cast<std::size_t>(k)]) {
                    continue;
                }
                for (int i = 0; i < kSampleCount; ++i) {
                    out[i] += response[static_cast<std::size_t>(i - shiftIndex -
                                                                kSamplesPerModule * k - kLowest)];
                }
            }
            normalise(std::span<float>(out, kSampleCount));
        }
    }
}

std::optional<CodewordTemplates::Match> CodewordTemplates::identify(
    std::span<const float> profile) const {
    if (profile.size() != static_cast<std::size_t>(kSampleCount)) {
        return std::nullopt;
    }
    // Darkness, as the templates hold it.
    std::array<float, kSampleCount> seen{};
    for (int i = 0; i < kSampleCount; ++i) {
        seen[static_cast<std::size_t>(i)] = -profile[static_cast<std::size_t>(i)];
    }
    if (!normalise(seen)) {
        return std::nullopt;
    }
    std::array<float, kCodewordValueCount> bestOfValue{};
    std::array<int, kCodewordValueCount> bestShift{};
    for (int shiftIndex = 0; shiftIndex < kShifts; ++shiftIndex) {
        for (int value = 0; value < kCodewordValueCount; ++value) {
            const float* t =
                &templates[(static_cast<std::size_t>(shiftIndex) * kCodewordValueCount +
                            static_cast<std::size_t>(value)) *
                           kSampleCount];
            // Four sums side by side, which the compiler turns into one
            // vector operation; one running sum would keep it a sample at a
            // time, and this is where a blurred symbol's reading spends its
            // time.
            std::array<float, kLanes> lanes{};
            for (int i = 0; i < kSampleCount; i += kLanes) {
                for (int lane = 0; lane < kLanes; ++lane) {
                    lanes[static_cast<std::size_t>(lane)] +=
                        t[i + lane] * seen[static_cast<std::size_t>(i + lane)];
                }
            }
            const float similarity = (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
            auto& best = bestOfValue[static_cast<std::size_t>(value)];
            if (shiftIndex == 0 || similarity > best) {
                best = similarity;
                bestShift[static_cast<std::size_t>(value)] = shiftIndex;
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

}  // namespace ostrel2::tessoran::capture
