// SPDX-License-Identifier: Apache-2.0
#include "reader/CodewordStep.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "decoding/CodewordInterpreter.h"
#include "reader/ReedSolomon.h"

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

std::int32_t distinctErasures(const DecodeResult& result) {
    std::vector<std::int32_t> indices(result.erasures, result.erasures + result.erasureCount);
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

// Corrects the codewords of `result` in place as a symbol with `checkCount`
// check codewords. Holds when the correction is within the budget and the
// corrected length descriptor announces exactly the codewords before the
// check codewords; otherwise the codewords are restored as read.
std::optional<std::int32_t> correctAs(DecodeResult& result, std::int32_t checkCount,
                                      std::int32_t erased) {
    const std::int32_t total = result.codewordCount;
    if (!isCheckCodewordCount(checkCount) || checkCount >= total) {
        return std::nullopt;
    }
    const std::vector<std::int32_t> asRead(result.codewords, result.codewords + total);
    const std::int32_t located =
        correctErrors(result.codewords, result.erasures, result.erasureCount, total, checkCount);
    if (located >= 0 && withinCorrectionBudget(located, erased, checkCount) &&
        result.codewords[0] == total - checkCount) {
        return located;
    }
    std::copy(asRead.begin(), asRead.end(), result.codewords);
    return std::nullopt;
}

struct Correction {
    std::optional<std::int32_t> located;
    // Whether any count was tried; none means no count fits the symbol.
    bool tried = false;
};

// Without a stated level, the count of check codewords comes from the length
// descriptor: everything after the codewords it announces. But the descriptor
// is a codeword like any other and may be the one misread, so when the count
// it announces does not hold, the other counts a symbol can have are tried,
// largest first.
Correction correctWithDescriptor(DecodeResult& result, std::int32_t erased) {
    const std::int32_t total = result.codewordCount;
    const std::int32_t announced = total - result.codewords[0];
    Correction correction;
    const auto attempt = [&](std::int32_t checkCount) {
        if (isCheckCodewordCount(checkCount) && checkCount < total) {
            correction.tried = true;
            correction.located = correctAs(result, checkCount, erased);
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

}  // namespace

Status decodeCodewords(DecodeResult& result, std::span<const RowIndicatorReading> indicators) {
    if (result.codewordCount <= 0 || result.rowCount <= 0) {
        return kNoSymbol;
    }
    const StatedShape stated = summariseRowIndicators(indicators);
    if (stated.anyStated() || stated.contradictory) {
        const std::int32_t columns = result.codewordCount / result.rowCount;
        if (result.codewordCount % result.rowCount != 0 ||
            !stated.admits(result.rowCount, columns)) {
            return kNoSymbol;
        }
    }

    const std::int32_t erased = distinctErasures(result);
    Correction correction;
    if (stated.level) {
        const std::int32_t checkCount = checkCodewordsOfLevel(*stated.level);
        correction.tried = checkCount < result.codewordCount;
        correction.located = correctAs(result, checkCount, erased);
    } else {
        correction = correctWithDescriptor(result, erased);
    }
    if (!correction.located) {
        return correction.tried ? kUncorrectable : kNoSymbol;
    }
    result.correctedCount = *correction.located;

    const std::int32_t code = interpretCodewords(result);
    if (code != kInterpretOk) {
        return static_cast<Status>(static_cast<std::uint32_t>(kMalformedDataBase) |
                                   static_cast<std::uint32_t>(code));
    }
    return 0;
}

}  // namespace ostrel2::tessoran
