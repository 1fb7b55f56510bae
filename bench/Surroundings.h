// SPDX-License-Identifier: Apache-2.0
#pragma once

// What the harder capture classes put around and over a symbol besides the
// class's own spoiling: a picture sized to the symbol as it is placed, and
// now and then a textured page or a surface around the label, and glare.

#include <string>
#include <vector>

#include "support/PhotoRenderer.h"
#include "support/SeededRandom.h"

namespace tessoran_bench {

// An image `lowest` to `highest` times as large as the box around the
// symbol and its quiet zone as `settings` place it, the symbol anywhere in
// it; the module size shrinks when the image would pass kMostPixels.
void frameExtent(tessoran_test::PhotoSettings& settings, const std::vector<std::string>& rows,
                 tessoran_test::SeededRandom& random, double lowest, double highest);

// Sometimes a textured page or a label on wood or cloth; sometimes mild
// glare somewhere on the symbol, which lowers the contrast there but leaves
// every module readable.
void addSurroundings(tessoran_test::PhotoSettings& settings, const std::vector<std::string>& rows,
                     tessoran_test::SeededRandom& random);

}  // namespace tessoran_bench
