// SPDX-License-Identifier: Apache-2.0
// Build-time generator of the codeword pattern table.
//
// Usage: generate_pattern_table <codeword-patterns.txt> <output.cpp>
//
// Reads the 2,787 reference patterns of the PDF417 standard (cluster 0, 3 or 6,
// codeword value, eight element widths) and writes a C++ source file defining
// codewordPatternTable: for each of the three clusters and each 15-bit module
// pattern, the nearest reference within three modules and its distance; and
// codewordElementWidths: the element widths of every codeword of each cluster.
//
// The table is filled by walking the radius-3 neighbourhood of each reference
// (576 patterns per reference), so generating it takes about half a million
// steps per cluster instead of comparing every pattern with every reference.

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kClusterCount = 3;
constexpr int kCodewordCount = 929;
constexpr std::uint32_t kPatternCount = 32768;
constexpr int kIndexBits = 15;
constexpr std::uint32_t kStartCode = 0x030000;
constexpr std::uint32_t kStopCode = 0x030001;
constexpr std::uint32_t kNoMatch = 0xFFFFFFFF;
constexpr int kMaxScore = 3;

struct Reference {
    std::uint32_t patternIndex;
    std::uint32_t value;  // cluster << 16 | codeword, or a start/stop code
};

// The eight element widths of each codeword, the first in the top four bits.
using ElementWidths = std::array<std::array<std::uint32_t, kCodewordCount>, kClusterCount>;

// The 15-bit index of modules 1 to 15 of an element sequence that starts with
// a bar; module 1 is bit 14. Elements beyond module 16 are ignored, so that
// the stop pattern's first eight elements and shorter sequences work alike.
std::uint32_t patternIndexOf(const std::vector<int>& elements) {
    std::uint32_t index = 0;
    int module = 0;
    bool bar = true;
    for (const int width : elements) {
        for (int i = 0; i < width; ++i, ++module) {
            if (bar && module >= 1 && module <= kIndexBits) {
                index |= 1u << (kIndexBits - module);
            }
        }
        bar = !bar;
    }
    return index;
}

[[noreturn]] void fail(const std::string& message) {
    std::cerr << "generate_pattern_table: " << message << '\n';
    std::exit(1);
}

