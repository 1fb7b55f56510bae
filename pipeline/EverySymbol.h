// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "decoding/DecodeFailure.h"
#include "pattern/PixelView.h"
#include "platform/GdiPlus.h"
#include "symbol/SymbolPlace.h"

namespace ostrel2::tessoran {

// The most symbols one picture is read for: each costs a whole reading of
// the picture.
inline constexpr std::int32_t kMostSymbolsInAPicture = 64;

struct ReadOptions {
    // Symbols to read at most: 0 for every one, up to kMostSymbolsInAPicture.
    std::int32_t maxSymbols = 0;
    // Whether the capture reader may look where the scan-line reader finds
    // nothing.
    bool tryCapture = true;
};

// Every symbol in a picture, in reading order: top to bottom, and left to
// right where symbols lie beside each other. The picture is read as for one
// symbol, the symbol found is covered with paper and the picture read again,
// until nothing more is found; the first symbol is therefore the one a
// single reading gives. Unless only one symbol is asked for, the picture's
// pixels are copied (4 bytes a pixel) to take the paper. Fails only when not even one symbol is
// read, with that reading's failure; a later reading that fails ends the search.
Result<std::vector<LocatedSymbol>> readEverySymbol(const PixelView& pixels,
                                                   const ReadOptions& options);

// The same over a loaded picture's pixels; BadInput when they cannot be
// locked.
Result<std::vector<LocatedSymbol>> readEverySymbol(Gdiplus::Bitmap& bitmap,
                                                   const ReadOptions& options);

// Sorts symbols into reading order: into lines by where their centres lie
// (a symbol whose centre is inside the height of a line's first symbol
// belongs to that line), lines top to bottom, each left to right.
void sortIntoReadingOrder(std::vector<LocatedSymbol>& symbols);

}  // namespace ostrel2::tessoran
