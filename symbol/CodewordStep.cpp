// SPDX-License-Identifier: Apache-2.0
#include "symbol/CodewordStep.h"

#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "decoding/CodewordInterpreter.h"
#include "decoding/ErrorCorrectionLevel.h"
#include "symbol/ReedSolomon.h"

namespace ostrel2::tessoran {

namespace {

constexpr std::int32_t kMinCheckCodewords = 2;
constexpr std::int32_t kMaxCheckCodewords = 512;

std::int32_t checkCodewordsOfLevel(std::int32_t level) {
    return kMinCheckCodewords << level;
}

// A symbol carries 2, 4, 8, ... or 512 check codewords.
bool isCheckCodewordCount(std::int32_t count) {
    return count >= kMinCheckCodewords && count <= kMaxCheckCodewords && (count & (count - 1)) == 0;
}

std::int32_t distinctErasures(std::vector<std::int32_t> indices) {
    std::sort(indices.begin(), indices.end());
    return static_cast<std::int32_t>(std::unique(indices.begin(), indices.end()) - indices.begin());
}

// Whether a correction that located `located` positions, `erased` of them
// known beforehand, leaves the symbol verified. E check codewords can restore
// up to E unknowns, counting an error twice (its place and its value) and an
// erasure once; but a correction that uses all of them is always possible,
// right or wrong, and nothing would be left to tell a misread symbol from a
// sound one. Two check codewords are therefore kept for detection: the
// budget is 2 x errors + erasures <= E - 2, so a symbol with 2 check codewords
// passes only as read, undamaged.
bool withinCorrectionBudget(std::int32_t located, std::int32_t erased, std::int32_t checkCount) {
    const std::int32_t errors = std::max(located - erased, 0);
    return 2 * errors + erased <= checkCount - kMinCheckCodewords;
}

// One symbol under correction: the codewords as read, corrected in place.
struct Correcting {
    std::vector<std::int32_t> codewords;
    std::span<const std::int32_t> erasures;
    std::int32_t erased = 0;

    std::int32_t total() const { return static_cast<std::int32_t>(codewords.size()); }
};

// Corrects the codewords as a symbol with `checkCount` check codewords. Holds
// when the correction is within the budget and the corrected length
// descriptor announces exactly the codewords before the check codewords;
// otherwise the codewords are restored as read.
std::optional<std::int32_t> correctAs(Correcting& symbol, std::int32_t checkCount) {
    const std::int32_t total = symbol.total();
    if (!isCheckCodewordCount(checkCount) || checkCount >= total) {
        return std::nullopt;
    }
    const std::vector<std::int32_t> asRead = symbol.codewords;
    const std::int32_t located =
        correctErrors(symbol.codewords.data(), symbol.erasures.data(),
                      static_cast<std::int32_t>(symbol.erasures.size()), total, checkCount);
    if (located >= 0 && withinCorrectionBudget(located, symbol.erased, checkCount) &&
        symbol.codewords[0] == total - checkCount) {
        return located;
    }
    symbol.codewords = asRead;
    return std::nullopt;
}

struct Correction {
    std::optional<std::int32_t> located;
    std::int32_t checkCount = 0;
    // Whether any count was tried; none means no count fits the symbol.
    bool tried = false;
};

// Without a stated level, the count of check codewords comes from the length
// descriptor: everything after the codewords it announces. But the descriptor
// is a codeword like any other and may be the one misread, so when the count
// it announces does not hold, the other counts a symbol can have are tried,
// largest first.
Correction correctWithDescriptor(Correcting& symbol) {
    const std::int32_t total = symbol.total();
    const std::int32_t announced = total - symbol.codewords[0];
    Correction correction;
    const auto attempt = [&](std::int32_t checkCount) {
        if (isCheckCodewordCount(checkCount) && checkCount < total) {
            correction.tried = true;
            correction.located = correctAs(symbol, checkCount);
            correction.checkCount = checkCount;
        }
        return correction.located.has_value();
    };
    if (attempt(announced)) {
        return correction;
    }
    // A failed announced count is the descriptor's verdict; only a count that
    // could not even be tried leaves the symbol without one.
    const bool announcedTried = correction.tried;
    for (std::int32_t checkCount = kMaxCheckCodewords; checkCount >= kMinCheckCodewords;
         checkCount /= 2) {
        if (checkCount != announced && attempt(checkCount)) {
            return correction;
        }
    }
    correction.tried = announcedTried;
    return correction;
}

// Whether the codewords can be a symbol of the shape the row indicators state.
bool fitsStatedShape(const SymbolCodewords& found, const StatedShape& stated) {
    if (!stated.anyStated() && !stated.contradictory) {
        return true;
    }
    const auto total = static_cast<std::int32_t>(found.codewords.size());
    return total % found.rows == 0 && stated.admits(found.rows, total / found.rows);
}

}  // namespace

std::int32_t CorrectedCodewords::columns() const {
    return rows > 0 ? static_cast<std::int32_t>(codewords.size()) / rows : 0;
}

std::int32_t CorrectedCodewords::ecLevel() const {
    return errorCorrectionLevel(static_cast<std::int32_t>(codewords.size()) - codewords[0]);
}

Result<CorrectedCodewords> correctCodewords(const SymbolCodewords& found) {
    if (found.codewords.empty() || found.rows <= 0 ||
        found.codewords.size() > static_cast<std::size_t>(kMaxSymbolCodewords) ||
        found.erasures.size() > found.codewords.size()) {
        return DecodeFailure::NoSymbol;
    }
    const StatedShape stated = summariseRowIndicators(found.indicators);
    if (!fitsStatedShape(found, stated)) {
        return DecodeFailure::NoSymbol;
    }

    Correcting symbol{found.codewords, found.erasures, distinctErasures(found.erasures)};
    Correction correction;
    if (stated.level) {
        correction.checkCount = checkCodewordsOfLevel(*stated.level);
        correction.tried = correction.checkCount < symbol.total();
        correction.located = correctAs(symbol, correction.checkCount);
    } else {
        correction = correctWithDescriptor(symbol);
    }
    if (!correction.located) {
        return correction.tried ? DecodeFailure::Uncorrectable : DecodeFailure::NoSymbol;
    }
    return CorrectedCodewords{found.rows, std::move(symbol.codewords), correction.checkCount,
                              *correction.located, symbol.erased};
}

Result<DecodedCodewords> interpretSymbol(CorrectedCodewords corrected) {
    Result<SegmentList> segments = interpretCodewords(corrected.codewords);
    if (!segments.ok()) {
        return segments.failure();
    }
    return DecodedCodewords{std::move(corrected), std::move(segments).value()};
}

Result<DecodedCodewords> decodeCodewords(const SymbolCodewords& found) {
    Result<CorrectedCodewords> corrected = correctCodewords(found);
    if (!corrected.ok()) {
        return corrected.failure();
    }
    return interpretSymbol(std::move(corrected).value());
}

}  // namespace ostrel2::tessoran
