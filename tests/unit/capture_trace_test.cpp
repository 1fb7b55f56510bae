// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "capture/TracePicture.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::capture::CaptureTrace;
using ostrel2::tessoran::capture::drawTrace;

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kGrey = 0xFF808080u;

// The bands round the picture tell which further looks at it were taken:
// white outside for inverted, grey inside it for sharpened.
TEST(TracePicture, BordersTellTheFurtherLooks) {
    constexpr std::int32_t kWidth = 20;
    constexpr std::int32_t kHeight = 14;
    // Opaque black ARGB pixels: nothing of the picture itself is white or
    // mid grey.
    const std::vector<std::uint32_t> black(static_cast<std::size_t>(kWidth) * kHeight, 0xFF000000u);
    struct Case {
        bool inverted;
        bool sharpened;
    };
    for (const Case c :
         {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
        SCOPED_TRACE(testing::Message()
                     << "inverted " << c.inverted << ", sharpened " << c.sharpened);
        CaptureTrace trace;
        trace.invertedSearch = c.inverted;
        trace.sharpenedSearch = c.sharpened;
        const std::vector<std::uint32_t> pixels =
            drawTrace(reinterpret_cast<const std::uint8_t*>(black.data()), kWidth, kHeight,
                      kWidth * static_cast<std::ptrdiff_t>(sizeof(std::uint32_t)), trace);
        ASSERT_EQ(pixels.size(), black.size());
        for (std::int32_t y = 0; y < kHeight; ++y) {
            for (std::int32_t x = 0; x < kWidth; ++x) {
                const std::int32_t fromEdge = std::min({x, y, kWidth - 1 - x, kHeight - 1 - y});
                const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * kWidth + x];
                ASSERT_EQ(pixel == kWhite, c.inverted && fromEdge < 3) << x << ", " << y;
                ASSERT_EQ(pixel == kGrey, c.sharpened && fromEdge >= 3 && fromEdge < 6)
                    << x << ", " << y;
            }
        }
    }
}

}  // namespace
}  // namespace tessoran_test
