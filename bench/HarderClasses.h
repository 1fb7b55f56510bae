// SPDX-License-Identifier: Apache-2.0
#pragma once

// The capture classes that phones in the field make and scanners do not:
// steep perspective, a wide-angle lens or a bottle, tall symbols, a guard
// pattern cut off or covered, one pixel per module, heavy blur.

#include "bench/CaptureClasses.h"
#include "bench/SymbolData.h"
#include "support/PhotoRenderer.h"
#include "support/SeededRandom.h"

namespace tessoran_bench {

// Whether `kind` is one of these classes.
bool isHarderClass(CaptureClass kind);

// The symbol and the settings of a picture of class `kind`, `settings`
// arriving with the seed, row height, module size and quiet zone drawn;
// `jpegQuality` 0 for PNG.
ChosenSymbol composeHarderClass(CaptureClass kind, tessoran_test::PhotoSettings& settings,
                                tessoran_test::SeededRandom& random, int& jpegQuality);

// One guard pattern cut off by the image border or covered by a thumb or
// glare (the one-sided class).
ChosenSymbol composeOneSided(tessoran_test::PhotoSettings& settings,
                             tessoran_test::SeededRandom& random, int& jpegQuality);

}  // namespace tessoran_bench
