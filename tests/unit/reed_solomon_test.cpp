#include "reader/ReedSolomon.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tessoran_test {
namespace {

using ostrel2::tessoran::correctErrors;
using Word = std::vector<std::int32_t>;

// Plain modular arithmetic, independent of the decoder's tables, for building
// and checking words.
constexpr std::int64_t kPrime = 929;

std::int32_t mod929(std::int64_t value) {
    return static_cast<std::int32_t>(((value % kPrime) + kPrime) % kPrime);
}

std::int32_t powerOfThree(std::int64_t exponent) {
    exponent %= 928;
    std::int64_t result = 1;
    std::int64_t base = 3;
    for (; exponent > 0; exponent /= 2) {
        if (exponent % 2 == 1) {
            result = result * base % kPrime;
        }
        base = base * base % kPrime;
    }
    return static_cast<std::int32_t>(result);
}

// The word `data` followed by its `ecCount` check codewords: the coefficients
// of -(d(x) x^E mod g(x)), g having the roots 3^1 .. 3^E, highest power first.
Word encode(const Word& data, int ecCount) {
    Word generator{1};  // highest power first
    for (int root = 1; root <= ecCount; ++root) {
        const std::int32_t value = powerOfThree(root);
        Word next(generator.size() + 1, 0);
        for (std::size_t i = 0; i < generator.size(); ++i) {
            next[i] = mod929(next[i] + generator[i]);
            next[i + 1] = mod929(next[i + 1] - std::int64_t{value} * generator[i]);
        }
        generator = next;
    }
    Word remainder(data);
    remainder.resize(data.size() + static_cast<std::size_t>(ecCount), 0);
    for (std::size_t i = 0; i < data.size(); ++i) {
        const std::int64_t factor = remainder[i];
        for (int j = 1; j <= ecCount; ++j) {
            remainder[i + static_cast<std::size_t>(j)] =
                mod929(remainder[i + static_cast<std::size_t>(j)] - factor * generator[j]);
        }
    }
    Word word(data);
    for (std::size_t i = data.size(); i < remainder.size(); ++i) {
        word.push_back(mod929(-std::int64_t{remainder[i]}));
    }
    return word;
}

// S_j for j = 1 to E, the last codeword having position 1.
Word syndromesOf(const Word& word, int ecCount) {
    Word syndromes;
    const auto count = static_cast<std::int64_t>(word.size());
    for (int j = 1; j <= ecCount; ++j) {
        std::int64_t sum = 0;
        for (std::int64_t index = 0; index < count; ++index) {
            sum += std::int64_t{word[static_cast<std::size_t>(index)]} *
                   powerOfThree((count - index) * j);
        }
        syndromes.push_back(mod929(sum));
    }
    return syndromes;
}

bool isCodeword(const Word& word, int ecCount) {
    const Word syndromes = syndromesOf(word, ecCount);
    return std::all_of(syndromes.begin(), syndromes.end(), [](std::int32_t s) { return s == 0; });
}

// A number from 0 to bound - 1; the modulo keeps the sequence the same with
// every standard library, which distributions do not.
std::int32_t below(std::mt19937& random, std::int32_t bound) {
    return static_cast<std::int32_t>(random() % static_cast<std::uint32_t>(bound));
}

struct Outcome {
    std::int32_t result = 0;
    Word codewords;
};

// Runs the correction on a copy of `word` that has guard values on both
// sides, and fails the test if any guard was overwritten.
Outcome correct(const Word& word, const Word& erasures, std::int32_t ecCount,
                std::int32_t erasureCount = -2) {
    constexpr std::int32_t kGuard = 0x5A5A5A5A;
    constexpr std::size_t kGuardSize = 64;
    Word buffer(kGuardSize, kGuard);
    buffer.insert(buffer.end(), word.begin(), word.end());
    buffer.insert(buffer.end(), kGuardSize, kGuard);
    if (erasureCount == -2) {
        erasureCount = static_cast<std::int32_t>(erasures.size());
    }
    Outcome outcome;
    outcome.result = correctErrors(buffer.data() + kGuardSize, erasures.data(), erasureCount,
                                   static_cast<std::int32_t>(word.size()), ecCount);
    for (std::size_t i = 0; i < kGuardSize; ++i) {
        EXPECT_EQ(buffer[i], kGuard) << "write before the codewords";
        EXPECT_EQ(buffer[buffer.size() - 1 - i], kGuard) << "write after the codewords";
    }
    outcome.codewords.assign(buffer.begin() + kGuardSize, buffer.end() - kGuardSize);
    return outcome;
}

const Word kExampleE2{4, 1, 2, 3, 322, 687};
const Word kExampleE4{4, 1, 2, 3, 603, 689, 543, 56};

TEST(ReedSolomon, TestEncoderMatchesTheKnownCheckCodewords) {
    EXPECT_EQ(encode({4, 1, 2, 3}, 2), kExampleE2);
    EXPECT_EQ(encode({4, 1, 2, 3}, 4), kExampleE4);
}

struct Example {
    std::string name;
    Word received;
    Word erasures;
    std::int32_t ecCount;
    std::int32_t expectedResult;
    Word expectedCodewords;  // the received word itself when nothing may change
};

Word with(Word word, std::initializer_list<std::pair<std::size_t, std::int32_t>> changes) {
    for (const auto& [index, value] : changes) {
        word[index] = value;
    }
    return word;
}

TEST(ReedSolomon, WorkedExamples) {
    const Word bothErased = with(kExampleE2, {{1, 0}, {4, 0}});
    const Word twoErrors = with(kExampleE4, {{4, 378}, {7, 557}});
    const Word thirdTooMany = with(kExampleE2, {{0, 0}, {1, 0}, {4, 0}});
    const std::vector<Example> examples{
        {"clean E=2", kExampleE2, {}, 2, 0, kExampleE2},
        {"one error E=2", with(kExampleE2, {{2, 102}}), {}, 2, 1, kExampleE2},
        {"two erasures E=2", bothErased, {1, 4}, 2, 2, kExampleE2},
        {"erasures listed in reverse", bothErased, {4, 1}, 2, 2, kExampleE2},
        {"erasure listed twice counts once", bothErased, {1, 4, 1}, 2, 2, kExampleE2},
        {"clean E=4", kExampleE4, {}, 4, 0, kExampleE4},
        {"two errors E=4", twoErrors, {}, 4, 2, kExampleE4},
        {"one error E=4", with(kExampleE4, {{1, 500}}), {}, 4, 1, kExampleE4},
        {"one error in the length descriptor", with(kExampleE4, {{0, 0}}), {}, 4, 1, kExampleE4},
        {"one erasure and one error E=4",
         with(kExampleE4, {{2, 0}, {6, 17}}),
         {2},
         4,
         2,
         kExampleE4},
        {"E=0 corrects nothing",
         with(kExampleE2, {{2, 102}}),
         {},
         0,
         0,
         with(kExampleE2, {{2, 102}})},
        {"negative E corrects nothing",
         with(kExampleE2, {{2, 102}}),
         {},
         -3,
         0,
         with(kExampleE2, {{2, 102}})},
        {"all zero", Word(8, 0), {}, 4, 0, Word(8, 0)},
        {"codeword 930", with(kExampleE2, {{2, 930}}), {}, 2, -1, with(kExampleE2, {{2, 930}})},
        {"codeword 929", with(kExampleE2, {{5, 929}}), {}, 2, -1, with(kExampleE2, {{5, 929}})},
        {"negative codeword", with(kExampleE2, {{0, -1}}), {}, 2, -1, with(kExampleE2, {{0, -1}})},
        {"codeword 930 with E=0",
         with(kExampleE2, {{2, 930}}),
         {},
         0,
         -1,
         with(kExampleE2, {{2, 930}})},
        {"more erasures than E", thirdTooMany, {0, 1, 4}, 2, -1, thirdTooMany},
        {"erasure index past the end", bothErased, {1, 6}, 2, -1, bothErased},
        {"negative erasure index", bothErased, {-1, 4}, 2, -1, bothErased},
        {"E above the working storage",
         with(kExampleE2, {{2, 102}}),
         {},
         2048,
         -1,
         with(kExampleE2, {{2, 102}})},
    };
    for (const Example& example : examples) {
        SCOPED_TRACE(example.name);
        const Outcome outcome = correct(example.received, example.erasures, example.ecCount);
        EXPECT_EQ(outcome.result, example.expectedResult);
        EXPECT_EQ(outcome.codewords, example.expectedCodewords);
    }
}

TEST(ReedSolomon, NegativeCountsAreRefused) {
    Word word = with(kExampleE2, {{2, 102}});
    const Word erasures{1};
    EXPECT_EQ(correctErrors(word.data(), erasures.data(), -1, 6, 2), -1);
    EXPECT_EQ(correctErrors(word.data(), erasures.data(), 0, -6, 2), -1);
    EXPECT_EQ(word, with(kExampleE2, {{2, 102}}));
}

// An erased codeword whose true value was 0 is still a located position:
// it counts in the result although it does not change.
TEST(ReedSolomon, ErasedZeroCodewordStillCounts) {
    const Word clean = encode({5, 0, 7, 9, 0}, 4);
    const Outcome withError = correct(with(clean, {{1, 0}, {3, 0}}), {1, 3}, 4);
    EXPECT_EQ(withError.result, 2);
    EXPECT_EQ(withError.codewords, clean);
    // Alone, it leaves every syndrome 0: nothing to correct.
    const Outcome alone = correct(clean, {1}, 4);
    EXPECT_EQ(alone.result, 0);
    EXPECT_EQ(alone.codewords, clean);
}

// With nonzero syndromes the word is damaged; a locator that names no
// position must not let it pass as intact.
TEST(ReedSolomon, DamageThatLocatesNothingIsRefused) {
    // Damage two codewords so that S_1 != 0 but S_2 == 0.
    Word damaged = with(kExampleE2, {{1, 100}});
    bool found = false;
    for (std::int32_t value = 0; value < 929 && !found; ++value) {
        damaged[3] = value;
        const Word syndromes = syndromesOf(damaged, 2);
        found = syndromes[0] != 0 && syndromes[1] == 0;
    }
    ASSERT_TRUE(found);
    const Outcome outcome = correct(damaged, {}, 2);
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.codewords, damaged);
}

