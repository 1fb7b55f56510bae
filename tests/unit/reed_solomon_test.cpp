#include "reader/ReedSolomon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::correctErrors;
using Word = std::vector<std::int32_t>;

// `data` followed by its `ecCount` check codewords, from the test encoder.
Word encode(const Word& data, int ecCount) {
    Word word = data;
    for (const int check : checkCodewords(std::vector<int>(data.begin(), data.end()), ecCount)) {
        word.push_back(check);
    }
    return word;
}

// S_1 .. S_E, the last codeword having position 1, in plain modular
// arithmetic independent of the decoder's tables.
Word syndromesOf(const Word& word, int ecCount) {
    Word syndromes;
    for (int j = 1; j <= ecCount; ++j) {
        std::int64_t step = 1;
        for (int k = 0; k < j; ++k) {
            step = step * 3 % 929;
        }
        std::int64_t sum = 0;
        std::int64_t power = 1;
        for (auto codeword = word.rbegin(); codeword != word.rend(); ++codeword) {
            power = power * step % 929;
            sum = (sum + *codeword * power) % 929;
        }
        syndromes.push_back(static_cast<std::int32_t>((sum + 929) % 929));
    }
    return syndromes;
}

struct Outcome {
    std::int32_t result = 0;
    Word codewords;
};

