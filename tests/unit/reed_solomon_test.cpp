// SPDX-License-Identifier: Apache-2.0
#include "symbol/ReedSolomon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::correctErrors;
using Word = std::vector<std::int32_t>;

// `word` followed by its `ecCount` check codewords, from the test encoder.
Word encode(Word word, int ecCount) {
    const Word checks = checkCodewords(word, ecCount);
    word.insert(word.end(), checks.begin(), checks.end());
    return word;
}

// Corrects `word` in place, with guard values on both sides of it that fail
// the test if the correction writes over them.
std::int32_t correct(Word& word, const Word& erasures, std::int32_t ecCount) {
    constexpr std::int32_t kGuard = 0x5A5A5A5A;
    Word buffer(word.size() + 128, kGuard);
    std::copy(word.begin(), word.end(), buffer.begin() + 64);
    const std::int32_t result =
        correctErrors(&buffer[64], erasures.data(), static_cast<std::int32_t>(erasures.size()),
                      static_cast<std::int32_t>(word.size()), ecCount);
    EXPECT_EQ(std::count(buffer.begin(), buffer.begin() + 64, kGuard), 64);
    EXPECT_EQ(std::count(buffer.end() - 64, buffer.end(), kGuard), 64);
    word.assign(buffer.begin() + 64, buffer.end() - 64);
    return result;
}

Word with(Word word, std::initializer_list<std::pair<std::size_t, std::int32_t>> changes) {
    for (const auto& [index, value] : changes) {
        word[index] = value;
    }
    return word;
}

struct Example {
    std::string name;
    Word received;
    Word erasures;
    std::int32_t ecCount;
    std::int32_t result;
    Word corrected;  // the received word itself when nothing may change
};

// The edges of what the correction takes and refuses; damage inside the
// bound is the random test's.
TEST(ReedSolomon, WorkedExamples) {
    const Word e2{4, 1, 2, 3, 322, 687};
    const Word bothErased = with(e2, {{1, 0}, {4, 0}});
    const Word oneError = with(e2, {{2, 102}});
    const Word zeroErased = encode({5, 0, 7, 9, 0}, 4);
    // Its locator's one root is inside the word, yet no valid word is left.
    const Word unexplained{533, 552, 539, 624, 323, 645, 54};
    // S_1 but not S_2 nonzero: the locator names no position, yet it is damage.
    const Word locatesNothing = with(e2, {{1, 100}, {3, 345}});
    // Beyond 928 codewords a position and the one 928 further share a locator.
    const Word long1000 = encode(Word(992, 11), 8);
    const Word long1000Damaged = with(long1000, {{990, 12}});
    // The only word shorter than 2047 that a generator of degree 2047 divides.
    const Word zeros(900, 0);
    const Word zerosDamaged = with(zeros, {{0, 5}, {450, 6}, {899, 7}});
    const std::vector<Example> examples{
        {"an erasure listed twice counts once", bothErased, {1, 4, 1}, 2, 2, e2},
        // An erased codeword whose value was 0 is located all the same; alone
        // it leaves every syndrome 0.
        {"an erased zero alone", zeroErased, {1}, 4, 0, zeroErased},
        {"E = 0 corrects nothing", oneError, {}, 0, 0, oneError},
        {"codeword 929", with(e2, {{5, 929}}), {}, 2, -1, with(e2, {{5, 929}})},
        {"negative codeword", with(e2, {{0, -1}}), {}, 2, -1, with(e2, {{0, -1}})},
        {"codeword 930 with E = 0", with(e2, {{2, 930}}), {}, 0, -1, with(e2, {{2, 930}})},
        {"more erasures than E", bothErased, {0, 1, 4}, 2, -1, bothErased},
        {"an erasure past the end", bothErased, {1, 6}, 2, -1, bothErased},
        {"a negative erasure", bothErased, {-1, 4}, 2, -1, bothErased},
        {"E above the working storage", oneError, {}, 2048, -1, oneError},
        {"the largest working storage", zerosDamaged, {}, 2047, 3, zeros},
        {"located errors that explain no syndrome", unexplained, {}, 4, -1, unexplained},
        {"damage that locates nothing", locatesNothing, {}, 2, -1, locatesNothing},
        {"1000 codewords intact", long1000, {}, 8, 0, long1000},
        {"1000 codewords damaged", long1000Damaged, {}, 8, -1, long1000Damaged},
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(example.name);
        Word word = example.received;
        EXPECT_EQ(correct(word, example.erasures, example.ecCount), example.result);
        EXPECT_EQ(word, example.corrected);
    }
    Word word = oneError;
    EXPECT_EQ(correctErrors(word.data(), word.data(), -1, 6, 2), -1);
    EXPECT_EQ(correctErrors(word.data(), word.data(), 0, -6, 2), -1);
    EXPECT_EQ(word, oneError);
}

