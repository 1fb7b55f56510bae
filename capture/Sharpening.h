// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "capture/GreyImage.h"

namespace ostrel2::tessoran::capture {

// How soft the picture's sharpest edges are: the Gaussian blur, in pixels,
// that would make a clean step as gentle as the steepest quarter of the
// picture's edges of fair contrast are. 0 when it has no such edge.
double edgeBlur(const GreyImage& image);

// Blur heavy enough to run a symbol's single-module bars and spaces into
// grey where its modules are two to four pixels wide, and that sharpening
// brings back within the edge finder's reach. Pictures of symbols blurred
// by 0.6 to 0.8 of a module of that size measure 1.4 to 2.8; sharp ones,
// photographs of print included, mostly 0.2 to 1.2. Only a picture that
// did not read is sharpened, so one that reads and measures more loses
// nothing.
inline constexpr double kSoftEdgeBlur = 1.3;

// Unsharp masking, in place: each pixel moves away from the Gaussian blur
// of its surroundings by kSharpenAmount times its difference from it. A
// blur of two thirds of a module leaves the ripple of alternating single
// modules at a tenth of the contrast and less; this brings it back to
// about a third, while wider elements, whose edges are not as faint, gain
// less.
void sharpen(GreyImage& image);

}  // namespace ostrel2::tessoran::capture
