// SPDX-License-Identifier: Apache-2.0
#include "pipeline/SymbolDecoder.h"

#include <functional>
#include <optional>
#include <utility>

#include "capture/CaptureReader.h"
#include "objects/ObjectReference.h"
#include "pattern/GdiPlusMonoImage.h"
#include "pattern/PixelBufferPattern.h"
#include "pipeline/BitmapGrey.h"
#include "pipeline/PixelGrey.h"
#include "reader/DecodeDriver.h"

namespace ostrel2::tessoran {

namespace {

using GreyImageSource = std::function<std::optional<capture::GreyImage>()>;

// What the program prints of a decoded symbol.
DecodeOutcome outcomeOf(const Result<LocatedSymbol>& located) {
    if (!located.ok()) {
        return located.failure();
    }
    return decodedSymbolOf(located.value().decoded);
}

// The scan-line reader over `pattern`, then, when it reads nothing and
// `tryCapture` allows, the capture reader over the picture's brightness. The
// pattern lets go of the pixels first: the image library lets one reader at
// a time lock a bitmap's pixels. When both fail, the capture reader's
// failure tells more than "no symbol" when it found one; otherwise the
// scan-line reader's may.
Result<LocatedSymbol> readWithBothReaders(ObjectReference<I2DBitPattern> pattern,
                                          const GreyImageSource& greyImage, bool tryCapture,
                                          capture::CaptureTrace* trace) {
    Result<LocatedSymbol> lineDecode = readBitPattern(*pattern);
    if (lineDecode.ok() || !tryCapture) {
        return lineDecode;
    }
    pattern.reset();
    std::optional<capture::GreyImage> grey = greyImage();
    if (!grey) {
        return lineDecode.failure();
    }
    Result<LocatedSymbol> captureDecode = capture::captureDecode(std::move(*grey), trace);
    if (captureDecode.ok() || captureDecode.failure() != DecodeFailure::NoSymbol) {
        return captureDecode;
    }
    return lineDecode.failure();
}

}  // namespace

DecodeOutcome decodePattern(I2DBitPattern& pattern) {
    return outcomeOf(readBitPattern(pattern));
}

DecodeOutcome decodeBitmap(Gdiplus::Bitmap& bitmap, capture::CaptureTrace* trace) {
    I2DBitPattern* handedOut = nullptr;
    CreateGdiPlusMonoImage(&bitmap, &handedOut);
    return outcomeOf(readWithBothReaders(
        ObjectReference<I2DBitPattern>(handedOut),
        [&bitmap] { return capture::greyImageOf(bitmap); }, true, trace));
}

DecodeOutcome decodePixels(const PixelView& pixels) {
    return outcomeOf(locateInPixels(pixels, true));
}

Result<LocatedSymbol> locateInPixels(const PixelView& pixels, bool tryCapture) {
    I2DBitPattern* handedOut = nullptr;
    CreatePixelBufferPattern(pixels, &handedOut);
    return readWithBothReaders(
        ObjectReference<I2DBitPattern>(handedOut),
        [&pixels]() -> std::optional<capture::GreyImage> { return greyImageOfPixels(pixels); },
        tryCapture, nullptr);
}

}  // namespace ostrel2::tessoran
