// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>

#include "capture/Sharpening.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::capture::edgeBlur;
using ostrel2::tessoran::capture::GreyImage;
using ostrel2::tessoran::capture::sharpen;

constexpr double kInk = 30;
constexpr double kPaper = 220;

GreyImage pictureOf(std::int32_t width, std::int32_t height,
                    const std::function<double(std::int32_t, std::int32_t)>& brightness) {
    GreyImage image{width, height, {}};
    image.pixels.resize(static_cast<std::size_t>(width) * height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            image.pixels[static_cast<std::size_t>(y) * width + x] =
                static_cast<std::uint8_t>(std::lround(std::clamp(brightness(x, y), 0.0, 255.0)));
        }
    }
    return image;
}

// Ink up to `edge`, paper beyond it, under Gaussian blur of `blur` pixels
// (0 for none), as pixel centres see it.
double blurredStep(double position, double edge, double blur) {
    const double share = blur > 0
                             ? 0.5 * (1 + std::erf((position - edge) / (blur * std::sqrt(2.0))))
                             : (position > edge ? 1.0 : 0.0);
    return kInk + (kPaper - kInk) * share;
}

// Vertical edges every 20 pixels, each half a pixel off a pixel centre.
GreyImage stripes(double blur) {
    return pictureOf(160, 160, [blur](std::int32_t x, std::int32_t) {
        const int stripe = x / 20;
        const double edge = stripe * 20 + 9.5;
        return stripe % 2 == 0 ? blurredStep(x, edge, blur) : blurredStep(-x, -edge, blur);
    });
}

TEST(EdgeBlur, MeasuresTheBlurOfCleanEdgesEitherWayRound) {
    for (const double blur : {1.0, 1.5, 2.0, 3.0}) {
        const GreyImage across = stripes(blur);
        GreyImage down = across;
        for (std::int32_t y = 0; y < down.height; ++y) {
            for (std::int32_t x = 0; x < down.width; ++x) {
                down.pixels[static_cast<std::size_t>(y) * down.width + x] = across.at(y, x);
            }
        }
        EXPECT_NEAR(edgeBlur(across), blur, 0.15 * blur) << blur;
        EXPECT_NEAR(edgeBlur(down), blur, 0.15 * blur) << blur;
    }
}

TEST(EdgeBlur, SharpEdgesAreFarBelowSoftAndPaperAloneHasNone) {
    EXPECT_LT(edgeBlur(stripes(0)), 0.6);
    EXPECT_GE(edgeBlur(stripes(2.0)), ostrel2::tessoran::capture::kSoftEdgeBlur);
    const GreyImage grain = pictureOf(100, 100, [](std::int32_t x, std::int32_t y) {
        return kPaper + ((x * 7 + y * 13) % 11) - 5;
    });
    EXPECT_EQ(edgeBlur(grain), 0);
    EXPECT_EQ(edgeBlur(GreyImage{}), 0);
}

// Modules of three pixels alternating ink and paper, blurred by three
// quarters of a module: how far apart the middles of neighbouring modules are.
TEST(Sharpen, BringsBackTheRippleOfSingleModules) {
    constexpr double kModule = 3;
    constexpr double kBlur = 0.75 * kModule;
    GreyImage image = pictureOf(120, 40, [](std::int32_t x, std::int32_t) {
        double value = 0;
        for (int k = -12; k <= 52; ++k) {
            const double inkShare =
                0.5 * (std::erf((x - k * kModule + 0.5) / (kBlur * std::sqrt(2.0))) -
                       std::erf((x - (k + 1) * kModule + 0.5) / (kBlur * std::sqrt(2.0))));
            value += (k % 2 == 0 ? 1.0 : 0.0) * inkShare;
        }
        return kPaper - (kPaper - kInk) * value;
    });
    const auto ripple = [](const GreyImage& picture) {
        // Module 20 is ink, 21 paper; their middles are pixels 61 and 64.
        return static_cast<int>(picture.at(64, 20)) - static_cast<int>(picture.at(61, 20));
    };
    const int before = ripple(image);
    ASSERT_GT(before, 0);
    ASSERT_LT(before, 0.15 * (kPaper - kInk));
    sharpen(image);
    EXPECT_GE(ripple(image), 2.5 * before);
}

TEST(Sharpen, LeavesFlatGreyAloneToTheBorders) {
    GreyImage image = pictureOf(37, 23, [](std::int32_t, std::int32_t) { return 140.0; });
    const GreyImage before = image;
    sharpen(image);
    EXPECT_EQ(image.pixels, before.pixels);
}

// A row's result depends on the rows within the blur's reach alone: the top
// of a tall picture sharpens as a picture of that top alone does, except
// near where the shorter one ends. Rows are sharpened in place, one after
// another, so this is also what shows that no row is read after it was
// overwritten.
TEST(Sharpen, EachRowDependsOnItsNeighboursOnly) {
    const auto brightness = [](std::int32_t x, std::int32_t y) {
        return 128 + 100 * std::sin(x * 0.9 + y * 0.4) * std::cos(y * 1.3 - x * 0.2);
    };
    GreyImage tall = pictureOf(31, 60, brightness);
    GreyImage top = pictureOf(31, 30, brightness);
    sharpen(tall);
    sharpen(top);
    constexpr std::int32_t kUnaffectedRows = 30 - 8;
    for (std::int32_t y = 0; y < kUnaffectedRows; ++y) {
        for (std::int32_t x = 0; x < 31; ++x) {
            ASSERT_EQ(tall.at(x, y), top.at(x, y)) << x << ", " << y;
        }
    }
    bool differs = false;
    for (std::int32_t x = 0; x < 31; ++x) {
        differs = differs || tall.at(x, 29) != top.at(x, 29);
    }
    EXPECT_TRUE(differs) << "the shorter picture's last row sees its own border";
}

// Sharpening treats left and right alike: a picture dark on its left and
// light on its right, sharpened and then mirrored, is the mirrored picture
// sharpened (to a level of rounding, the sums running the other way).
TEST(Sharpen, MirroredPicturesSharpenMirrored) {
    const auto brightness = [](std::int32_t x, std::int32_t y) {
        return 20 + 6 * x + 40 * std::sin(x * 0.7 + y * 1.1);
    };
    constexpr std::int32_t kWidth = 35;
    GreyImage picture = pictureOf(kWidth, 24, brightness);
    GreyImage mirrored = pictureOf(
        kWidth, 24, [&](std::int32_t x, std::int32_t y) { return brightness(kWidth - 1 - x, y); });
    sharpen(picture);
    sharpen(mirrored);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        for (std::int32_t x = 0; x < kWidth; ++x) {
            ASSERT_NEAR(picture.at(x, y), mirrored.at(kWidth - 1 - x, y), 1) << x << ", " << y;
        }
    }
}

TEST(Sharpen, PicturesWithoutPixelsAreLeftAsTheyAre) {
    for (const auto& [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
        GreyImage image{width, height, {}};
        sharpen(image);
        EXPECT_TRUE(image.pixels.empty());
        EXPECT_EQ(edgeBlur(image), 0);
    }
}

TEST(Sharpen, ClampsToBlackAndWhite) {
    GreyImage image =
        pictureOf(40, 40, [](std::int32_t x, std::int32_t) { return x < 20 ? 5.0 : 250.0; });
    sharpen(image);
    EXPECT_EQ(image.at(19, 10), 0);
    EXPECT_EQ(image.at(20, 10), 255);
    EXPECT_EQ(image.at(2, 10), 5);
    EXPECT_EQ(image.at(37, 10), 250);
}

}  // namespace
}  // namespace tessoran_test
