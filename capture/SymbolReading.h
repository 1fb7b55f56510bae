#pragma once

#include <cstdint>
#include <vector>

#include "capture/CaptureTrace.h"
#include "capture/CodewordShapes.h"
#include "capture/GreyImage.h"
#include "capture/SymbolFrame.h"
#include "decoding/DecodeResult.h"
#include "reader/RowIndicators.h"

namespace ostrel2::tessoran::capture {

// The codewords of a located symbol, row by row: data columns only, in
// reading order, 0 where a codeword could not be read and its index then in
// `erasures`; and the row indicators as read.
struct SymbolReading {
    std::vector<std::int32_t> codewords;
    std::vector<std::int32_t> erasures;
    std::vector<RowIndicatorReading> indicators;
};

// Reads every row along several lines inside it; the lines vote on each
// codeword, and a codeword without a clear winner is erased. A row outside the
// picture (a symbol cut at its top or bottom) is erased whole.
SymbolReading readSymbol(const GreyImage& image, const SymbolFrame& frame,
                         const CodewordShapes& shapes);

// Puts a reading of `rows` rows into `result` as the codeword step takes it.
// False, and `result` unchanged, when it holds more codewords than a result
// has room for.
bool fillResult(const SymbolReading& reading, std::int32_t rows, DecodeResult& result);

}  // namespace ostrel2::tessoran::capture