// A number from 0 to bound - 1; the modulo keeps the sequence the same with
// every standard library, which distributions do not.
std::int32_t below(std::mt19937& random, std::int32_t bound) {
    return static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(bound));
}

// Symbols of every level, a quarter of them 928 codewords long, with `errors`
// changed and `erasures` erased (stored as 0, listed in random order) at
// distinct places: within 2t + v <= E every word is restored; beyond it the
// correction is refused, leaving the word as received, or gives a valid word
// (perhaps another symbol's) that differs in no more places than it reports.
TEST(ReedSolomon, RandomDamageWithinAndBeyondTheBound) {
    std::mt19937 random(20240611);
    int refused = 0;
    for (int level = 0; level <= 8; ++level) {
        const std::int32_t ecCount = 2 << level;
        for (int symbol = 0; symbol < 100; ++symbol) {
            const std::int32_t count =
                below(random, 4) == 0 ? 928 : ecCount + 1 + below(random, 928 - ecCount);
            Word data(static_cast<std::size_t>(count - ecCount));
            std::generate(data.begin(), data.end(), [&random] { return below(random, 929); });
            const Word clean = encode(data, ecCount);
            const bool beyond = symbol % 3 == 0;
            std::int32_t erasures = below(random, beyond ? ecCount + 2 : ecCount + 1);
            std::int32_t errors = beyond ? (ecCount - erasures) / 2 + 1 + below(random, ecCount / 2)
                                         : below(random, (ecCount - erasures) / 2 + 1);
            errors = std::min(errors, count - erasures);
            Word indices(clean.size());
            std::iota(indices.begin(), indices.end(), 0);
            std::shuffle(indices.begin(), indices.end(), random);
            Word received = clean;
            bool changed = errors > 0;
            for (std::int32_t k = 0; k < erasures + errors; ++k) {
                std::int32_t& value = received[static_cast<std::size_t>(indices[k])];
                changed = changed || value != 0;
                value = k < erasures ? 0 : (value + 1 + below(random, 928)) % 929;
            }
            const Word erased(indices.begin(), indices.begin() + erasures);
            SCOPED_TRACE("E=" + std::to_string(ecCount) + " n=" + std::to_string(count) +
                         " t=" + std::to_string(errors) + " v=" + std::to_string(erasures));
            Word word = received;
            const std::int32_t result = correct(word, erased, ecCount);
            if (!beyond) {
                ASSERT_EQ(result, changed ? errors + erasures : 0);
                ASSERT_EQ(word, clean);
            } else if (result < 0) {
                ASSERT_EQ(word, received);
                ++refused;
            } else {
                EXPECT_LE(std::transform_reduce(received.begin(), received.end(), word.begin(), 0,
                                                std::plus<>(), std::not_equal_to<>()),
                          result);
                EXPECT_EQ(correct(word, {}, ecCount), 0);  // a valid word needs nothing
            }
        }
    }
    EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace tessoran_test
