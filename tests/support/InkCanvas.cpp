// SPDX-License-Identifier: Apache-2.0
#include "support/InkCanvas.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "support/SeededRandom.h"

namespace tessoran_test {

namespace {

double distanceToSegment(Point point, const Stroke& stroke) {
    const double dx = stroke.to.x - stroke.from.x;
    const double dy = stroke.to.y - stroke.from.y;
    const double lengthSquared = dx * dx + dy * dy;
    double along = 0.0;
    if (lengthSquared > 0.0) {
        along = std::clamp(
            ((point.x - stroke.from.x) * dx + (point.y - stroke.from.y) * dy) / lengthSquared, 0.0,
            1.0);
    }
    return std::hypot(point.x - (stroke.from.x + along * dx),
                      point.y - (stroke.from.y + along * dy));
}

std::vector<float> gaussianKernel(double sigma) {
    const int radius = std::max(1, static_cast<int>(std::ceil(3.0 * sigma)));
    std::vector<float> kernel(static_cast<std::size_t>(2 * radius + 1));
    double sum = 0.0;
    for (int i = -radius; i <= radius; ++i) {
        const double weight = std::exp(-0.5 * i * i / (sigma * sigma));
        kernel[static_cast<std::size_t>(i + radius)] = static_cast<float>(weight);
        sum += weight;
    }
    for (float& weight : kernel) {
        weight = static_cast<float>(weight / sum);
    }
    return kernel;
}

// One pass of the separable blur over `count` lines of `length` samples,
// consecutive samples `step` apart and lines `lineStep` apart.
void blurLines(std::vector<float>& values, const std::vector<float>& kernel, int count, int length,
               std::size_t lineStep, std::size_t step) {
    const int radius = static_cast<int>(kernel.size() / 2);
    std::vector<float> line(static_cast<std::size_t>(length));
    for (std::size_t first = 0; first < static_cast<std::size_t>(count) * lineStep;
         first += lineStep) {
        const auto value = [&](int i) -> float& { return values[first + i * step]; };
        for (int i = 0; i < length; ++i) {
            line[i] = value(i);
        }
        for (int i = 0; i < length; ++i) {
            float sum = 0.0f;
            for (int k = -radius; k <= radius; ++k) {
                sum += kernel[k + radius] * line[std::clamp(i + k, 0, length - 1)];
            }
            value(i) = sum;
        }
    }
}

// The coverage at (x, y) between pixel centres, bilinearly; outside the
// canvas the nearest border pixel's.
float coverageBetween(const InkCanvas& canvas, const std::vector<float>& values, double x,
                      double y) {
    const double left = std::floor(x);
    const double top = std::floor(y);
    const auto across = static_cast<float>(x - left);
    const auto down = static_cast<float>(y - top);
    const auto value = [&](double column, double row) {
        const int c = std::clamp(static_cast<int>(column), 0, canvas.width - 1);
        const int r = std::clamp(static_cast<int>(row), 0, canvas.height - 1);
        return values[static_cast<std::size_t>(r) * canvas.width + c];
    };
    return (1 - down) * ((1 - across) * value(left, top) + across * value(left + 1, top)) +
           down * ((1 - across) * value(left, top + 1) + across * value(left + 1, top + 1));
}

double channel(std::uint32_t rgb, int shift) {
    return static_cast<double>((rgb >> shift) & 0xFF);
}

}  // namespace

float sampledCoverage(int row, int column, int supersampling,
                      const std::function<bool(Point)>& inside) {
    const double step = 1.0 / supersampling;
    int count = 0;
    for (int i = 0; i < supersampling; ++i) {
        for (int j = 0; j < supersampling; ++j) {
            count += inside({column + (j + 0.5) * step, row + (i + 0.5) * step}) ? 1 : 0;
        }
    }
    return static_cast<float>(count) / static_cast<float>(supersampling * supersampling);
}

void drawStrokes(InkCanvas& canvas, const std::vector<Stroke>& strokes, int supersampling,
                 const std::function<bool(Point)>& keepOut) {
    for (const Stroke& stroke : strokes) {
        // The pixels the stroke may reach along one axis, within `size`.
        const auto reach = [&](double from, double to, int size) {
            return std::pair{
                std::max(
                    0, static_cast<int>(std::floor(std::min(from, to) - (stroke.halfWidth + 1.0)))),
                std::min(size - 1, static_cast<int>(
                                       std::ceil(std::max(from, to) + (stroke.halfWidth + 1.0))))};
        };
        const auto [left, right] = reach(stroke.from.x, stroke.to.x, canvas.width);
        const auto [top, bottom] = reach(stroke.from.y, stroke.to.y, canvas.height);
        for (int row = top; row <= bottom; ++row) {
            for (int column = left; column <= right; ++column) {
                const Point centre{column + 0.5, row + 0.5};
                if (distanceToSegment(centre, stroke) > stroke.halfWidth + 0.75 ||
                    keepOut(centre)) {
                    continue;
                }
                float& pixel = canvas.at(row, column);
                pixel =
                    std::max(pixel, sampledCoverage(row, column, supersampling, [&](Point sample) {
                                 return distanceToSegment(sample, stroke) <= stroke.halfWidth;
                             }));
            }
        }
    }
}

void blur(InkCanvas& canvas, double sigma) {
    if (sigma <= 0.0 || canvas.coverage.empty()) {
        return;
    }
    const std::vector<float> kernel = gaussianKernel(sigma);
    const auto width = static_cast<std::size_t>(canvas.width);
    blurLines(canvas.coverage, kernel, canvas.height, canvas.width, width, 1);
    blurLines(canvas.coverage, kernel, canvas.width, canvas.height, 1, width);
}

void motionBlur(InkCanvas& canvas, double length, double angleDegrees) {
    if (length <= 0.0 || canvas.coverage.empty()) {
        return;
    }
    // Samples half a pixel apart or closer along the line, both ends included.
    const int samples = static_cast<int>(std::ceil(2.0 * length)) + 1;
    const double angle = angleDegrees * std::numbers::pi / 180.0;
    std::vector<Point> offsets;
    for (int s = 0; s < samples; ++s) {
        const double along = length * (static_cast<double>(s) / (samples - 1) - 0.5);
        offsets.push_back({along * std::cos(angle), along * std::sin(angle)});
    }
    const std::vector<float> sharp = canvas.coverage;
    for (int row = 0; row < canvas.height; ++row) {
        for (int column = 0; column < canvas.width; ++column) {
            float sum = 0.0f;
            for (const Point& offset : offsets) {
                sum += coverageBetween(canvas, sharp, column + offset.x, row + offset.y);
            }
            canvas.at(row, column) = sum / static_cast<float>(samples);
        }
    }
}

ArgbImage shade(const InkCanvas& canvas, const Shading& shading) {
    ArgbImage image = solidImage(canvas.width, canvas.height, 0);
    SeededRandom random(shading.seed);
    const double stepSquared =
        shading.lightStep.x * shading.lightStep.x + shading.lightStep.y * shading.lightStep.y;
    for (int row = 0; row < canvas.height; ++row) {
        for (int column = 0; column < canvas.width; ++column) {
            const double ink = canvas.coverage[image.indexOf(row, column)];
            if (shading.transparent) {
                const auto alpha = static_cast<std::uint32_t>(std::lround(255.0 * ink));
                image.set(row, column, alpha << 24);
                continue;
            }
            double light = 1.0;
            if (shading.lightFalloff > 0.0) {
                const double along = ((column + 0.5 - shading.lightStart.x) * shading.lightStep.x +
                                      (row + 0.5 - shading.lightStart.y) * shading.lightStep.y) /
                                     stepSquared;
                light = 1.0 - shading.lightFalloff * std::clamp(along, 0.0, 1.0);
            }
            const std::uint32_t paper =
                shading.paperAt ? shading.paperAt(row, column) : shading.paperColour;
            std::uint32_t pixel = kOpaqueBlack;
            for (const int shift : {16, 8, 0}) {
                double level = light * (channel(paper, shift) * (1.0 - ink) +
                                        channel(shading.inkColour, shift) * ink);
                if (shading.noiseLevels > 0.0) {
                    level += random.normal(0.0, shading.noiseLevels);
                }
                pixel |= static_cast<std::uint32_t>(std::clamp(std::lround(level), 0L, 255L))
                         << shift;
            }
            image.set(row, column, pixel);
        }
    }
    return image;
}

}  // namespace tessoran_test