// Runs the correction on a copy of `word` with guard values on both sides,
// and fails the test if any guard was overwritten.
Outcome correct(const Word& word, const Word& erasures, std::int32_t ecCount) {
    constexpr std::int32_t kGuard = 0x5A5A5A5A;
    Word buffer(64, kGuard);
    buffer.insert(buffer.end(), word.begin(), word.end());
    buffer.insert(buffer.end(), 64, kGuard);
    Outcome outcome;
    outcome.result = correctErrors(buffer.data() + 64, erasures.data(),
                                   static_cast<std::int32_t>(erasures.size()),
                                   static_cast<std::int32_t>(word.size()), ecCount);
    EXPECT_EQ(Word(buffer.begin(), buffer.begin() + 64), Word(64, kGuard));
    EXPECT_EQ(Word(buffer.end() - 64, buffer.end()), Word(64, kGuard));
    outcome.codewords.assign(buffer.begin() + 64, buffer.end() - 64);
    return outcome;
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

TEST(ReedSolomon, WorkedExamples) {
    const Word e2{4, 1, 2, 3, 322, 687};
    const Word e4{4, 1, 2, 3, 603, 689, 543, 56};
    ASSERT_EQ(encode({4, 1, 2, 3}, 2), e2);
    ASSERT_EQ(encode({4, 1, 2, 3}, 4), e4);
    const Word bothErased = with(e2, {{1, 0}, {4, 0}});
    const Word oneError = with(e2, {{2, 102}});
    const Word zeroErased = encode({5, 0, 7, 9, 0}, 4);
    // Far beyond the bound, the locator of this word has its one root inside
    // the word, yet removing the error found there leaves no valid word.
    const Word unexplained{533, 552, 539, 624, 323, 645, 54};
    // Two changes that leave S_2 at 0 but not S_1: damage whose locator names
    // no position must not pass as intact.
    Word locatesNothing = with(e2, {{1, 100}});
    for (std::int32_t value = 0; value < 929; ++value) {
        locatesNothing[3] = value;
        const Word syndromes = syndromesOf(locatesNothing, 2);
        if (syndromes[0] != 0 && syndromes[1] == 0) {
            break;
        }
    }
    // Beyond 928 codewords a position and the one 928 further share a locator.
    const Word long1000 = encode(Word(992, 11), 8);
    const std::vector<Example> examples{
        {"clean", e2, {}, 2, 0, e2},
        {"one error", oneError, {}, 2, 1, e2},
        {"two erasures", bothErased, {1, 4}, 2, 2, e2},
        {"erasures listed in reverse", bothErased, {4, 1}, 2, 2, e2},
        {"an erasure listed twice counts once", bothErased, {1, 4, 1}, 2, 2, e2},
        {"two errors", with(e4, {{4, 378}, {7, 557}}), {}, 4, 2, e4},
        {"an error in the length descriptor", with(e4, {{0, 0}}), {}, 4, 1, e4},
        {"an erasure and an error", with(e4, {{2, 0}, {6, 17}}), {2}, 4, 2, e4},
        // An erased codeword whose value was 0 is located all the same; alone
        // it leaves every syndrome 0.
        {"an erased zero counts", with(zeroErased, {{3, 0}}), {1, 3}, 4, 2, zeroErased},
        {"an erased zero alone", zeroErased, {1}, 4, 0, zeroErased},
        {"E = 0 corrects nothing", oneError, {}, 0, 0, oneError},
        {"negative E corrects nothing", oneError, {}, -3, 0, oneError},
        {"all zero", Word(8, 0), {}, 4, 0, Word(8, 0)},
        {"codeword 929", with(e2, {{5, 929}}), {}, 2, -1, with(e2, {{5, 929}})},
        {"negative codeword", with(e2, {{0, -1}}), {}, 2, -1, with(e2, {{0, -1}})},
        {"codeword 930 with E = 0", with(e2, {{2, 930}}), {}, 0, -1, with(e2, {{2, 930}})},
        {"more erasures than E", bothErased, {0, 1, 4}, 2, -1, bothErased},
        {"an erasure past the end", bothErased, {1, 6}, 2, -1, bothErased},
        {"a negative erasure", bothErased, {-1, 4}, 2, -1, bothErased},
        {"E above the working storage", oneError, {}, 2048, -1, oneError},
        {"located errors that explain no syndrome", unexplained, {}, 4, -1, unexplained},
        {"damage that locates nothing", locatesNothing, {}, 2, -1, locatesNothing},
        {"1000 codewords intact", long1000, {}, 8, 0, long1000},
        {"1000 codewords damaged",
         with(long1000, {{990, 12}}),
         {},
         8,
         -1,
         with(long1000, {{990, 12}})},
        // The only word shorter than 2047 divisible by a generator of degree
        // 2047 is the zero word.
        {"the largest working storage",
         with(Word(900, 0), {{0, 5}, {450, 6}, {899, 7}}),
         {},
         2047,
         3,
         Word(900, 0)},
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(example.name);
        const Outcome outcome = correct(example.received, example.erasures, example.ecCount);
        EXPECT_EQ(outcome.result, example.result);
        EXPECT_EQ(outcome.codewords, example.corrected);
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

// Symbols of every level, a quarter of them of the full 928 codewords, with
// `errors` changed and `erasures` erased codewords (stored as 0, listed in
// random order) at distinct random places: within the bound 2t + v <= E every
// one is restored; beyond it the correction is refused, leaving the word as
// received, or gives a valid word (possibly another symbol's, which no code
// can tell apart) that differs in no more places than it reports.
TEST(ReedSolomon, RandomDamageWithinAndBeyondTheBound) {
    std::mt19937 random(20240611);
    int refused = 0;
    for (int level = 0; level <= 8; ++level) {
        const std::int32_t ecCount = 2 << level;
        for (int symbol = 0; symbol < 100; ++symbol) {
            const std::int32_t count =
                below(random, 4) == 0 ? 928 : ecCount + 1 + below(random, 928 - ecCount);
            Word data(static_cast<std::size_t>(count - ecCount));
            for (std::int32_t& value : data) {
                value = below(random, 929);
            }
            data[0] = static_cast<std::int32_t>(data.size());
            const Word clean = encode(data, ecCount);
            const bool beyond = symbol % 3 == 0;
            std::int32_t erasures = below(random, beyond ? ecCount + 2 : ecCount + 1);
            std::int32_t errors = beyond ? (ecCount - erasures) / 2 + 1 + below(random, ecCount / 2)
                                         : below(random, (ecCount - erasures) / 2 + 1);
            errors = std::min(errors, count - erasures);
            Word indices(clean.size());
            for (std::size_t i = 0; i < indices.size(); ++i) {
                indices[i] = static_cast<std::int32_t>(i);
            }
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
            const Outcome outcome = correct(received, erased, ecCount);
            if (!beyond) {
                ASSERT_EQ(outcome.result, changed ? errors + erasures : 0);
                ASSERT_EQ(outcome.codewords, clean);
            } else if (outcome.result < 0) {
                ASSERT_EQ(outcome.codewords, received);
                ++refused;
            } else {
                int differing = 0;
                for (std::size_t i = 0; i < received.size(); ++i) {
                    differing += outcome.codewords[i] != received[i] ? 1 : 0;
                }
                EXPECT_LE(differing, outcome.result);
                EXPECT_EQ(syndromesOf(outcome.codewords, ecCount), Word(ecCount, 0));
            }
        }
    }
    EXPECT_GT(refused, 100);
}

}  // namespace
}  // namespace tessoran_test
