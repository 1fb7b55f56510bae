// SPDX-License-Identifier: Apache-2.0
#include "symbol/ReedSolomon.h"

#include <algorithm>
#include <array>

#include "symbol/GaloisField929.h"

// The codewords c[0] .. c[n-1], first codeword highest, form a polynomial that
// a valid symbol makes divisible by (x - 3)(x - 3^2)...(x - 3^E). The codeword
// at index q has the position p = n - q (the last codeword has position 1) and
// the error locator X = 3^p. Polynomials are held as coefficient arrays, the
// constant term first, and never grow beyond x^E.

namespace ostrel2::tessoran {
namespace {

constexpr std::int32_t kUncorrectable = -1;

// Fixed working storage: polynomials up to x^E and the syndromes S_1 .. S_E
// each fit in one array, so E may be at most 2047. Symbols carry at most 512
// check codewords.
constexpr std::int32_t kWorkingSize = 2048;
constexpr std::int32_t kMaxCheckCodewords = kWorkingSize - 1;

// Positions p and p + 928 share the locator 3^p, so in a longer word a located
// error could belong to either codeword. Valid symbols never exceed 928.
constexpr std::int32_t kMaxLocatableLength = kFieldOrder;

using WorkArray = std::array<std::int32_t, kWorkingSize>;

bool allFieldElements(const std::int32_t* codewords, std::int32_t count) {
    return std::all_of(codewords, codewords + count,
                       [](std::int32_t value) { return value >= 0 && value < kFieldSize; });
}

bool allInside(const std::int32_t* indices, std::int32_t count, std::int32_t codewordCount) {
    return std::all_of(indices, indices + count, [codewordCount](std::int32_t index) {
        return index >= 0 && index < codewordCount;
    });
}

// S_j = sum over positions p of c[n-p] * 3^(p*j), for j = 1 to E, into
// syndromes[1..E]. Returns whether any of them is nonzero.
bool computeSyndromes(const std::int32_t* codewords, std::int32_t count, std::int32_t ecCount,
                      WorkArray& syndromes) {
    std::fill_n(syndromes.begin(), ecCount + 1, 0);
    for (std::int32_t index = 0; index < count; ++index) {
        const std::int32_t value = codewords[index];
        if (value == 0) {
            continue;
        }
        // Multiplying by 3^p from one syndrome to the next adds p to the
        // logarithm of the term.
        const std::int32_t step = (count - index) % kFieldOrder;
        std::int32_t termLog = gfLog[value];
        for (std::int32_t j = 1; j <= ecCount; ++j) {
            termLog += step;
            if (termLog >= kFieldOrder) {
                termLog -= kFieldOrder;
            }
            syndromes[j] = gfAdd(syndromes[j], gfExp[termLog]);
        }
    }
    return std::any_of(syndromes.begin() + 1, syndromes.begin() + ecCount + 1,
                       [](std::int32_t value) { return value != 0; });
}

// Multiplies the polynomial by x, dropping the term that would pass x^E.
void shiftUp(WorkArray& polynomial, std::int32_t ecCount) {
    std::copy_backward(polynomial.begin(), polynomial.begin() + ecCount,
                       polynomial.begin() + ecCount + 1);
    polynomial[0] = 0;
}

// The erasure locator: the product of (1 - X x) over the erased positions.
// An index listed twice is one unreadable codeword and counts once. Returns
// the number of distinct erased codewords.
std::int32_t buildErasureLocator(const std::int32_t* erasures, std::int32_t erasureCount,
                                 std::int32_t codewordCount, std::int32_t ecCount,
                                 WorkArray& locator) {
    std::array<bool, kMaxLocatableLength> erased{};
    std::fill_n(locator.begin(), ecCount + 1, 0);
    locator[0] = 1;
    std::int32_t distinct = 0;
    for (std::int32_t entry = 0; entry < erasureCount; ++entry) {
        const std::int32_t index = erasures[entry];
        if (erased[index]) {
            continue;
        }
        erased[index] = true;
        ++distinct;
        if (distinct > ecCount) {
            // More unknowns than check codewords: the caller gives up anyway.
            continue;
        }
        const std::int32_t locatorValue = gfPowerOfThree(codewordCount - index);
        for (std::int32_t power = distinct; power >= 1; --power) {
            locator[power] =
                gfSubtract(locator[power], gfMultiply(locatorValue, locator[power - 1]));
        }
    }
    return distinct;
}

// Errors-and-erasures Berlekamp-Massey: starting from the erasure locator,
// with register length equal to the number of erasures, finds the shortest
// locator that also explains S_(v+1) .. S_E. The correction polynomial is
// replaced only when the register has to grow; otherwise it moves up by x.
void findLocator(const WorkArray& syndromes, std::int32_t ecCount, const WorkArray& erasureLocator,
                 std::int32_t erasedCount, WorkArray& locator) {
    WorkArray correction{};
    std::copy_n(erasureLocator.begin(), ecCount + 1, locator.begin());
    std::copy_n(erasureLocator.begin(), ecCount + 1, correction.begin());
    std::int32_t registerLength = erasedCount;
    for (std::int32_t step = erasedCount + 1; step <= ecCount; ++step) {
        std::int32_t discrepancy = 0;
        for (std::int32_t i = 0; i < step; ++i) {
            discrepancy = gfAdd(discrepancy, gfMultiply(locator[i], syndromes[step - i]));
        }
        if (discrepancy == 0) {
            shiftUp(correction, ecCount);
            continue;
        }
        if (2 * registerLength <= step - 1 + erasedCount) {
            // Locator <- locator - discrepancy * x * correction, while the
            // correction becomes the old locator divided by the discrepancy.
            // Going down from the top, each old coefficient is still in
            // place when it is needed.
            const std::int32_t inverse = gfInverse(discrepancy);
            for (std::int32_t i = ecCount; i >= 1; --i) {
                const std::int32_t old = locator[i];
                locator[i] = gfSubtract(old, gfMultiply(discrepancy, correction[i - 1]));
                correction[i] = gfMultiply(old, inverse);
            }
            correction[0] = gfMultiply(locator[0], inverse);
            registerLength = step + erasedCount - registerLength;
        } else {
            for (std::int32_t i = 1; i <= ecCount; ++i) {
                locator[i] = gfSubtract(locator[i], gfMultiply(discrepancy, correction[i - 1]));
            }
            shiftUp(correction, ecCount);
        }
    }
}

std::int32_t degreeOf(const WorkArray& polynomial, std::int32_t ecCount) {
    std::int32_t degree = ecCount;
    while (degree > 0 && polynomial[degree] == 0) {
        --degree;
    }
    return degree;
}

// Finds the positions p in 1 .. n at which the locator vanishes at 3^(-p),
// stopping once `degree` are found. A root at any other field point would
// name a codeword outside the symbol, so it is not looked for: the count then
// falls short and the caller refuses the correction.
std::int32_t findErrorPositions(const WorkArray& locator, std::int32_t degree,
                                std::int32_t codewordCount, WorkArray& positions) {
    // Logarithms of the terms locator[j] * x^j, starting at x = 1; going from
    // position p - 1 to p multiplies x by 3^(-1), so term j loses j.
    WorkArray termLog{};
    for (std::int32_t j = 1; j <= degree; ++j) {
        termLog[j] = gfLog[locator[j]];
    }
    std::int32_t found = 0;
    for (std::int32_t position = 1; position <= codewordCount && found < degree; ++position) {
        std::int32_t sum = locator[0];
        for (std::int32_t j = 1; j <= degree; ++j) {
            if (termLog[j] == ZERO_LOG) {
                continue;
            }
            termLog[j] = (termLog[j] + kFieldOrder - j % kFieldOrder) % kFieldOrder;
            sum += gfExp[termLog[j]];
        }
        if (sum % kFieldSize == 0) {
            positions[found++] = position;
        }
    }
    return found;
}

// The evaluator: S(x) * locator(x) mod x^E, with S(x) = S_1 + S_2 x + ...
void computeEvaluator(const WorkArray& syndromes, const WorkArray& locator, std::int32_t degree,
                      std::int32_t ecCount, WorkArray& evaluator) {
    for (std::int32_t m = 0; m < ecCount; ++m) {
        std::int32_t sum = 0;
        for (std::int32_t j = 0; j <= std::min(m, degree); ++j) {
            sum = gfAdd(sum, gfMultiply(locator[j], syndromes[m + 1 - j]));
        }
        evaluator[m] = sum;
    }
}

// Forney: the error at position p, with x = 3^(-p), is x * evaluator(x)
// divided by the product over the other located positions p' of
// (1 - 3^(p' - p)). The positions are distinct, so no factor is 0.
void computeErrorValues(const WorkArray& evaluator, std::int32_t ecCount,
                        const WorkArray& positions, std::int32_t count, WorkArray& errorValues) {
    for (std::int32_t k = 0; k < count; ++k) {
        const std::int32_t x = gfPowerOfThree(-positions[k]);
        std::int32_t numerator = 0;
        std::int32_t xPower = x;
        for (std::int32_t m = 0; m < ecCount; ++m) {
            numerator = gfAdd(numerator, gfMultiply(evaluator[m], xPower));
            xPower = gfMultiply(xPower, x);
        }
        std::int32_t denominator = 1;
        for (std::int32_t other = 0; other < count; ++other) {
            if (other != k) {
                const std::int32_t ratio = gfPowerOfThree(positions[other] - positions[k]);
                denominator = gfMultiply(denominator, gfSubtract(1, ratio));
            }
        }
        errorValues[k] = gfMultiply(numerator, gfInverse(denominator));
    }
}

// Whether the errors found account for every syndrome, that is, whether
// removing them leaves a valid symbol. Beyond the correctable bound a locator
// can have all its roots and still give errors that do not: such a
// "correction" would hand on a word that is no symbol at all.
bool errorsExplainSyndromes(const WorkArray& syndromes, std::int32_t ecCount,
                            const WorkArray& positions, const WorkArray& errorValues,
                            std::int32_t count) {
    WorkArray expected{};
    for (std::int32_t k = 0; k < count; ++k) {
        if (errorValues[k] == 0) {
            continue;
        }
        const std::int32_t step = positions[k] % kFieldOrder;
        std::int32_t termLog = gfLog[errorValues[k]];
        for (std::int32_t j = 1; j <= ecCount; ++j) {
            termLog += step;
            if (termLog >= kFieldOrder) {
                termLog -= kFieldOrder;
            }
            expected[j] = gfAdd(expected[j], gfExp[termLog]);
        }
    }
    return std::equal(syndromes.begin() + 1, syndromes.begin() + ecCount + 1, expected.begin() + 1);
}

}  // namespace

std::int32_t correctErrors(std::int32_t* codewords, const std::int32_t* erasures,
                           std::int32_t erasureCount, std::int32_t codewordCount,
                           std::int32_t ecCount) {
    if (codewordCount < 0 || erasureCount < 0 || (codewordCount > 0 && codewords == nullptr) ||
        (erasureCount > 0 && erasures == nullptr)) {
        return kUncorrectable;
    }
    // 929 is no field element either; the reader never stores it, so a word
    // holding it did not come from a symbol.
    if (!allFieldElements(codewords, codewordCount)) {
        return kUncorrectable;
    }
    if (ecCount < 1) {
        return 0;
    }
    if (ecCount > kMaxCheckCodewords || !allInside(erasures, erasureCount, codewordCount)) {
        return kUncorrectable;
    }

    WorkArray syndromes{};
    if (!computeSyndromes(codewords, codewordCount, ecCount, syndromes)) {
        return 0;
    }
    if (codewordCount > kMaxLocatableLength) {
        return kUncorrectable;
    }

    WorkArray erasureLocator{};
    const std::int32_t erasedCount =
        buildErasureLocator(erasures, erasureCount, codewordCount, ecCount, erasureLocator);
    if (erasedCount > ecCount) {
        return kUncorrectable;
    }
    WorkArray locator{};
    findLocator(syndromes, ecCount, erasureLocator, erasedCount, locator);

    const std::int32_t degree = degreeOf(locator, ecCount);
    WorkArray positions{};
    if (findErrorPositions(locator, degree, codewordCount, positions) != degree) {
        return kUncorrectable;
    }

    WorkArray evaluator{};
    computeEvaluator(syndromes, locator, degree, ecCount, evaluator);
    WorkArray errorValues{};
    computeErrorValues(evaluator, ecCount, positions, degree, errorValues);
    // This also refuses a locator of degree 0: it names no position, yet the
    // nonzero syndromes say that something is wrong.
    if (!errorsExplainSyndromes(syndromes, ecCount, positions, errorValues, degree)) {
        return kUncorrectable;
    }

    // Only now, with every check passed, is anything changed.
    for (std::int32_t k = 0; k < degree; ++k) {
        std::int32_t& codeword = codewords[codewordCount - positions[k]];
        codeword = gfSubtract(codeword, errorValues[k]);
    }
    return degree;
}

}  // namespace ostrel2::tessoran
