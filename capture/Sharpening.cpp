// SPDX-License-Identifier: Apache-2.0
#include "capture/Sharpening.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ostrel2::tessoran::capture {

namespace {

// Edges are looked for along every sixteenth row and column, in windows of
// sixteen pixels half a window apart, and each is measured against the
// contrast of twice its length about it: wide enough to hold an edge blurred
// over several pixels with the ground on either side of it.
constexpr std::int32_t kLineStep = 16;
constexpr std::int32_t kWindow = 16;
constexpr std::int32_t kWindowStep = kWindow / 2;
// A window counts when its surroundings' darkest and lightest pixels differ
// by this much: print against paper, not the grain of the paper or of the
// sensor.
constexpr int kMinEdgeContrast = 48;
// The sharpest quarter of the edges tells the picture's focus: the rest
// are thin elements that never reach full contrast, shadows and texture.
constexpr double kSharpShare = 0.25;

// How far from the pixel's own brightness sharpening moves it, in units of
// its difference from its surroundings' blur.
constexpr float kSharpenAmount = 3.0f;
// The blur that sharpening subtracts, in pixels: about the blur of a module
// of two to four pixels under a blur of two thirds of a module.
constexpr double kSharpenRadius = 1.5;
constexpr int kKernelReach = 5;  // pixels either side: over three radii
constexpr int kKernelSize = 2 * kKernelReach + 1;

// The steepest step between neighbours in each window of the `count`
// pixels from `first`, `stride` apart, as a share of the contrast about it.
void collectSteepness(const std::uint8_t* first, std::int32_t count, std::ptrdiff_t stride,
                      std::vector<double>& steepness) {
    for (std::int32_t start = 0; start + kWindow <= count; start += kWindowStep) {
        int steepest = 0;
        for (std::int32_t i = start + 1; i < start + kWindow; ++i) {
            steepest = std::max(steepest, std::abs(first[i * stride] - first[(i - 1) * stride]));
        }
        const std::int32_t from = std::max(0, start - kWindowStep);
        const std::int32_t to = std::min(count, start + kWindow + kWindowStep);
        int lowest = first[from * stride];
        int highest = lowest;
        for (std::int32_t i = from + 1; i < to; ++i) {
            lowest = std::min<int>(lowest, first[i * stride]);
            highest = std::max<int>(highest, first[i * stride]);
        }
        if (highest - lowest >= kMinEdgeContrast) {
            steepness.push_back(static_cast<double>(steepest) / (highest - lowest));
        }
    }
}

// The Gaussian blur under which a clean step rises by `share` of its height
// from one pixel to the next at its middle: the share falls as the blur
// grows, and is found by halving the interval.
double blurOfSteepness(double share) {
    double low = 0.05;
    double high = 50.0;
    for (int i = 0; i < 40; ++i) {
        const double middle = 0.5 * (low + high);
        if (std::erf(0.5 / (middle * std::sqrt(2.0))) > share) {
            low = middle;
        } else {
            high = middle;
        }
    }
    return 0.5 * (low + high);
}

std::array<float, kKernelSize> gaussianKernel() {
    std::array<float, kKernelSize> kernel{};
    double total = 0;
    for (int i = 0; i < kKernelSize; ++i) {
        const double d = i - kKernelReach;
        const double weight = std::exp(-d * d / (2 * kSharpenRadius * kSharpenRadius));
        kernel[static_cast<std::size_t>(i)] = static_cast<float>(weight);
        total += weight;
    }
    for (float& weight : kernel) {
        weight = static_cast<float>(weight / total);
    }
    return kernel;
}

}  // namespace

double edgeBlur(const GreyImage& image) {
    std::vector<double> steepness;
    const std::uint8_t* pixels = image.pixels.data();
    for (std::int32_t y = kLineStep / 2; y < image.height; y += kLineStep) {
        collectSteepness(pixels + static_cast<std::ptrdiff_t>(y) * image.width, image.width, 1,
                         steepness);
    }
    for (std::int32_t x = kLineStep / 2; x < image.width; x += kLineStep) {
        collectSteepness(pixels + x, image.height, image.width, steepness);
    }
    if (steepness.empty()) {
        return 0;
    }
    const auto sharp =
        steepness.begin() +
        static_cast<std::ptrdiff_t>((1 - kSharpShare) * static_cast<double>(steepness.size() - 1));
    std::nth_element(steepness.begin(), sharp, steepness.end());
    return blurOfSteepness(*sharp);
}

void sharpen(GreyImage& image) {
    if (image.width <= 0 || image.height <= 0) {
        return;
    }
    const std::array<float, kKernelSize> kernel = gaussianKernel();
    const auto width = static_cast<std::size_t>(image.width);
    // Each row blurred along itself, for the rows within the kernel's reach of
    // the row being sharpened; row r in slot r mod kKernelSize. They are made
    // before the row itself is overwritten, so the picture is changed in place.
    std::vector<float> blurredRows(kKernelSize * width);
    std::vector<float> padded(width + 2 * kKernelReach);
    const auto blurRow = [&](std::int32_t r) {
        const std::uint8_t* row =
            &image.pixels[static_cast<std::size_t>(std::clamp(r, 0, image.height - 1)) * width];
        std::fill_n(padded.begin(), kKernelReach, static_cast<float>(row[0]));
        std::copy_n(row, width, padded.begin() + kKernelReach);
        std::fill_n(padded.end() - kKernelReach, kKernelReach, static_cast<float>(row[width - 1]));
        const std::size_t slot =
            static_cast<std::size_t>(((r % kKernelSize) + kKernelSize) % kKernelSize);
        float* out = &blurredRows[slot * width];
        for (std::size_t x = 0; x < width; ++x) {
            float sum = 0;
            for (std::size_t k = 0; k < kKernelSize; ++k) {
                sum += kernel[k] * padded[x + k];
            }
            out[x] = sum;
        }
    };
    for (std::int32_t r = -kKernelReach; r < kKernelReach; ++r) {
        blurRow(r);
    }
    std::vector<float> blurred(width);
    for (std::int32_t y = 0; y < image.height; ++y) {
        blurRow(y + kKernelReach);
        std::fill(blurred.begin(), blurred.end(), 0.0f);
        for (std::int32_t k = 0; k < kKernelSize; ++k) {
            const std::int32_t r = y - kKernelReach + k;
            const std::size_t slot =
                static_cast<std::size_t>(((r % kKernelSize) + kKernelSize) % kKernelSize);
            const float weight = kernel[static_cast<std::size_t>(k)];
            const float* row = &blurredRows[slot * width];
            for (std::size_t x = 0; x < width; ++x) {
                blurred[x] += weight * row[x];
            }
        }
        std::uint8_t* row = &image.pixels[static_cast<std::size_t>(y) * width];
        for (std::size_t x = 0; x < width; ++x) {
            const float value = row[x] + kSharpenAmount * (row[x] - blurred[x]);
            row[x] = static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
        }
    }
}

}  // namespace ostrel2::tessoran::capture
