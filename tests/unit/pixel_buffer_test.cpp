// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/GreyImage.h"
#include "pattern/PixelBufferPattern.h"
#include "pipeline/PixelGrey.h"

namespace ostrel2::tessoran {
namespace {

// A caller's buffer in each layout reads as the ARGB words it stands for:
// the same brightness for the capture reader as a picture of those words,
// the same dark pixels for the scan-line reader, and paper outside the grid.
// Red and blue weigh differently in brightness, so a layout read with its
// bytes in the wrong order shows.
TEST(PixelBuffer, EveryLayoutReadsAsTheWordsItHolds) {
    struct Case {
        PixelLayout layout;
        std::string channels;  // each pixel's bytes, in order: a, r, g or b
        std::vector<std::uint32_t> words;
    };
    const std::vector<std::uint32_t> colours = {0xFFFF0000u, 0xFF0000FFu, 0x80304020u, 0x00FFFFFFu};
    const Case cases[] = {
        // Grey 85 is dark (its channels add up to 255), 86 is not.
        {PixelLayout::Grey8, "g", {0xFF000000u, 0xFF555555u, 0xFF565656u, 0xFFFFFFFFu}},
        {PixelLayout::Rgb24, "rgb", {0xFFFF0000u, 0xFF0000FFu, 0xFF304020u, 0xFFFFFFFFu}},
        {PixelLayout::Rgba32, "rgba", colours},
        {PixelLayout::Bgra32, "bgra", colours},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.channels);
        // Two rows of two pixels, each row padded with three bytes.
        std::vector<std::uint8_t> bytes;
        for (std::size_t row = 0; row < 2; ++row) {
            for (std::size_t column = 0; column < 2; ++column) {
                const std::uint32_t word = test.words[2 * row + column];
                for (const char channel : test.channels) {
                    const auto shift = std::string("bgra").find(channel) * 8;
                    bytes.push_back(static_cast<std::uint8_t>(word >> shift));
                }
            }
            bytes.insert(bytes.end(), 3, 0xAA);
        }
        const PixelView view{bytes.data(), 2, 2, static_cast<std::ptrdiff_t>(bytes.size() / 2),
                             test.layout};

        const capture::GreyImage expected = capture::greyFromArgb(
            reinterpret_cast<const std::uint8_t*>(test.words.data()), 2, 2, 8);
        EXPECT_EQ(greyImageOfPixels(view).pixels, expected.pixels);

        I2DBitPattern* pattern = nullptr;
        ASSERT_EQ(CreatePixelBufferPattern(view, &pattern), S_OK);
        for (std::int32_t i = 0; i < 4; ++i) {
            const std::uint32_t word = test.words[static_cast<std::size_t>(i)];
            const bool dark = ((word >> 16) & 0xFF) + ((word >> 8) & 0xFF) + (word & 0xFF) <= 255;
            EXPECT_EQ(pattern->GetPixel(i / 2, i % 2), dark) << i;
        }
        for (const auto& [row, column] : {std::pair{-1, 0}, {0, -1}, {2, 0}, {0, 2}}) {
            EXPECT_FALSE(pattern->GetPixel(row, column)) << row << ", " << column;
        }
        EXPECT_EQ(pattern->Release(), 0u);
    }
}

}  // namespace
}  // namespace ostrel2::tessoran
