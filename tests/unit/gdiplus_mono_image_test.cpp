#include "pattern/GdiPlusMonoImage.h"

#include <gtest/gtest.h>

#include <string>

#include "support/ImageWriters.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using ostrel2::I2DBitPattern;
using ostrel2::tessoran::CreateGdiPlusMonoImage;
using ostrel2::tessoran::isDarkColour;

// A bitmap loaded from an image file and the pattern over it, released and
// deleted in the program's order.
class LoadedPattern {
  public:
    explicit LoadedPattern(const std::string& path) : bitmap(new Gdiplus::Bitmap(path.c_str())) {
        loadStatus = bitmap->GetLastStatus();
        creationStatus = CreateGdiPlusMonoImage(bitmap, &pattern);
    }
    ~LoadedPattern() {
        if (pattern != nullptr) {
            pattern->Release();
        }
        delete bitmap;
    }
    LoadedPattern(const LoadedPattern&) = delete;
    LoadedPattern& operator=(const LoadedPattern&) = delete;

    Gdiplus::Bitmap* bitmap;
    I2DBitPattern* pattern = nullptr;
    Gdiplus::Status loadStatus = Gdiplus::GenericError;
    ostrel2::Status creationStatus = -1;
};

struct ThresholdCase {
    std::uint32_t argb;
    bool dark;
};

// Around R + G + B = 255 from every side; alpha plays no part.
constexpr ThresholdCase kThresholdCases[] = {
    {0xFF555555u, true},  {0xFF565656u, false}, {0xFFFF0000u, true},  {0xFFFF0100u, false},
    {0x00000000u, true},  {0xFF00FF00u, true},  {0xFF0000FFu, true},  {0xFF0001FFu, false},
    {0xFF807F00u, true},  {0xFF808000u, false}, {0x00FFFFFFu, false}, {0xFF000000u, true},
    {0x80565656u, false}, {0xFFFFFFFFu, false},
};

TEST(GdiPlusMonoImage, ThresholdIsDarkUpToASumOf255WhateverTheAlpha) {
    TemporaryDirectory directory;
    ArgbImage row = solidImage(static_cast<int>(std::size(kThresholdCases)), 1, kOpaqueWhite);
    for (int column = 0; column < row.width; ++column) {
        row.set(0, column, kThresholdCases[column].argb);
    }
    const std::string path = directory.path() + "/threshold.png";
    writePng(path, row, PngLayout::Rgba8);
    LoadedPattern loaded(path);
    ASSERT_EQ(loaded.loadStatus, Gdiplus::Ok);
    for (int column = 0; column < row.width; ++column) {
        const ThresholdCase& c = kThresholdCases[column];
        SCOPED_TRACE(testing::Message() << std::hex << c.argb);
        EXPECT_EQ(isDarkColour(c.argb), c.dark);
        EXPECT_EQ(loaded.pattern->GetPixel(0, column), c.dark);
    }
}

TEST(GdiPlusMonoImage, ThresholdAgreesWithTheBrightnessRuleForEveryColour) {
    // The brightness rule in floating point: the average of the three
    // channels, each divided by 256 and added red, blue, green, below 0.333.
    long dark = 0;
    for (std::uint32_t red = 0; red < 256; ++red) {
        for (std::uint32_t green = 0; green < 256; ++green) {
            for (std::uint32_t blue = 0; blue < 256; ++blue) {
                const double brightness =
                    (red * 0.00390625 + blue * 0.00390625 + green * 0.00390625) / 3;
                const std::uint32_t argb = 0xFF000000u | red << 16 | green << 8 | blue;
                if (isDarkColour(argb) != (brightness < 0.333)) {
                    FAIL() << std::hex << argb;
                }
                dark += brightness < 0.333 ? 1 : 0;
            }
        }
    }
    // The colours whose channels add up to 255 or less: C(258, 3).
    EXPECT_EQ(dark, 2829056);
}

