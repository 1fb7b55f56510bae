#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>

#include "support/Pdf417Encoder.h"

namespace tessoran_test {
namespace {

// p(x) with `codewords` as coefficients, highest power first, at x over GF(929).
int evaluate(const std::vector<int>& codewords, long long x) {
    long long value = 0;
    for (const int codeword : codewords) {
        value = (value * x + codeword) % 929;
    }
    return static_cast<int>(value);
}

std::vector<bool> patternModules(const std::vector<int>& widths) {
    std::vector<bool> modules;
    bool dark = true;
    for (const int width : widths) {
        modules.insert(modules.end(), static_cast<std::size_t>(width), dark);
        dark = !dark;
    }
    return modules;
}

// The 17 modules of codeword slot `slot` of a row: slot 0 is the left row
// indicator, slots 1 to columns the data, slot columns + 1 the right one.
std::vector<bool> slotModules(const std::vector<bool>& row, int slot) {
    const auto begin = row.begin() + 17 * (slot + 1);
    return {begin, begin + 17};
}

// Module rows as the zint encoder dumps them ("--dump"): hexadecimal bytes,
// most significant bit first, one symbol row per line; a row's last group may
// be a single digit of four bits.
std::vector<std::vector<bool>> zintRows(const std::string& dump, std::size_t width) {
    std::vector<std::vector<bool>> rows;
    std::istringstream lines(dump);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream bytes(line);
        std::vector<bool> row;
        std::string byte;
        while (bytes >> byte) {
            const int value = std::stoi(byte, nullptr, 16);
            for (int bit = 4 * static_cast<int>(byte.size()) - 1; bit >= 0; --bit) {
                row.push_back(((value >> bit) & 1) != 0);
            }
        }
        row.resize(width);
        rows.push_back(row);
    }
    return rows;
}

TEST(Pdf417Encoder, CheckCodewordsOfKnownExamples) {
    struct Case {
        std::vector<int> data;
        int ecCount;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {{4, 1, 2, 3}, 2, {322, 687}},
        {{4, 1, 2, 3}, 4, {603, 689, 543, 56}},
        // Level 0 symbol holding "A", as the zint encoder makes it.
        {{2, 29}, 2, {347, 502}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checkCodewords(c.data, c.ecCount), c.expected) << "E = " << c.ecCount;
    }
}

TEST(Pdf417Encoder, CodewordsHaveZeroSyndromesAtEveryRoot) {
    struct Case {
        int dataCount;
        int ecLevel;
        int columns;
    };
    for (const Case c : {Case{1, 0, 1}, Case{20, 2, 4}, Case{100, 5, 10}, Case{387, 8, 30}}) {
        std::vector<int> data;
        for (int i = 0; i < c.dataCount; ++i) {
            data.push_back((i * 389 + 17) % 929);
        }
        Pdf417Symbol symbol = encodeSymbol(data, c.ecLevel, c.columns);
        const int ecCount = 2 << c.ecLevel;
        ASSERT_EQ(symbol.codewords.size(), static_cast<std::size_t>(symbol.rows * c.columns));
        long long root = 1;
        for (int j = 1; j <= ecCount; ++j) {
            root = root * 3 % 929;
            ASSERT_EQ(evaluate(symbol.codewords, root), 0) << "root 3^" << j << ", E " << ecCount;
        }
        // A changed codeword must show in the syndromes, or the check above
        // proves nothing.
        symbol.codewords[symbol.codewords.size() / 2] ^= 1;
        EXPECT_NE(evaluate(symbol.codewords, 3), 0);
    }
}

TEST(Pdf417Encoder, LengthDescriptorCountsDataAndPadding) {
    const Pdf417Symbol symbol = encodeSymbol({7, 8}, 1, 2, 5);
    EXPECT_EQ(symbol.rows, 5);
    EXPECT_EQ(symbol.columns, 2);
    ASSERT_EQ(symbol.codewords.size(), 10u);
    EXPECT_EQ(symbol.codewords[0], 6);  // 10 codewords less 4 check codewords
    EXPECT_EQ(std::vector<int>(symbol.codewords.begin(), symbol.codewords.begin() + 6),
              (std::vector<int>{6, 7, 8, 900, 900, 900}));
    EXPECT_EQ(symbol.drawCluster, std::vector<int>(10, -1));
}

TEST(Pdf417Encoder, RowsFollowTheData) {
    struct Case {
        int dataCount, ecLevel, columns, minRows, rows;
    };
    const std::vector<Case> cases = {
        {0, 0, 1, 0, 3},      // never fewer than three rows
        {5, 0, 2, 3, 4},      // 1 + 5 + 2 = 8 codewords
        {6, 0, 2, 3, 5},      // 9 codewords need a fifth row
        {0, 0, 1, 90, 90},    // the most rows
        {895, 4, 29, 3, 32},  // 1 + 895 + 32 = 928 = 29 * 32, all there may be
    };
    for (const Case& c : cases) {
        const Pdf417Symbol symbol =
            encodeSymbol(std::vector<int>(static_cast<std::size_t>(c.dataCount), 1), c.ecLevel,
                         c.columns, c.minRows);
        EXPECT_EQ(symbol.rows, c.rows) << c.dataCount << " data, " << c.columns << " columns";
    }
}

TEST(Pdf417Encoder, RejectsWhatNoSymbolCanHold) {
    struct Case {
        std::vector<int> data;
        int ecLevel, columns, minRows;
    };
    const std::vector<Case> cases = {
        {{1}, -1, 1, 3},
        {{1}, 9, 1, 3},
        {{1}, 0, 0, 3},
        {{1}, 0, 31, 3},
        {{929}, 0, 1, 3},
        {{-1}, 0, 1, 3},
        {{1}, 0, 1, 91},                       // 91 rows
        {std::vector<int>(88, 1), 0, 1, 3},    // 91 rows
        {{1}, 0, 30, 31},                      // 930 codewords
        {std::vector<int>(896, 1), 4, 29, 3},  // 929 codewords
        {std::vector<int>(895, 1), 4, 30, 3},  // 928, but whole rows make 930
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        EXPECT_THROW(encodeSymbol(c.data, c.ecLevel, c.columns, c.minRows), std::invalid_argument)
            << "case " << i;
    }
}

TEST(Pdf417Encoder, RowHoldsStartIndicatorsDataAndStop) {
    for (int columns = 1; columns <= 30; ++columns) {
        const Pdf417Symbol symbol = encodeSymbol({}, 0, columns);
        EXPECT_EQ(rowModules(symbol, 0).size(),
                  static_cast<std::size_t>(17 * (columns + 2) + 17 + 18));
    }
    const Pdf417Symbol symbol = encodeSymbol({5, 6, 7}, 0, 3);
    for (int row = 0; row < symbol.rows; ++row) {
        const std::vector<bool> modules = rowModules(symbol, row);
        EXPECT_EQ(std::vector<bool>(modules.begin(), modules.begin() + 17),
                  patternModules({8, 1, 1, 1, 1, 1, 1, 3}));
        EXPECT_EQ(std::vector<bool>(modules.end() - 18, modules.end()),
                  patternModules({7, 1, 1, 3, 1, 1, 1, 2, 1}));
        for (int column = 0; column < 3; ++column) {
            EXPECT_EQ(slotModules(modules, column + 1),
                      patternModules(
                          codewordElements(3 * (row % 3), symbol.codewords[row * 3 + column])));
        }
    }
}

// 9 rows, 2 columns, level 1: rows part (9 - 1) div 3 = 2, columns part
// 2 - 1 = 1, level part 3 * 1 + (9 - 1) mod 3 = 5, plus 30 for every three
// rows above.
TEST(Pdf417Encoder, RowIndicatorsFollowTheThreeRowCycle) {
    const Pdf417Symbol symbol = encodeSymbol(std::vector<int>(13, 1), 1, 2);
    ASSERT_EQ(symbol.rows, 9);
    const int expected[9][2] = {{2, 1},   {5, 2},   {1, 5},   {32, 31}, {35, 32},
                                {31, 35}, {62, 61}, {65, 62}, {61, 65}};
    for (int row = 0; row < 9; ++row) {
        const std::vector<bool> modules = rowModules(symbol, row);
        const int cluster = 3 * (row % 3);
        EXPECT_EQ(slotModules(modules, 0),
                  patternModules(codewordElements(cluster, expected[row][0])))
            << "left, row " << row;
        EXPECT_EQ(slotModules(modules, 3),
                  patternModules(codewordElements(cluster, expected[row][1])))
            << "right, row " << row;
    }
}

TEST(Pdf417Encoder, DrawClusterOverridesOneCodeword) {
    Pdf417Symbol symbol = encodeSymbol({10, 20, 30, 40, 50}, 0, 2);
    const std::vector<bool> plain = rowModules(symbol, 1);
    symbol.drawCluster[3] = 6;  // row 1, column 1; row 1 draws with cluster 3
    std::vector<bool> drawn = rowModules(symbol, 1);
    EXPECT_EQ(slotModules(drawn, 2), patternModules(codewordElements(6, symbol.codewords[3])));
    EXPECT_NE(slotModules(drawn, 2), slotModules(plain, 2));
    std::copy(plain.begin() + 51, plain.begin() + 68, drawn.begin() + 51);
    EXPECT_EQ(drawn, plain);  // nothing else changed
}

TEST(Pdf417Encoder, CodewordPatternsComeFromTheTable) {
    // First lines of each cluster in data/pdf417-codeword-patterns.txt.
    EXPECT_EQ(codewordElements(0, 0), (std::vector<int>{3, 1, 1, 1, 1, 1, 3, 6}));
    EXPECT_EQ(codewordElements(0, 1), (std::vector<int>{4, 1, 1, 1, 1, 1, 4, 4}));
    EXPECT_THROW(codewordElements(1, 0), std::invalid_argument);
    EXPECT_THROW(codewordElements(0, 929), std::invalid_argument);
}

// zint -b 55 --cols=C --secure=L [--rows=R] -d TEXT --dump, with the data
// codewords its text compaction gives: "A" is 29 (A then padding 29), "AB"
// is 1, the alphabet is the pairs 30 * first + second, "Hi" is 237 (H, lower
// latch) and 269 (i, padding).
TEST(Pdf417Encoder, RowsMatchTheZintEncoder) {
    struct Case {
        std::vector<int> data;
        int ecLevel, columns, minRows;
        std::string dump;
    };
    const std::vector<Case> cases = {
        {{29},
         0,
         1,
         3,
         "FF 54 7A BC 3E AF 9D 5C 0F E8 A4\n"
         "FF 54 7D 58 3E BB DF AB 8F E8 A4\n"
         "FF 54 6A F8 3C 4F 5A BE 0F E8 A4\n"
         "FF 54 57 9E 3D C9 9A F7 CF E8 A4\n"},
        {{1},
         0,
         5,
         3,
         "FF 54 75 70 3A DE 1E AF 08 63 24 31 92 18 C9 EA 78 FE 8A 4\n"
         "FF 54 7A 90 2F D6 17 EB 0B F5 85 FA C2 FD 61 F5 60 FE 8A 4\n"
         "FF 54 75 3F 31 F2 58 F9 2C 7C 94 C6 F2 5B E1 53 C0 FE 8A 4\n"},
        {{1, 63, 125, 187, 249, 311, 373, 435, 497, 559, 621, 683, 745},
         1,
         2,
         3,
         "FF 54 7D 5F 3D 6F 9E AF 0F 57 87 F4 52\n"
         "FF 54 7A 88 35 FB DF 44 CF 52 07 F4 52\n"
         "FF 54 75 7E 2D 9E 16 73 EA 8F 07 F4 52\n"
         "FF 54 6B CF B2 1B 9C 59 EA F3 C7 F4 52\n"
         "FF 54 7A E3 B9 06 93 5F 8F 5C E7 F4 52\n"
         "FF 54 7A F4 37 96 10 57 8F 5E 27 F4 52\n"
         "FF 54 74 EF A3 32 19 CE 6D 3B C7 F4 52\n"
         "FF 54 57 E3 A1 79 17 D0 EA FD C7 F4 52\n"
         "FF 54 69 BF 35 7C 1D D3 CF D3 17 F4 52\n"},
        {{237, 269},
         2,
         3,
         7,
         "FF 54 7D 5F 3A DE 1E C9 CD 9C E7 D5 F3 FA 29\n"
         "FF 54 7D 46 2F D6 17 EB 0B F5 87 A9 03 FA 29\n"
         "FF 54 54 F0 31 F2 58 F9 2C 7C 96 A3 E3 FA 29\n"
         "FF 54 6B CF A1 8C 90 C6 48 63 26 BC FB FA 29\n"
         "FF 54 6B 84 2F D6 1A 38 2F 86 97 AE 73 FA 29\n"
         "FF 54 7D 7B 38 5F 5E 17 AA C3 E7 AF 0B FA 29\n"
         "FF 54 74 EF AE E4 18 68 4D E7 27 4E FB FA 29\n"},
    };
    for (const Case& c : cases) {
        const Pdf417Symbol symbol = encodeSymbol(c.data, c.ecLevel, c.columns, c.minRows);
        const auto expected = zintRows(c.dump, static_cast<std::size_t>(17 * c.columns + 69));
        ASSERT_EQ(static_cast<std::size_t>(symbol.rows), expected.size());
        for (int row = 0; row < symbol.rows; ++row) {
            EXPECT_EQ(rowModules(symbol, row), expected[static_cast<std::size_t>(row)])
                << c.columns << " columns, row " << row;
        }
    }
}

TEST(Pdf417Encoder, BarStringOfTheSmallestSymbol) {
    // The four rows of zint's "A" symbol above, read down each module column.
    const Pdf417Symbol symbol = encodeSymbol({29}, 0, 1);
    EXPECT_EQ(toBarString(symbol),
              "FFFFFFFF0F0F0F000FEDE5B5B6AFF91000FFFFC1D3C4FAEFD60FFC7C797BEB755100FFFFFFF0F000F0F0"
              "0F\n");
}

TEST(Pdf417Encoder, BarStringFillsTheLastLineWithLightRows) {
    const Pdf417Symbol symbol = encodeSymbol(std::vector<int>(13, 1), 1, 2);  // 9 rows
    const std::string text = toBarString(symbol);
    const std::size_t width = 17 * 2 + 69;
    ASSERT_EQ(text.size(), 3 * (width + 1));
    const std::vector<bool> lastRow = rowModules(symbol, 8);
    for (std::size_t column = 0; column < width; ++column) {
        EXPECT_EQ(text[2 * (width + 1) + column], lastRow[column] ? '8' : '0') << column;
    }
    EXPECT_EQ(text[width], '\n');
    EXPECT_EQ(text.back(), '\n');
}

TEST(Pdf417Encoder, RenderScalesModulesAndAddsQuietZones) {
    const Pdf417Symbol symbol = encodeSymbol({}, 0, 1);  // 3 rows of 86 modules
    ASSERT_EQ(symbol.rows, 3);
    struct Case {
        RenderOptions options;
        int marginColumns, marginRows;
    };
    const std::vector<Case> cases = {
        {{1, 3, 0}, 0, 0},
        {{1, 3, 2}, 2, 2},
        {{2, 4, 2}, 4, 3},  // 2 * 4 / 3 rounded up
        {{3, 1, 1}, 3, 1},
    };
    for (const Case& c : cases) {
        const RenderOptions& o = c.options;
        const PixelGrid grid = renderSymbol(symbol, o);
        ASSERT_EQ(grid.width, 86 * o.moduleWidth + 2 * c.marginColumns);
        ASSERT_EQ(grid.height, 3 * o.rowHeight + 2 * c.marginRows);
        ASSERT_EQ(grid.dark.size(), static_cast<std::size_t>(grid.width * grid.height));
        for (int y = 0; y < grid.height; ++y) {
            const int row = y - c.marginRows;
            const bool inRows = y >= c.marginRows && row < 3 * o.rowHeight;
            const std::vector<bool> modules =
                inRows ? rowModules(symbol, row / o.rowHeight) : std::vector<bool>(86, false);
            for (int x = 0; x < grid.width; ++x) {
                const int column = x - c.marginColumns;
                const bool inColumns = x >= c.marginColumns && column < 86 * o.moduleWidth;
                const bool expected =
                    inColumns && modules[static_cast<std::size_t>(column / o.moduleWidth)];
                ASSERT_EQ(grid.at(y, x), expected) << "pixel " << y << ", " << x;
            }
        }
    }
}

}  // namespace
}  // namespace tessoran_test
