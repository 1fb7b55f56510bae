// SPDX-License-Identifier: Apache-2.0
#include "pipeline/EverySymbol.h"

#include <algorithm>
#include <cmath>

#include "capture/SymbolLayout.h"
#include "pipeline/PictureCopy.h"
#include "pipeline/SymbolDecoder.h"
#include "platform/LockedPixels.h"

namespace ostrel2::tessoran {

namespace {

double distance(PicturePoint a, PicturePoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// A module's width in pixels, about: the symbol's top side over the modules
// across it.
double moduleWidthOf(const LocatedSymbol& symbol) {
    const auto& corners = symbol.place.corners;
    return distance(corners[0], corners[1]) /
           capture::symbolWidth(symbol.decoded.corrected.columns());
}

// How far around a symbol is covered: a module, so that no sliver of its
// outer bars is left to be taken for a pattern, and a pixel for the edges
// that blur spreads. Symbols printed next to each other keep a quiet zone of
// at least two modules between them, which this leaves alone.
double paperMarginOf(const LocatedSymbol& symbol) {
    return moduleWidthOf(symbol) + 1;
}

std::int32_t symbolLimit(const ReadOptions& options) {
    return options.maxSymbols > 0 ? std::min(options.maxSymbols, kMostSymbolsInAPicture)
                                  : kMostSymbolsInAPicture;
}

double topOf(const SymbolPlace& place) {
    double top = place.corners[0].y;
    for (const PicturePoint& corner : place.corners) {
        top = std::min(top, corner.y);
    }
    return top;
}

double bottomOf(const SymbolPlace& place) {
    double bottom = place.corners[0].y;
    for (const PicturePoint& corner : place.corners) {
        bottom = std::max(bottom, corner.y);
    }
    return bottom;
}

}  // namespace

Result<std::vector<LocatedSymbol>> readEverySymbol(const PixelView& pixels,
                                                   const ReadOptions& options) {
    // One symbol needs no paper over it, nor the copy of the picture that
    // takes the paper.
    if (symbolLimit(options) == 1) {
        Result<LocatedSymbol> only = locateInPixels(pixels, options.tryCapture);
        if (!only.ok()) {
            return only.failure();
        }
        return std::vector<LocatedSymbol>{std::move(only).value()};
    }
    PictureCopy picture(pixels);
    std::vector<LocatedSymbol> found;
    const std::int32_t limit = symbolLimit(options);
    while (static_cast<std::int32_t>(found.size()) < limit) {
        Result<LocatedSymbol> next = locateInPixels(picture.view(), options.tryCapture);
        if (!next.ok()) {
            if (found.empty()) {
                return next.failure();
            }
            break;
        }
        // A symbol whose paper left it readable would be found again and
        // again.
        const PicturePoint centre = next.value().place.centre();
        const bool again = std::any_of(found.begin(), found.end(), [&](const LocatedSymbol& seen) {
            return seen.place.contains(centre);
        });
        if (again) {
            break;
        }
        const std::int64_t painted =
            picture.paperOver(next.value().place, paperMarginOf(next.value()));
        found.push_back(std::move(next).value());
        if (painted == 0) {
            break;
        }
    }
    sortIntoReadingOrder(found);
    return found;
}

Result<std::vector<LocatedSymbol>> readEverySymbol(Gdiplus::Bitmap& bitmap,
                                                   const ReadOptions& options) {
    const platform::LockedPixels locked(bitmap);
    if (!locked.locked()) {
        return DecodeFailure::BadInput;
    }
    const PixelView view{locked.rows(), locked.width(), locked.height(), locked.stride(),
                         PixelLayout::Bgra32};
    return readEverySymbol(view, options);
}

void sortIntoReadingOrder(std::vector<LocatedSymbol>& symbols) {
    const auto byCentreY = [](const LocatedSymbol& a, const LocatedSymbol& b) {
        return a.place.centre().y < b.place.centre().y;
    };
    std::stable_sort(symbols.begin(), symbols.end(), byCentreY);
    auto lineStart = symbols.begin();
    while (lineStart != symbols.end()) {
        const double lineBottom = bottomOf(lineStart->place);
        const double lineTop = topOf(lineStart->place);
        auto lineEnd = std::find_if(lineStart, symbols.end(), [&](const LocatedSymbol& symbol) {
            const double y = symbol.place.centre().y;
            return y < lineTop || y > lineBottom;
        });
        std::stable_sort(lineStart, lineEnd, [](const LocatedSymbol& a, const LocatedSymbol& b) {
            return a.place.centre().x < b.place.centre().x;
        });
        lineStart = lineEnd;
    }
}

}  // namespace ostrel2::tessoran