TEST(GdiPlusMonoImage, OnePixelBitmapHasSizeOneByOne) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/one.bmp";
    writeBmp(path, solidImage(1, 1, kOpaqueBlack), BmpLayout::Rgb24);
    LoadedPattern loaded(path);
    ASSERT_EQ(loaded.creationStatus, ostrel2::S_OK);
    EXPECT_EQ(loaded.pattern->GetHeight(), 1);
    EXPECT_EQ(loaded.pattern->GetWidth(), 1);
    EXPECT_TRUE(loaded.pattern->GetPixel(0, 0));
}

TEST(GdiPlusMonoImage, GetPixelTakesTheRowFirstAndReadsTheBitmapAtColumnRow) {
    TemporaryDirectory directory;
    ArgbImage image = solidImage(3, 3, kOpaqueWhite);
    image.set(0, 2, kOpaqueBlack);  // x = 2, y = 0
    const std::string path = directory.path() + "/corner.gif";
    writeGif(path, image);
    LoadedPattern loaded(path);
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(loaded.pattern->GetPixel(row, column), row == 0 && column == 2)
                << row << "," << column;
        }
    }
}

TEST(GdiPlusMonoImage, BitmapWithoutImageGivesNoPixelsAndSizesAreReadOnce) {
    TemporaryDirectory directory;
    LoadedPattern loaded(directory.path() + "/missing.png");
    ASSERT_NE(loaded.loadStatus, Gdiplus::Ok);
    ASSERT_EQ(loaded.creationStatus, ostrel2::S_OK);
    // Creation asked for both sizes and recorded the failure.
    EXPECT_NE(loaded.bitmap->GetLastStatus(), Gdiplus::Ok);
    EXPECT_EQ(loaded.pattern->GetHeight(), 0);
    EXPECT_EQ(loaded.pattern->GetWidth(), 0);
    // Had the sizes been asked again, the bitmap would hold a new failure.
    EXPECT_EQ(loaded.bitmap->GetLastStatus(), Gdiplus::Ok);
}

TEST(GdiPlusMonoImage, UnreadablePixelIsDarkAndRecordedOnTheBitmap) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/white.png";
    writePng(path, solidImage(2, 2, kOpaqueWhite), PngLayout::Rgb8);
    LoadedPattern loaded(path);
    EXPECT_FALSE(loaded.pattern->GetPixel(1, 1));
    EXPECT_EQ(loaded.bitmap->GetLastStatus(), Gdiplus::Ok);
    EXPECT_TRUE(loaded.pattern->GetPixel(2, 0));
    EXPECT_TRUE(loaded.pattern->GetPixel(0, -1));
    EXPECT_NE(loaded.bitmap->GetLastStatus(), Gdiplus::Ok);
}

TEST(GdiPlusMonoImage, AnswersItsOwnInterfaceAndTheBaseOnly) {
    TemporaryDirectory directory;
    const std::string path = directory.path() + "/query.png";
    writePng(path, solidImage(1, 1, kOpaqueWhite), PngLayout::Rgb8);
    LoadedPattern loaded(path);
    I2DBitPattern* pattern = loaded.pattern;

    void* base = nullptr;
    ASSERT_EQ(pattern->QueryInterface(ostrel2::IID_IObjectBase, &base), ostrel2::S_OK);
    EXPECT_EQ(base, static_cast<void*>(pattern));
    void* again = nullptr;
    ASSERT_EQ(pattern->QueryInterface(ostrel2::IID_I2DBitPattern, &again), ostrel2::S_OK);
    EXPECT_EQ(again, static_cast<void*>(pattern));
    // Handed out once at creation, then twice here.
    EXPECT_EQ(pattern->AddRef(), 4u);
    EXPECT_EQ(pattern->Release(), 3u);
    EXPECT_EQ(pattern->Release(), 2u);
    EXPECT_EQ(pattern->Release(), 1u);

    void* result = nullptr;
    EXPECT_EQ(pattern->QueryInterface(ostrel2::IID_ITessoranResult, &result),
              ostrel2::E_NOINTERFACE);
    EXPECT_EQ(pattern->AddRef(), 2u);  // the failed query took no reference
    EXPECT_EQ(pattern->Release(), 1u);
}

}  // namespace
}  // namespace tessoran_test
