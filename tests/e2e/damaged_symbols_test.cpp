// Symbols with damaged codewords (another codeword drawn in the right
// cluster, read as a wrong value) and unreadable ones (drawn in another
// cluster, read as an erasure), decoded by the real program from bar strings
// and from images. With t wrong and v unreadable codewords and E check
// codewords, 2t + v <= E - 2 must give exactly the clean symbol's output: two
// check codewords stay for detection. Past that budget every case must fail,
// also where the check codewords could still restore the data.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"
#include "support/SymbolRuns.h"

namespace tessoran_test {
namespace {

constexpr int kNumericLatch = 902;
constexpr int kCodewordValues = 929;

// "DAMAGED SYMBOL" in Upper (D A M A G E D SP S Y M B O L), then 902 and a
// group of 15 codewords whose number is 1 and these 44 digits.
const std::string kDigits = "31415926535897932384626433832795028841971693";
const std::string kDecoded = "DAMAGED SYMBOL" + kDigits;

std::vector<int> payload() {
    std::vector<int> data = textCodewords({3, 0, 12, 0, 6, 4, 3, 26, 18, 24, 12, 1, 14, 11});
    data.push_back(kNumericLatch);
    data.insert(data.end(),
                {574, 405, 680, 721, 92, 368, 84, 727, 591, 448, 494, 542, 399, 868, 493});
    return data;
}

struct DamageCase {
    DamageCase(std::string caseName, int ecLevel, int dataColumns)
        : name(std::move(caseName)), level(ecLevel), columns(dataColumns) {}
    DamageCase& drawnWrong(std::vector<int> indexes) {
        wrong = std::move(indexes);
        return *this;
    }
    DamageCase& drawnUnreadable(std::vector<int> indexes) {
        unreadable = std::move(indexes);
        return *this;
    }
    DamageCase& withDescriptorOffset(int offset) {
        descriptorOffset = offset;
        return *this;
    }
    DamageCase& failing() {
        decodes = false;
        return *this;
    }

