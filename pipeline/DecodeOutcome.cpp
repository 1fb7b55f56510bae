// SPDX-License-Identifier: Apache-2.0
#include "pipeline/DecodeOutcome.h"

namespace ostrel2::tessoran {

DecodedSymbol decodedSymbolOf(const DecodedCodewords& decoded) {
    const CorrectedCodewords& corrected = decoded.corrected;
    DecodedSymbol symbol;
    symbol.rows = corrected.rows;
    symbol.columns = corrected.columns();
    symbol.ecLevel = corrected.ecLevel();
    for (const Segment& segment : decoded.segments) {
        symbol.data += segment.text;
    }
    return symbol;
}

}  // namespace ostrel2::tessoran
