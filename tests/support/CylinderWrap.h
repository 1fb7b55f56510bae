// SPDX-License-Identifier: Apache-2.0
#pragma once

// A label on a bottle: the symbol's width lies around a cylinder whose axis
// runs down the symbol, seen from straight in front. Modules narrow toward
// both sides, as cos of their angle around the cylinder, and widen in the
// middle; the symbol's two side edges stay where a flat symbol's would be.

namespace tessoran_test {

class CylinderWrap {
  public:
    // No wrap: a flat page.
    CylinderWrap() = default;
    // `width` modules around `arcDegrees` of the cylinder (0 to 160).
    // Throws std::invalid_argument outside that range.
    CylinderWrap(double width, double arcDegrees);

    bool active() const { return halfArc > 0.0; }
    // Where a point `across` modules from the symbol's left edge appears,
    // in modules of the flat symbol's frame.
    double wrap(double across) const;
    // The reverse of wrap.
    double unwrap(double seen) const;

  private:
    double middle = 0.0;
    double radius = 1.0;
    double halfArc = 0.0;
    double edgeSine = 1.0;  // sin(halfArc): stretches the wrapped width back to the flat one
};

}  // namespace tessoran_test
