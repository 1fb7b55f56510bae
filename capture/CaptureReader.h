// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "capture/CaptureTrace.h"
#include "capture/GreyImage.h"
#include "symbol/SymbolPlace.h"

namespace ostrel2::tessoran::capture {

// Reads a symbol from a photograph or scan: at any angle, in perspective,
// blurred, small or in poor light. Finds the start and stop patterns along
// lines across the picture, builds the symbol's frame from them and its row
// indicators, reads every row along several lines and lets them vote, and
// hands the codewords to the codeword step: what it reports has passed the
// same checks as any symbol. The failure, when no candidate decodes, is the
// first that tells more than NoSymbol. `trace`, when given, receives what was
// found. The symbol comes with the corners of the frame it was read in. The
// image is taken by value: the search for light print on a dark ground
// inverts it in place, and the search of a blurred picture sharpens it.
Result<LocatedSymbol> captureDecode(GreyImage image, CaptureTrace* trace);

}  // namespace ostrel2::tessoran::capture
