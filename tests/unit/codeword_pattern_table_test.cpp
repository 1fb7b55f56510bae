#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "reader/CodewordPatternTable.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::kClusterCount;
using ostrel2::tessoran::kPatternIndexCount;
using ostrel2::tessoran::lookupCodewordPattern;
using ostrel2::tessoran::PATTERN_NONE;
using ostrel2::tessoran::patternScore;

constexpr std::uint32_t kNoMatchScore = 255;

struct ScoreCounts {
    int cluster;
    std::map<std::uint32_t, int> countByScore;
};

TEST(CodewordPatternTable, CountsOfEntriesByScore) {
    const ScoreCounts expected[] = {
        {0, {{0, 931}, {1, 6753}, {2, 13819}, {3, 9597}, {kNoMatchScore, 1668}}},
        {1, {{0, 931}, {1, 6845}, {2, 15019}, {3, 8815}, {kNoMatchScore, 1158}}},
        {2, {{0, 931}, {1, 6961}, {2, 14890}, {3, 8563}, {kNoMatchScore, 1423}}},
    };
    for (const ScoreCounts& row : expected) {
        std::map<std::uint32_t, int> counted;
        for (std::uint32_t index = 0; index < kPatternIndexCount; ++index) {
            ++counted[patternScore(lookupCodewordPattern(row.cluster, index))];
        }
        EXPECT_EQ(counted, row.countByScore) << "cluster " << row.cluster;
    }
}

TEST(CodewordPatternTable, TellingEntries) {
    struct Telling {
        std::uint32_t index;
        std::array<std::uint32_t, 3> entries;
    };
    const Telling telling[] = {
        {0x6AE0, {0x00000000, 0x03010000, 0x02020016}},
        {0x7AB0, {0x03000000, 0x00010000, 0x020200A7}},
        {0x55F0, {0x03000001, 0x0201000D, 0x00020000}},
        {0x7ED4, {0x00030000, 0x00030000, 0x00030000}},  // start reference
        {0x7F54, {0x02030000, 0x02030000, 0x02030000}},  // printed start pattern
        {0x7E8A, {0x00030001, 0x00030001, 0x00030001}},  // stop reference
        {0x7E8E, {0x01030001, 0x01030001, 0x01030001}},  // widened stop pattern
        {0x368A, {0x020000B8, 0x0201035F, 0x02030001}},  // ties: smallest value wins
        {0x0000, {0x03000009, PATTERN_NONE, PATTERN_NONE}},
        {0x2AAA, {PATTERN_NONE, PATTERN_NONE, PATTERN_NONE}},
    };
    for (const Telling& row : telling) {
        for (int cluster = 0; cluster < kClusterCount; ++cluster) {
            EXPECT_EQ(lookupCodewordPattern(cluster, row.index), row.entries[cluster])
                << std::hex << "index 0x" << row.index << " cluster " << cluster;
        }
    }
}

TEST(CodewordPatternTable, EveryCodewordOccursOnceWithScoreZeroInItsCluster) {
    for (int cluster = 0; cluster < kClusterCount; ++cluster) {
        std::vector<int> exactCount(929, 0);
        for (std::uint32_t index = 0; index < kPatternIndexCount; ++index) {
            const std::uint32_t entry = lookupCodewordPattern(cluster, index);
            if (patternScore(entry) == 0 && (entry >> 16 & 0xFF) == std::uint32_t(cluster)) {
                ++exactCount.at(entry & 0xFFFF);
            }
        }
        for (int codeword = 0; codeword < 929; ++codeword) {
            EXPECT_EQ(exactCount[codeword], 1) << "cluster " << cluster << " cw " << codeword;
        }
    }
}

// The 15-bit index of modules 1 to 15 of a bar-first element sequence.
std::uint32_t indexOf(const std::string& widths) {
    std::uint32_t index = 0;
    int module = 0;
    for (std::size_t element = 0; element < widths.size(); ++element) {
        for (int i = 0; i < widths[element] - '0'; ++i, ++module) {
            if (element % 2 == 0 && module >= 1 && module <= 15) {
                index |= 1u << (15 - module);
            }
        }
    }
    return index;
}

// Every entry against the table's definition, computed the slow way: each
// index compared with every reference of its cluster.
TEST(CodewordPatternTable, EveryEntryMatchesAnExhaustiveSearch) {
    std::ifstream data(sourcePath("data/pdf417-codeword-patterns.txt"));
    ASSERT_TRUE(data) << "reference patterns not found";
    struct Reference {
        std::uint32_t index;
        std::uint32_t value;
    };
    std::array<std::vector<Reference>, 3> references;
    std::string line;
    while (std::getline(data, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        int pdfCluster = 0;
        std::uint32_t codeword = 0;
        std::string widths;
        fields >> pdfCluster >> codeword >> widths;
        const auto cluster = static_cast<std::uint32_t>(pdfCluster / 3);
        references.at(cluster).push_back({indexOf(widths), cluster << 16 | codeword});
    }
    for (int cluster = 0; cluster < kClusterCount; ++cluster) {
        ASSERT_EQ(references[cluster].size(), 929u);
        references[cluster].push_back({indexOf("71211113"), 0x030000});
        references[cluster].push_back({indexOf("71131112"), 0x030001});
        for (std::uint32_t index = 0; index < kPatternIndexCount; ++index) {
            std::uint32_t best = PATTERN_NONE;
            for (const Reference& reference : references[cluster]) {
                const auto distance =
                    static_cast<std::uint32_t>(std::popcount(index ^ reference.index));
                const std::uint32_t candidate = distance << 24 | reference.value;
                if (distance <= 3 && candidate < best) {
                    best = candidate;
                }
            }
            if (index == indexOf("81111113")) {
                best = (best & 0xFF000000) | 0x030000;
            } else if (index == indexOf("711332")) {
                best = (best & 0xFF000000) | 0x030001;
            }
            ASSERT_EQ(lookupCodewordPattern(cluster, index), best)
                << std::hex << "index 0x" << index << " cluster " << cluster;
        }
    }
}

}  // namespace
}  // namespace tessoran_test