// Reads the reference file into one list of codeword references per table
// cluster (PDF417 cluster 3c is table cluster c), checking every line.
std::array<std::vector<Reference>, kClusterCount> readCodewordReferences(const char* path,
                                                                         ElementWidths& widthsOut) {
    std::ifstream input(path);
    if (!input) {
        fail(std::string("cannot open ") + path);
    }
    std::array<std::vector<Reference>, kClusterCount> references;
    std::array<std::array<bool, kCodewordCount>, kClusterCount> seen{};
    std::string line;
    int lineNumber = 0;
    while (std::getline(input, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        int pdfCluster = -1;
        int codeword = -1;
        std::string widths;
        if (!(fields >> pdfCluster >> codeword >> widths) || widths.size() != 8) {
            fail("malformed line " + std::to_string(lineNumber));
        }
        if (pdfCluster % 3 != 0 || pdfCluster / 3 >= kClusterCount || pdfCluster < 0 ||
            codeword < 0 || codeword >= kCodewordCount) {
            fail("cluster or codeword out of range on line " + std::to_string(lineNumber));
        }
        const int cluster = pdfCluster / 3;
        std::vector<int> elements;
        int modules = 0;
        std::uint32_t packed = 0;
        for (const char digit : widths) {
            if (digit < '1' || digit > '6') {
                fail("element width out of range on line " + std::to_string(lineNumber));
            }
            elements.push_back(digit - '0');
            modules += digit - '0';
            packed = packed << 4 | static_cast<std::uint32_t>(digit - '0');
        }
        widthsOut[cluster][codeword] = packed;
        const int clusterRule = (elements[0] - elements[2] + elements[4] - elements[6] + 9) % 9;
        if (modules != 17 || clusterRule != pdfCluster) {
            fail("pattern is not a codeword of its cluster on line " + std::to_string(lineNumber));
        }
        if (seen[cluster][codeword]) {
            fail("codeword listed twice on line " + std::to_string(lineNumber));
        }
        seen[cluster][codeword] = true;
        references[cluster].push_back(
            {patternIndexOf(elements),
             static_cast<std::uint32_t>(cluster) << 16 | static_cast<std::uint32_t>(codeword)});
    }
    for (const auto& clusterReferences : references) {
        if (clusterReferences.size() != kCodewordCount) {
            fail("a cluster does not list all 929 codewords");
        }
    }
    return references;
}

class ClusterTable {
  public:
    ClusterTable() {
        score.fill(kMaxScore + 1);
        value.fill(0);
    }

    // Enters `reference` into every pattern within three modules of it. A
    // pattern keeps its nearest reference; among equally near ones the
    // smallest value, so a codeword wins against the start and stop codes.
    void enter(const Reference& reference) {
        const std::uint32_t index = reference.patternIndex;
        offer(index, 0, reference.value);
        for (int a = 0; a < kIndexBits; ++a) {
            const std::uint32_t one = index ^ (1u << a);
            offer(one, 1, reference.value);
            for (int b = a + 1; b < kIndexBits; ++b) {
                const std::uint32_t two = one ^ (1u << b);
                offer(two, 2, reference.value);
                for (int c = b + 1; c < kIndexBits; ++c) {
                    offer(two ^ (1u << c), 3, reference.value);
                }
            }
        }
    }

    // Replaces the value of `index` by `code`, keeping the distance found.
    void fix(std::uint32_t index, std::uint32_t code) { value[index] = code; }

    std::uint32_t entry(std::uint32_t index) const {
        if (score[index] > kMaxScore) {
            return kNoMatch;
        }
        return static_cast<std::uint32_t>(score[index]) << 24 | value[index];
    }

  private:
    void offer(std::uint32_t index, int distance, std::uint32_t candidate) {
        if (distance < score[index] || (distance == score[index] && candidate < value[index])) {
            score[index] = distance;
            value[index] = candidate;
        }
    }

    std::array<int, kPatternCount> score;
    std::array<std::uint32_t, kPatternCount> value;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fail("usage: generate_pattern_table <codeword-patterns.txt> <output.cpp>");
    }
    ElementWidths elementWidths{};
    const auto codewordReferences = readCodewordReferences(argv[1], elementWidths);

    // The start reference is 7 1 2 1 1 1 1 3, not the printed start pattern;
    // the printed one is entered below as a fixed entry. The stop reference
    // is the stop pattern without its final one-module bar.
    const Reference startReference{patternIndexOf({7, 1, 2, 1, 1, 1, 1, 3}), kStartCode};
    const Reference stopReference{patternIndexOf({7, 1, 1, 3, 1, 1, 1, 2}), kStopCode};
    const std::uint32_t printedStartIndex = patternIndexOf({8, 1, 1, 1, 1, 1, 1, 3});
    const std::uint32_t widenedStopIndex = patternIndexOf({7, 1, 1, 3, 3, 2});

    std::ostringstream source;
    source
        << "// Generated by tools/generate_pattern_table.cpp from "
           "data/pdf417-codeword-patterns.txt; do not edit.\n\n"
           "#include \"symbol/CodewordPatternTable.h\"\n\n"
           "namespace ostrel2::tessoran {\n\n"
           "extern const std::uint32_t codewordPatternTable[kClusterCount][kPatternIndexCount] = "
           "{\n";
    char number[16];
    for (int cluster = 0; cluster < kClusterCount; ++cluster) {
        ClusterTable table;
        for (const Reference& reference : codewordReferences[cluster]) {
            table.enter(reference);
        }
        table.enter(startReference);
        table.enter(stopReference);
        // Printed start and widened stop patterns are read as start and stop
        // in every cluster, even where a codeword lies as near.
        table.fix(printedStartIndex, kStartCode);
        table.fix(widenedStopIndex, kStopCode);

        source << "    {\n";
        for (std::uint32_t index = 0; index < kPatternCount; ++index) {
            std::snprintf(number, sizeof number, "0x%08X,",
                          static_cast<unsigned>(table.entry(index)));
            source << (index % 8 == 0 ? "        " : " ") << number << (index % 8 == 7 ? "\n" : "");
        }
        source << "    },\n";
    }
    source
        << "};\n\n"
           "extern const std::uint32_t codewordElementWidths[kClusterCount][kCodewordValueCount] = "
           "{\n";
    for (int cluster = 0; cluster < kClusterCount; ++cluster) {
        source << "    {\n";
        for (int codeword = 0; codeword < kCodewordCount; ++codeword) {
            std::snprintf(number, sizeof number, "0x%08X,",
                          static_cast<unsigned>(elementWidths[cluster][codeword]));
            source << (codeword % 8 == 0 ? "        " : " ") << number
                   << (codeword % 8 == 7 || codeword == kCodewordCount - 1 ? "\n" : "");
        }
        source << "    },\n";
    }
    source << "};\n\n}  // namespace ostrel2::tessoran\n";

    std::ofstream output(argv[2], std::ios::binary | std::ios::trunc);
    output << source.str();
    output.close();
    if (!output) {
        std::remove(argv[2]);
        fail(std::string("cannot write ") + argv[2]);
    }
    return 0;
}
