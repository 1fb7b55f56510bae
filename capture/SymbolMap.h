// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <array>
#include <optional>
#include <span>

#include "capture/Geometry.h"

namespace ostrel2::tessoran::capture {

// From a symbol's coordinates to the picture: a homography, for flat paper
// seen in perspective, and a smooth correction on top of it where the rows
// are curves (a label round a bottle, paper that bows, a wide-angle lens) or
// their spacing drifts down a tall symbol. The correction is a polynomial of
// the third degree over the symbol, in pixels.
class SymbolMap {
  public:
    SymbolMap() = default;
    // A flat map: the homography alone.
    // Not explicit: wherever a map is asked for, a homography is one.
    SymbolMap(const Homography& flat) : flatMap(flat) {}

    Point map(Point p) const;

    // The images of the points start + i * step, i = 0, 1, ...: a flat map's
    // are worked out step by step, a bent map's one by one.
    class MappedLine {
      public:
        Point at(double i) const;

      private:
        friend class SymbolMap;
        Homography::MappedLine flat;
        const SymbolMap* map = nullptr;
        Point start;
        Point step;
    };
    MappedLine mapLine(Point start, Point step) const;

    const Homography& flat() const { return flatMap; }
    bool bent() const { return corrected; }

    // The homography that fits `places` best, bent to take them where they
    // were seen, over a symbol `width` modules wide and `rows` rows high.
    // None when the places fix no homography, or are too few or too close
    // together to fix a correction across the symbol.
    static std::optional<SymbolMap> fitBent(std::span<const Homography::Correspondence> places,
                                            double width, double rows);

    // Terms of the correction: 1, u, v, u^2, uv, v^2, u^3, u^2 v, u v^2, v^3.
    static constexpr std::size_t kTerms = 10;

  private:
    Point correction(Point p) const;

    Homography flatMap;
    bool corrected = false;
    // The symbol's middle and half its extent: u and v run from -1 to 1.
    Point middle;
    Point half{1, 1};
    std::array<double, kTerms> xTerms{};
    std::array<double, kTerms> yTerms{};
};

}  // namespace ostrel2::tessoran::capture
