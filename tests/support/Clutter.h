// SPDX-License-Identifier: Apache-2.0
#pragma once

// Marks found around a symbol on a real page: lines of text-like letters,
// rules and boxes, as pen strokes.

#include <vector>

#include "support/InkCanvas.h"
#include "support/SeededRandom.h"

namespace tessoran_test {

// Letters of `letterHeight` pixels in words, from `start` along the direction
// `angleRadians` (clockwise from the x axis) for `length` pixels.
std::vector<Stroke> textLine(Point start, double angleRadians, double letterHeight, double length,
                             SeededRandom& random);

// `marks` marks scattered over a `width` x `height` image: mostly text lines
// (letters `letterHeight` high, running along `angleRadians`), some rules and
// boxes.
std::vector<Stroke> scatteredMarks(int marks, int width, int height, double angleRadians,
                                   double letterHeight, SeededRandom& random);

}  // namespace tessoran_test
