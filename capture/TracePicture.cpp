// SPDX-License-Identifier: Apache-2.0
#include "capture/TracePicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace ostrel2::tessoran::capture {

namespace {

constexpr std::uint32_t kStartHit = 0xFF2060FFu;
constexpr std::uint32_t kStopHit = 0xFFE020E0u;
constexpr std::uint32_t kGuardLine = 0xFFFFD000u;
constexpr std::uint32_t kCorner = 0xFF00E0E0u;
constexpr std::uint32_t kRowLine = 0xFF00B0B0u;
constexpr std::uint32_t kRead = 0xFF00C000u;
constexpr std::uint32_t kCorrected = 0xFFFF9000u;
constexpr std::uint32_t kErased = 0xFFFF0000u;
constexpr std::uint32_t kLoneSide = 0xFF9040FFu;
constexpr std::uint32_t kInvertedBorder = 0xFFFFFFFFu;
// The border drawn round a picture that was also looked at inverted.
constexpr std::int32_t kBorderPixels = 3;
// The band inside it tells that the picture was also looked at sharpened.
constexpr std::uint32_t kSharpenedBorder = 0xFF808080u;

class Canvas {
  public:
    Canvas(std::int32_t w, std::int32_t h, std::vector<std::uint32_t>& pixelsOut)
        : width(w), height(h), pixels(pixelsOut) {}

    void blend(std::int32_t x, std::int32_t y, std::uint32_t colour, std::uint32_t share) {
        if (x < 0 || y < 0 || x >= width || y >= height) {
            return;
        }
        std::uint32_t& pixel =
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)];
        std::uint32_t mixed = 0xFF000000u;
        for (int shift = 0; shift < 24; shift += 8) {
            const std::uint32_t under = (pixel >> shift) & 0xFF;
            const std::uint32_t over = (colour >> shift) & 0xFF;
            mixed |= ((under * (256 - share) + over * share) >> 8) << shift;
        }
        pixel = mixed;
    }

    void line(Point from, Point to, std::uint32_t colour) {
        if (!isFinite(from) || !isFinite(to)) {
            return;
        }
        const double span = std::max(std::abs(to.x - from.x), std::abs(to.y - from.y));
        // Long lines from wild points are cut short rather than drawn for ever.
        const int steps = static_cast<int>(std::min(span, 20000.0)) + 1;
        for (int i = 0; i <= steps; ++i) {
            const Point p = from + (static_cast<double>(i) / steps) * (to - from);
            blend(static_cast<std::int32_t>(std::lround(p.x)),
                  static_cast<std::int32_t>(std::lround(p.y)), colour, 256);
        }
    }

    void mark(Point at, std::uint32_t colour) {
        line(at + Point{-4, -4}, at + Point{4, 4}, colour);
        line(at + Point{-4, 4}, at + Point{4, -4}, colour);
    }

    // Tints the inside of a convex quadrilateral.
    void fill(const Point (&corners)[4], std::uint32_t colour) {
        double left = 1e18, right = -1e18, top = 1e18, bottom = -1e18;
        for (const Point& p : corners) {
            if (!isFinite(p)) {
                return;
            }
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
        left = std::max(left, 0.0);
        top = std::max(top, 0.0);
        right = std::min(right, width - 1.0);
        bottom = std::min(bottom, height - 1.0);
        if (right - left > 2000 || bottom - top > 2000) {
            return;
        }
        for (auto y = static_cast<std::int32_t>(top); y <= static_cast<std::int32_t>(bottom); ++y) {
            for (auto x = static_cast<std::int32_t>(left); x <= static_cast<std::int32_t>(right);
                 ++x) {
                if (insideQuad(corners, {x * 1.0, y * 1.0})) {
                    blend(x, y, colour, 90);
                }
            }
        }
        for (int i = 0; i < 4; ++i) {
            line(corners[i], corners[(i + 1) % 4], colour);
        }
    }

  private:
    static bool insideQuad(const Point (&corners)[4], Point p) {
        int positive = 0;
        int negative = 0;
        for (int i = 0; i < 4; ++i) {
            const double side = cross(corners[(i + 1) % 4] - corners[i], p - corners[i]);
            positive += side > 0 ? 1 : 0;
            negative += side < 0 ? 1 : 0;
        }
        return positive == 0 || negative == 0;
    }

    std::int32_t width;
    std::int32_t height;
    std::vector<std::uint32_t>& pixels;
};

// The pixels at least `outer` and less than `inner` pixels from the picture's
// edge, in `colour`.
void drawBand(std::vector<std::uint32_t>& pixels, std::int32_t width, std::int32_t height,
              std::int32_t outer, std::int32_t inner, std::uint32_t colour) {
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            const std::int32_t fromEdge = std::min({x, y, width - 1 - x, height - 1 - y});
            if (fromEdge >= outer && fromEdge < inner) {
                pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                       static_cast<std::size_t>(x)] = colour;
            }
        }
    }
}

}  // namespace

std::vector<std::uint32_t> drawTrace(const std::uint8_t* firstRow, std::int32_t width,
                                     std::int32_t height, std::ptrdiff_t strideBytes,
                                     const CaptureTrace& trace) {
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = firstRow + static_cast<std::ptrdiff_t>(y) * strideBytes;
        for (std::int32_t x = 0; x < width; ++x) {
            std::uint32_t argb = 0;
            std::memcpy(&argb, row + 4 * static_cast<std::ptrdiff_t>(x), sizeof argb);
            // Seen over white, then dimmed to three quarters.
            const std::uint32_t alpha = argb >> 24;
            std::uint32_t out = 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const std::uint32_t channel = (argb >> shift) & 0xFF;
                const std::uint32_t over = (channel * alpha + 255 * (255 - alpha)) / 255;
                out |= (over * 3 / 4) << shift;
            }
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                   static_cast<std::size_t>(x)] = out;
        }
    }
    Canvas canvas(width, height, pixels);
    for (const CaptureTrace::Cell& cell : trace.cells) {
        canvas.fill(cell.corners, cell.state == CaptureTrace::CellState::Read        ? kRead
                                  : cell.state == CaptureTrace::CellState::Corrected ? kCorrected
                                                                                     : kErased);
    }
    for (const CaptureTrace::Segment& row : trace.rowLines) {
        canvas.line(row.from, row.to, kRowLine);
    }
    for (const CaptureTrace::Hit& hit : trace.hits) {
        canvas.line(hit.outer, hit.inner, hit.start ? kStartHit : kStopHit);
    }
    for (const CaptureTrace::Segment& guard : trace.guardLines) {
        canvas.line(guard.from, guard.to, kGuardLine);
    }
    for (const CaptureTrace::Segment& side : trace.loneSides) {
        canvas.line(side.from, side.to, kLoneSide);
    }
    for (const Point& corner : trace.corners) {
        canvas.mark(corner, kCorner);
    }
    if (trace.invertedSearch) {
        drawBand(pixels, width, height, 0, kBorderPixels, kInvertedBorder);
    }
    if (trace.sharpenedSearch) {
        drawBand(pixels, width, height, kBorderPixels, 2 * kBorderPixels, kSharpenedBorder);
    }
    return pixels;
}

}  // namespace ostrel2::tessoran::capture
