// SPDX-License-Identifier: Apache-2.0
#include "pipeline/SymbolDecoder.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "capture/BitmapGrey.h"
#include "capture/CaptureReader.h"
#include "decoding/CodewordInterpreter.h"
#include "decoding/ITessoranResult.h"
#include "objects/ObjectReference.h"
#include "pattern/GdiPlusMonoImage.h"
#include "pattern/PixelBufferPattern.h"
#include "pipeline/PixelGrey.h"
#include "reader/DecodeDriver.h"
#include "reader/DecodeStatus.h"

namespace ostrel2::tessoran {

namespace {

using GreyImageSource = std::function<std::optional<capture::GreyImage>()>;

DecodeFailure failureOf(Status status) {
    if (status == kUncorrectable) {
        return DecodeFailure::Uncorrectable;
    }
    const std::uint32_t code =
        static_cast<std::uint32_t>(status) - static_cast<std::uint32_t>(kMalformedDataBase);
    if (code >= static_cast<std::uint32_t>(kEciPastEnd) &&
        code <= static_cast<std::uint32_t>(kTerminatorNotLast)) {
        return DecodeFailure::MalformedData;
    }
    return DecodeFailure::NoSymbol;
}

std::int32_t appendSegmentText(void* context, std::int32_t /*tag*/, const char* text,
                               std::int32_t length) {
    static_cast<std::string*>(context)->append(text, static_cast<std::size_t>(length));
    return 0;
}

// What a reader's status and the result it handed out, if any, come to; the
// result is released.
DecodeOutcome outcomeOf(Status status, ITessoranResult* handedOut) {
    if (failed(status)) {
        return failureOf(status);
    }
    const ObjectReference<ITessoranResult> result(handedOut);
    DecodedSymbol symbol;
    symbol.rows = result->GetRows();
    symbol.columns = result->GetColumns();
    symbol.ecLevel = result->GetECLevel();
    result->EnumSegments(&symbol.data, appendSegmentText);
    return symbol;
}

// The scan-line reader over `pattern`, then, when it reads nothing, the
// capture reader over the picture's brightness. The pattern lets go of the
// pixels first: the image library lets one reader at a time lock a bitmap's
// pixels. When both fail, the capture reader's failure tells more than "no
// symbol" when it found one; otherwise the scan-line reader's may.
DecodeOutcome decodeWithBothReaders(ObjectReference<I2DBitPattern> pattern,
                                    const GreyImageSource& greyImage,
                                    capture::CaptureTrace* trace) {
    ITessoranResult* handedOut = nullptr;
    const Status lineStatus = DecodeBitPattern(pattern.get(), &handedOut);
    if (!failed(lineStatus)) {
        return outcomeOf(lineStatus, handedOut);
    }
    pattern.reset();
    const std::optional<capture::GreyImage> grey = greyImage();
    if (!grey) {
        return failureOf(lineStatus);
    }
    const Status captureStatus = capture::captureDecode(*grey, trace, &handedOut);
    if (!failed(captureStatus)) {
        return outcomeOf(captureStatus, handedOut);
    }
    return failureOf(captureStatus == kNoSymbol ? lineStatus : captureStatus);
}

}  // namespace

DecodeOutcome decodePattern(I2DBitPattern& pattern) {
    ITessoranResult* handedOut = nullptr;
    const Status status = DecodeBitPattern(&pattern, &handedOut);
    return outcomeOf(status, handedOut);
}

DecodeOutcome decodeBitmap(Gdiplus::Bitmap& bitmap, capture::CaptureTrace* trace) {
    I2DBitPattern* handedOut = nullptr;
    CreateGdiPlusMonoImage(&bitmap, &handedOut);
    return decodeWithBothReaders(
        ObjectReference<I2DBitPattern>(handedOut),
        [&bitmap] { return capture::greyImageOf(bitmap); }, trace);
}

DecodeOutcome decodePixels(const PixelView& pixels) {
    I2DBitPattern* handedOut = nullptr;
    CreatePixelBufferPattern(pixels, &handedOut);
    return decodeWithBothReaders(
        ObjectReference<I2DBitPattern>(handedOut),
        [&pixels]() -> std::optional<capture::GreyImage> { return greyImageOfPixels(pixels); },
        nullptr);
}

}  // namespace ostrel2::tessoran
