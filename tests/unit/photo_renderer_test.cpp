// The photo-like renderer that the capture benchmark draws its images with:
// its geometry must be exact, or the benchmark measures the renderer's faults.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/PhotoRenderer.h"
#include "support/SeededRandom.h"

namespace tessoran_test {
namespace {

const Pdf417Symbol& testSymbol() {
    static const Pdf417Symbol symbol = encodeSymbol({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 2, 3);
    return symbol;
}

// `image` mirrored left to right when asked, then turned clockwise by
// quarterTurns quarters.
ArgbImage transformed(const ArgbImage& image, bool mirrored, int quarterTurns) {
    ArgbImage result = image;
    if (mirrored) {
        for (int row = 0; row < image.height; ++row) {
            for (int column = 0; column < image.width; ++column) {
                result.set(row, column, image.at(row, image.width - 1 - column));
            }
        }
    }
    for (int turn = 0; turn < quarterTurns; ++turn) {
        ArgbImage turned = solidImage(result.height, result.width, 0);
        for (int row = 0; row < turned.height; ++row) {
            for (int column = 0; column < turned.width; ++column) {
                turned.set(row, column, result.at(result.height - 1 - column, row));
            }
        }
        result = turned;
    }
    return result;
}

// With no effects, a symbol at a whole number of pixels per module, turned by
// quarter turns, is exactly the test encoder's pixel grid turned; rows cut at
// the top or bottom are the grid's rows moved out of the image; a transparent
// page keeps the same pixels as alpha.
TEST(PhotoRenderer, WholeModulesAndQuarterTurnsGiveTheEncodersPixels) {
    struct Case {
        int moduleSize;
        int quietZone;
        double angle;
        bool mirrored;
        int rowsCut;
        bool transparent;
    };
    const Case cases[] = {
        {1, 2, 0, false, 0, false},   {3, 2, 0, false, 0, false},   {2, 3, 90, false, 0, false},
        {2, 2, 180, false, 0, false}, {2, 2, 270, false, 0, false}, {2, 2, 0, true, 0, false},
        {2, 2, 90, true, 0, false},   {2, 2, 0, false, 2, false},   {2, 2, 0, false, -1, false},
        {2, 2, 0, false, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "module " << c.moduleSize << ", angle " << c.angle
                                          << ", mirrored " << c.mirrored << ", cut " << c.rowsCut);
        PhotoSettings settings;
        settings.moduleSize = c.moduleSize;
        settings.quietZone = c.quietZone;
        settings.angleDegrees = c.angle;
        settings.mirrored = c.mirrored;
        settings.rowsCut = c.rowsCut;
        settings.transparentBackground = c.transparent;
        const RenderedPhoto photo = renderPhoto(moduleRowsOf(testSymbol()), "data", settings);

        RenderOptions options;
        options.moduleWidth = c.moduleSize;
        options.rowHeight = 3 * c.moduleSize;
        options.quietZone = c.quietZone;
        ArgbImage expected = argbFromGrid(renderSymbol(testSymbol(), options));
        // A cut moves the grid up (top rows cut) or down; paper fills in.
        const int shift = c.rowsCut > 0   ? (c.quietZone + 3 * c.rowsCut) * c.moduleSize
                          : c.rowsCut < 0 ? -(c.quietZone + 3 * -c.rowsCut) * c.moduleSize
                                          : 0;
        const ArgbImage uncut = expected;
        for (int row = 0; row < expected.height; ++row) {
            for (int column = 0; column < expected.width; ++column) {
                const int source = row + shift;
                expected.set(
                    row, column,
                    source >= 0 && source < uncut.height ? uncut.at(source, column) : kOpaqueWhite);
            }
        }
        if (c.transparent) {
            for (std::uint32_t& pixel : expected.pixels) {
                pixel = pixel == kOpaqueWhite ? 0u : kOpaqueBlack;
            }
        }
        expected = transformed(expected, c.mirrored, static_cast<int>(c.angle) / 90);
        ASSERT_EQ(photo.image.width, expected.width);
        ASSERT_EQ(photo.image.height, expected.height);
        EXPECT_EQ(photo.image.pixels, expected.pixels);
        EXPECT_EQ(photo.rows, testSymbol().rows);
        EXPECT_EQ(photo.columns, 3);
        EXPECT_EQ(photo.ecLevel, 2);
    }
}

// The generator is SplitMix64: a kept seed must give the same images on
// every platform and in later versions.
TEST(SeededRandom, FollowsTheReferenceSequence) {
    SeededRandom random(0);
    EXPECT_EQ(random.next(), 0xE220A8397B1DCDAFu);
    EXPECT_EQ(random.next(), 0x6E789E6AA1B965F4u);
    EXPECT_EQ(random.next(), 0x06C45D188009454Fu);
}

}  // namespace
}  // namespace tessoran_test
