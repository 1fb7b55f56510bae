// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <cstdint>
#include <vector>

#include "capture/CaptureTrace.h"
#include "capture/CodewordShapes.h"
#include "capture/CodewordTemplates.h"
#include "capture/GreyImage.h"
#include "capture/SymbolFrame.h"
#include "symbol/CodewordStep.h"
#include "symbol/RowIndicators.h"

namespace ostrel2::tessoran::capture {

// The codewords of a located symbol, row by row: data columns only, in
// reading order, 0 where a codeword could not be read and its index then in
// `erasures`; and the row indicators as read.
struct SymbolReading {
    std::vector<std::int32_t> codewords;
    std::vector<std::int32_t> erasures;
    std::vector<RowIndicatorReading> indicators;
    // Where codewords were read: the symbol coordinates of each read
    // codeword's first and last edge in the middle of its row, against where
    // in the picture the lines that read it found them.
    std::vector<Homography::Correspondence> seen;
};

// Reads every row along several lines inside it; the lines vote on each
// codeword, and a codeword without a clear winner is erased. A row outside the
// picture (a symbol cut at its top or bottom) is erased whole.
SymbolReading readSymbol(const GreyImage& image, const SymbolFrame& frame,
                         const CodewordShapes& shapes, CodewordTemplateSet& templates);

// How a frame is refitted: as flat paper in perspective, or bent to follow
// rows that curve.
enum class FrameFit { Flat, Bent };

// The frame fitted anew to the places it was first fitted to and the places
// where `reading` saw codewords, all across the symbol: what a frame from the
// symbol's sides alone puts a little off, perspective or a bend of the paper,
// the codewords themselves set right. None when no better frame can be had.
std::optional<SymbolFrame> refineFrame(const SymbolFrame& frame, const SymbolReading& reading,
                                       FrameFit fit);

// A reading of a symbol of `rows` rows, as the codeword step takes it.
SymbolCodewords symbolCodewordsOf(const SymbolReading& reading, std::int32_t rows);

}  // namespace ostrel2::tessoran::capture
