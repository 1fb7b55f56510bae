// SPDX-License-Identifier: Apache-2.0
#include "pipeline/SymbolReport.h"

#include <algorithm>
#include <utility>

#include "pipeline/DecodeOutcome.h"

namespace ostrel2::tessoran {

namespace {

// Two check codewords are kept back to tell a sound correction from one
// that would make any word fit.
constexpr std::int32_t kVerifyingCheckCodewords = 2;

CorrectionReport correctionOf(const CorrectedCodewords& corrected) {
    CorrectionReport report;
    report.erasuresFilled = corrected.erased;
    report.errorsCorrected = std::max(corrected.located - corrected.erased, 0);
    report.checkCodewords = corrected.checkCodewords;
    report.unusedCheckCodewords = std::max(corrected.checkCodewords - kVerifyingCheckCodewords -
                                               2 * report.errorsCorrected - report.erasuresFilled,
                                           0);
    return report;
}

}  // namespace

SymbolReport reportOf(const LocatedSymbol& symbol, std::int32_t defaultEci) {
    DecodedSymbol printed = decodedSymbolOf(symbol.decoded);
    SymbolReport report;
    report.rows = printed.rows;
    report.columns = printed.columns;
    report.ecLevel = printed.ecLevel;
    report.place = symbol.place;
    report.correction = correctionOf(symbol.decoded.corrected);
    report.data = std::move(printed.data);
    report.content = contentOf(symbol.decoded.segments);
    report.text = utf8Text(report.content, defaultEci);
    return report;
}

}  // namespace ostrel2::tessoran
