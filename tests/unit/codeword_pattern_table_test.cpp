#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "reader/CodewordPatternTable.h"
#include "support/ProgramRunner.h"

namespace tessoran_test {
namespace {

using namespace ostrel2::tessoran;

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
// index compared with every reference of its cluster, the nearest within
// three modules winning and the smallest value among equals; the start and
// stop patterns as printed count as references too, and their widened forms
// read as them. The element widths of every codeword come with the table.
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
        // The element widths generated with the table.
        for (int element = 0; element < 8; ++element) {
            ASSERT_EQ(codewordElementWidth(codewordElementWidths[cluster][codeword], element),
                      widths.at(static_cast<std::size_t>(element)) - '0')
                << line;
        }
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