// Far beyond the bound, the locator of this word has its one root inside the
// word, yet removing the error found there would not leave a valid word.
TEST(ReedSolomon, LocatedErrorsMustExplainEverySyndrome) {
    const Word received{533, 552, 539, 624, 323, 645, 54};
    const Outcome outcome = correct(received, {}, 4);
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.codewords, received);
}

TEST(ReedSolomon, LongestSymbolCorrectsItsFirstCodeword) {
    std::mt19937 random(7);
    Word data(928 - 16);
    for (std::int32_t& value : data) {
        value = below(random, 929);
    }
    data[0] = static_cast<std::int32_t>(data.size());
    const Word clean = encode(data, 16);
    const Outcome outcome = correct(with(clean, {{0, 1}, {927, 3}, {400, 0}}), {400}, 16);
    EXPECT_EQ(outcome.result, 3);
    EXPECT_EQ(outcome.codewords, clean);
}

// Beyond 928 codewords a position and the one 928 further share a locator:
// a damaged word that long cannot be corrected with confidence.
TEST(ReedSolomon, WordsLongerThan928AreOnlyAcceptedIntact) {
    Word data(1000 - 8, 11);
    const Word clean = encode(data, 8);
    EXPECT_EQ(correct(clean, {}, 8).result, 0);
    const Word damaged = with(clean, {{990, 12}});
    const Outcome outcome = correct(damaged, {}, 8);
    EXPECT_EQ(outcome.result, -1);
    EXPECT_EQ(outcome.codewords, damaged);
}

