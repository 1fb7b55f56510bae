// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "capture/CaptureTrace.h"
#include "pattern/I2DBitPattern.h"
#include "pattern/PixelView.h"
#include "pipeline/DecodeOutcome.h"
#include "platform/GdiPlus.h"
#include "symbol/SymbolPlace.h"

namespace ostrel2::tessoran {

// The ways from a picture to its symbol, for the program and the library
// alike. Running out of memory is left to the caller: std::bad_alloc leaves
// these with everything they held released.

// A pixel grid through the scan-line reader alone: what a bar string takes.
DecodeOutcome decodePattern(I2DBitPattern& pattern);

// A loaded picture: the scan-line reader over its pixels first, and when that
// reads nothing, the capture reader over its brightness. `trace`, when given,
// receives what the capture reader found.
DecodeOutcome decodeBitmap(Gdiplus::Bitmap& bitmap, capture::CaptureTrace* trace);

// A caller's pixels, the same way as a loaded picture.
DecodeOutcome decodePixels(const PixelView& pixels);

// The symbol in a caller's pixels and where it lies, the same way; the
// capture reader only when `tryCapture` says so.
Result<LocatedSymbol> locateInPixels(const PixelView& pixels, bool tryCapture);

}  // namespace ostrel2::tessoran