    std::string name;
    int level;
    int columns;
    // Codeword indexes in reading order (0 is the length descriptor); a
    // negative index counts from the end, -1 being the last check codeword.
    std::vector<int> wrong;
    std::vector<int> unreadable;
    // Added to the length descriptor, which is then drawn with that value.
    std::optional<int> descriptorOffset;
    bool decodes = true;
};

void PrintTo(const DamageCase& test, std::ostream* out) {
    *out << test.name;
}

// `count` indexes spread evenly over [first, first + span).
std::vector<int> spread(int count, int first, int span) {
    std::vector<int> indexes;
    for (int k = 0; k < count; ++k) {
        indexes.push_back(first + k * span / count);
    }
    return indexes;
}

// Every codeword index of the symbol rows `firstRow` to `lastRow`.
std::vector<int> wholeRows(int columns, int firstRow, int lastRow) {
    std::vector<int> indexes;
    for (int index = firstRow * columns; index < (lastRow + 1) * columns; ++index) {
        indexes.push_back(index);
    }
    return indexes;
}

// The payload is 23 data codewords; with the length descriptor 24. At level
// 0 and 3 columns the symbol has 9 rows (27 codewords, E = 2); at level 1 and
// 3 columns 10 rows (30, E = 4); at level 2 and 4 columns 8 rows (32, E = 8);
// at level 3 and 5 columns 8 rows (40, E = 16); at level 5 and 12 columns 8
// rows (96, E = 64). The spreads start at index 1; the length descriptor's own
// damage has cases of its own.
std::vector<DamageCase> withinTheBudget() {
    return {
        DamageCase("level_1_one_wrong", 1, 3).drawnWrong({7}),
        DamageCase("level_1_two_unreadable", 1, 3).drawnUnreadable({2, 20}),
        DamageCase("level_2_two_wrong_and_two_unreadable", 2, 4)
            .drawnWrong({5, -1})
            .drawnUnreadable({11, 20}),
        DamageCase("level_3_seven_wrong_everywhere", 3, 5).drawnWrong(spread(7, 1, 39)),
        DamageCase("level_3_seven_wrong_check_codewords", 3, 5).drawnWrong(spread(7, -16, 16)),
        DamageCase("level_3_fourteen_unreadable_check_codewords", 3, 5)
            .drawnUnreadable(spread(14, -16, 16)),
        // Rows 1 and 2 (10 codewords) and two more.
        DamageCase("level_3_two_unreadable_rows_and_two_wrong", 3, 5)
            .drawnUnreadable(wholeRows(5, 1, 2))
            .drawnWrong({31, 38}),
        DamageCase("level_3_four_wrong_and_six_unreadable", 3, 5)
            .drawnWrong({3, 17, 31, -2})
            .drawnUnreadable(spread(6, 1, 38)),
        // The descriptor announces the number of check codewords, but the row
        // indicators state the level, which fixes it; the descriptor is then
        // one more codeword to restore.
        DamageCase("level_3_wrong_length_descriptor", 3, 5)
            .drawnWrong({4, 21, -5})
            .withDescriptorOffset(8),
        DamageCase("level_3_length_descriptor_one_too_high", 3, 5)
            .drawnWrong({9, 30})
            .withDescriptorOffset(1),
        DamageCase("level_3_unreadable_length_descriptor", 3, 5)
            .drawnUnreadable({0, 12, 13})
            .drawnWrong({-3}),
        DamageCase("level_5_thirty_one_wrong", 5, 12).drawnWrong(spread(31, 1, 95)),
        DamageCase("level_5_nineteen_wrong_and_twenty_four_unreadable", 5, 12)
            .drawnWrong(spread(19, 36, 60))
            .drawnUnreadable(wholeRows(12, 1, 2)),
    };
}

// One past the budget, and far past it.
std::vector<DamageCase> pastTheBudget() {
    return {
        DamageCase("level_0_one_wrong_data_codeword", 0, 3).drawnWrong({7}).failing(),
        DamageCase("level_0_one_wrong_check_codeword", 0, 3).drawnWrong({-1}).failing(),
        DamageCase("level_0_one_unreadable", 0, 3).drawnUnreadable({20}).failing(),
        DamageCase("level_0_wrong_length_descriptor", 0, 3).drawnWrong({0}).failing(),
        DamageCase("level_1_one_wrong_and_one_unreadable", 1, 3)
            .drawnWrong({7})
            .drawnUnreadable({20})
            .failing(),
        DamageCase("level_2_three_wrong_and_one_unreadable", 2, 4)
            .drawnWrong({5, 14, -1})
            .drawnUnreadable({20})
            .failing(),
        DamageCase("level_2_eight_unreadable_and_one_wrong", 2, 4)
            .drawnUnreadable(spread(8, 1, 30))
            .drawnWrong({2})
            .failing(),
        DamageCase("level_3_eight_wrong", 3, 5).drawnWrong(spread(8, 1, 39)).failing(),
        DamageCase("level_3_three_unreadable_rows", 3, 5)
            .drawnUnreadable(wholeRows(5, 1, 3))
            .failing(),
        DamageCase("level_3_seventeen_unreadable", 3, 5)
            .drawnUnreadable(spread(17, 1, 39))
            .failing(),
        DamageCase("level_5_thirty_two_wrong", 5, 12).drawnWrong(spread(32, 1, 95)).failing(),
        DamageCase("level_5_twenty_wrong_and_twenty_four_unreadable", 5, 12)
            .drawnWrong(spread(20, 36, 60))
            .drawnUnreadable(wholeRows(12, 1, 2))
            .failing(),
        DamageCase("level_5_sixty_five_unreadable", 5, 12)
            .drawnUnreadable(spread(65, 1, 95))
            .failing(),
    };
}

std::size_t resolve(const Pdf417Symbol& symbol, int index) {
    const int size = static_cast<int>(symbol.codewords.size());
    const int resolved = index < 0 ? size + index : index;
    if (resolved < 0 || resolved >= size) {
        throw std::invalid_argument("no codeword " + std::to_string(index));
    }
    return static_cast<std::size_t>(resolved);
}

Pdf417Symbol damaged(Pdf417Symbol symbol, const DamageCase& test) {
    for (const int index : test.wrong) {
        int& codeword = symbol.codewords[resolve(symbol, index)];
        codeword = (codeword + 500) % kCodewordValues;
    }
    if (test.descriptorOffset) {
        symbol.codewords[0] += *test.descriptorOffset;
    }
    for (const int index : test.unreadable) {
        const std::size_t at = resolve(symbol, index);
        const int rowCluster = 3 * (static_cast<int>(at) / symbol.columns % 3);
        symbol.drawCluster[at] = (rowCluster + 3) % 9;
    }
    return symbol;
}

class DamagedSymbols : public testing::TestWithParam<DamageCase> {};

TEST_P(DamagedSymbols, DecodeLikeTheCleanSymbolOrFail) {
    const DamageCase& test = GetParam();
    const Pdf417Symbol clean = encodeSymbol(payload(), test.level, test.columns);
    const Pdf417Symbol symbol = damaged(clean, test);
    const std::string expectedOut = test.decodes ? sizeLine(clean) + kDecoded : std::string();
    const std::string expectedErr = expectedBanner() + (test.decodes ? "" : "Decoding failed.\n");
    expectBothInputsEndWith(symbol, expectedOut, expectedErr);
}

std::string caseName(const testing::TestParamInfo<DamageCase>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(WithinTheBudget, DamagedSymbols, testing::ValuesIn(withinTheBudget()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(PastTheBudget, DamagedSymbols, testing::ValuesIn(pastTheBudget()),
                         caseName);

// The clean symbols themselves, so that a failure above is told apart from
// a fault in the clean decode.
TEST(DamagedSymbols, CleanSymbolsDecode) {
    TemporaryDirectory directory;
    for (const auto& [level, columns] :
         {std::pair{0, 3}, std::pair{1, 3}, std::pair{2, 4}, std::pair{3, 5}, std::pair{5, 12}}) {
        const Pdf417Symbol clean = encodeSymbol(payload(), level, columns);
        const RunOutcome run = runOnBarString(clean, directory);
        EXPECT_EQ(run.out, sizeLine(clean) + kDecoded) << "level " << level;
    }
}

// Rows cut out of a symbol's picture. The rows left keep their clusters when
// three go, so every codeword still reads, and what is left can be a valid
// symbol by itself: here the symbol is drawn from a smaller, valid one with
// three rows of padding put in, which are then cut out again. The row
// indicators drawn are those of the larger symbol: they state its rows, and
// number every row.
TEST(DamagedSymbols, RowsCutOutOfAPictureFailTheDecode) {
    const Pdf417Symbol small = encodeSymbol(payload(), 2, 4);
    const RenderOptions options{2, 6, 2};
    const int top = 4;  // the quiet zone's pixel rows
    TemporaryDirectory directory;
    for (const int cutRow : {0, 3, small.rows}) {
        SCOPED_TRACE("three rows cut from row " + std::to_string(cutRow));
        Pdf417Symbol large = small;
        large.rows += 3;
        large.codewords.insert(large.codewords.begin() + cutRow * large.columns,
                               static_cast<std::size_t>(3 * large.columns), 900);
        large.drawCluster.assign(large.codewords.size(), -1);
        PixelGrid grid = renderSymbol(large, options);
        const auto from =
            grid.dark.begin() +
            static_cast<std::ptrdiff_t>(top + cutRow * options.rowHeight) * grid.width;
        grid.dark.erase(from,
                        from + static_cast<std::ptrdiff_t>(3 * options.rowHeight) * grid.width);
        grid.height -= 3 * options.rowHeight;
        const std::string path = directory.path() + "/cut.png";
        writePng(path, argbFromGrid(grid), PngLayout::Grey8);
        const RunOutcome run = runTessoran({path});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expectedBanner() + "Decoding failed.\n");
    }
}

}  // namespace
}  // namespace tessoran_test