TEST(ReedSolomon, LargestWorkingStorageIsUsable) {
    // The only word divisible by a generator of degree 2047 that is shorter
    // than that is the zero word.
    const Word clean(900, 0);
    const Outcome outcome = correct(with(clean, {{0, 5}, {450, 6}, {899, 7}}), {}, 2047);
    EXPECT_EQ(outcome.result, 3);
    EXPECT_EQ(outcome.codewords, clean);
}

struct RandomSymbol {
    Word clean;
    std::int32_t ecCount = 0;
};

RandomSymbol randomSymbol(std::mt19937& random, int level) {
    RandomSymbol symbol;
    symbol.ecCount = 2 << level;
    const std::int32_t shortest = symbol.ecCount + 1;
    // A quarter of the symbols have the full 928 codewords.
    const std::int32_t count =
        below(random, 4) == 0 ? 928 : shortest + below(random, 928 - shortest + 1);
    Word data(static_cast<std::size_t>(count - symbol.ecCount));
    for (std::int32_t& value : data) {
        value = below(random, 929);
    }
    data[0] = static_cast<std::int32_t>(data.size());
    symbol.clean = encode(data, symbol.ecCount);
    return symbol;
}

struct Damage {
    Word received;
    Word erasures;
    std::int32_t errorCount = 0;
};

// Erases `erasureCount` codewords (stored as 0, listed in random order) and
// changes `errorCount` others, all at distinct random indices.
Damage damage(std::mt19937& random, const Word& clean, std::int32_t errorCount,
              std::int32_t erasureCount) {
    std::vector<std::int32_t> indices(clean.size());
    for (std::size_t i = 0; i < indices.size(); ++i) {
        indices[i] = static_cast<std::int32_t>(i);
    }
    std::shuffle(indices.begin(), indices.end(), random);
    Damage result{clean, {}, errorCount};
    for (std::int32_t k = 0; k < erasureCount; ++k) {
        const std::int32_t index = indices[static_cast<std::size_t>(k)];
        result.received[static_cast<std::size_t>(index)] = 0;
        result.erasures.push_back(index);
    }
    for (std::int32_t k = erasureCount; k < erasureCount + errorCount; ++k) {
        std::int32_t& value = result.received[static_cast<std::size_t>(indices[k])];
        value = (value + 1 + below(random, 928)) % 929;
    }
    return result;
}

TEST(ReedSolomon, RandomDamageWithinTheBoundIsRestored) {
    std::mt19937 random(20240611);
    int patterns = 0;
    for (int level = 0; level <= 8; ++level) {
        for (int symbolNumber = 0; symbolNumber < 60; ++symbolNumber) {
            const RandomSymbol symbol = randomSymbol(random, level);
            const std::int32_t ecCount = symbol.ecCount;
            for (int pattern = 0; pattern < 5; ++pattern) {
                // Half the patterns use the whole bound 2t + v = E.
                const auto errorCount = below(random, ecCount / 2 + 1);
                const std::int32_t room = ecCount - 2 * errorCount;
                const std::int32_t erasureCount =
                    below(random, 2) == 0 ? room : below(random, room + 1);
                const Damage damaged = damage(random, symbol.clean, errorCount, erasureCount);
                bool nothingToCorrect = errorCount == 0;
                for (std::int32_t index : damaged.erasures) {
                    nothingToCorrect = nothingToCorrect && symbol.clean[index] == 0;
                }
                SCOPED_TRACE(
                    "E=" + std::to_string(ecCount) + " n=" + std::to_string(symbol.clean.size()) +
                    " t=" + std::to_string(errorCount) + " v=" + std::to_string(erasureCount));
                const Outcome outcome = correct(damaged.received, damaged.erasures, ecCount);
                ASSERT_EQ(outcome.result, nothingToCorrect ? 0 : errorCount + erasureCount);
                ASSERT_EQ(outcome.codewords, symbol.clean);
                ++patterns;
            }
        }
    }
    EXPECT_EQ(patterns, 9 * 60 * 5);
}

TEST(ReedSolomon, RandomDamageBeyondTheBoundIsRefusedOrGivesAValidWord) {
    std::mt19937 random(977);
    int refused = 0;
    for (int level = 0; level <= 8; ++level) {
        for (int symbolNumber = 0; symbolNumber < 40; ++symbolNumber) {
            const RandomSymbol symbol = randomSymbol(random, level);
            const std::int32_t ecCount = symbol.ecCount;
            const auto count = static_cast<std::int32_t>(symbol.clean.size());
            const auto erasureCount = below(random, ecCount + 2);
            std::int32_t errorCount =
                std::max(0, (ecCount - erasureCount) / 2 + 1) + below(random, ecCount / 2 + 1);
            errorCount = std::min(errorCount, count - erasureCount);
            const Damage damaged = damage(random, symbol.clean, errorCount, erasureCount);
            SCOPED_TRACE("E=" + std::to_string(ecCount) + " n=" + std::to_string(count) +
                         " t=" + std::to_string(errorCount) + " v=" + std::to_string(erasureCount));
            const Outcome outcome = correct(damaged.received, damaged.erasures, ecCount);
            if (outcome.result < 0) {
                ASSERT_EQ(outcome.codewords, damaged.received);
                ++refused;
                continue;
            }
            // Applied: at most `result` codewords changed, and they now form
            // a valid word (possibly another symbol's, which no code can
            // tell apart).
            int changed = 0;
            for (std::size_t i = 0; i < damaged.received.size(); ++i) {
                changed += outcome.codewords[i] != damaged.received[i] ? 1 : 0;
            }
            EXPECT_LE(changed, outcome.result);
            EXPECT_TRUE(isCodeword(outcome.codewords, ecCount));
        }
    }
    EXPECT_GT(refused, 0);
}

}  // namespace
}  // namespace tessoran_test
