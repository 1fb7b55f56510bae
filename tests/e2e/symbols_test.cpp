// SPDX-License-Identifier: Apache-2.0
// Whole symbols decoded by the real program from bar strings and images: made
// by zint, built from hand-made codewords, damaged within and past the budget.

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <numeric>
#include <string>
#include <vector>

#include "support/ImageWriters.h"
#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"
#include "support/Zint.h"

namespace tessoran_test {
namespace {

// Runs the program on `barString` as a file, on `pngPath` and, when `piped`,
// on the bar string as standard input; expects each run to end with status 0
// and exactly these outputs (after the prompt on standard input).
void expectRuns(const TemporaryDirectory& directory, const std::string& barString,
                const std::string& pngPath, const std::string& out, const std::string& err,
                bool piped = false) {
    for (const std::string& path :
         {directory.write("symbol.txt", barString), pngPath, std::string(piped ? "-i" : "")}) {
        if (path.empty()) {
            continue;
        }
        SCOPED_TRACE(path);
        const RunOutcome run = runTessoran({path}, path == "-i" ? barString : "");
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, (path == "-i" ? kPrompt : "") + out);
        EXPECT_EQ(run.err, expectedBanner() + err);
    }
}

std::string digits(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text.push_back(static_cast<char>('0' + (i * 7 + i / 10) % 10));
    }
    return text;
}

struct ZintCase {
    int columns;
    int level;
    std::string data;             // the bytes given to zint, and what the symbol holds
    std::string expected = data;  // what the program prints after the size line
    std::string option = "";      // besides -b 55 --binary --cols --secure
};

TEST(Symbols, MadeByZint) {
    std::string allBytes(256, '\0');
    std::iota(allBytes.begin(), allBytes.end(), '\0');
    std::vector<ZintCase> cases = {
        {6, 3, "PDF417: a (small) test; 50% off? {yes} #1 \"quoted\" ~tilde"},
        {8, 4, digits(300)},
        {12, 5, allBytes},
        {4, 2, "line\nnext\r\nend\n"},
        // Lower case with a byte above 127, which zint writes as a byte shift
        // inside text: the text after it stays in lower case.
        {5, 2, "abcdefghij\xe9z"},
        // zint raises the rows to 14 and says so in a warning on the stream
        // that carries the module rows.
        {4, 2, "Warnings of the encoder are no module rows: this needs more rows than asked.",
         "Warnings of the encoder are no module rows: this needs more rows than asked.",
         "--rows=3"},
        // ECI designators come out as six digits: 927 n below 900, 926 c1 c2
        // from 900, 925 from 810900.
        {3, 2, "abc", "000003abc", "--eci=3"},
        {3, 2, "abc", "000899abc", "--eci=899"},
        {3, 2, "abc", "000900abc", "--eci=900"},
        {3, 2, "abc", "811799abc", "--eci=811799"},
        // zint's codewords 928 111 101 123 923 1 111 103: segment index
        // 100001 less its leading 1 (zint counts from 0), the file ID 123 read
        // as text values 4 and 3, "ED", then the segment count 100003.
        {4, 2, "AB", "AB[1][ED][segmentcount:3]", "--structapp=2,3,123"},
        // The last segment ends with the terminator 922, which adds no text.
        {4, 2, "AB", "AB[1][][segmentcount:2]", "--structapp=2,2"},
    };
    // Every level, column counts spread over 1 to 30.
    const int columnsOfLevel[9] = {1, 2, 3, 5, 8, 13, 20, 27, 30};
    for (int level = 0; level <= 8; ++level) {
        cases.push_back(
            {columnsOfLevel[level], level, "Level " + std::to_string(level) + digits(level * 5)});
    }
    TemporaryDirectory directory;
    for (const ZintCase& test : cases) {
        SCOPED_TRACE(test.data.substr(0, 40));
        std::vector<std::string> options = {"--cols=" + std::to_string(test.columns),
                                            "--secure=" + std::to_string(test.level), test.option};
        std::erase(options, "");
        const std::vector<std::string> rows = zintModuleRows(options, test.data);
        const std::string png = directory.path() + "/zint.png";
        zintPng(options, test.data, png);
        expectRuns(directory, moduleRowsToBarString(rows), png,
                   sizeLine({static_cast<int>(rows.size()), test.columns, test.level, {}, {}}) +
                       test.expected,
                   "");
    }
}

// Codeword streams that zint does not write, through the whole program: Macro
// PDF417 fields inline, the invalid-group marker in place, malformed endings.
struct EncodedCase {
    const char* name;
    std::vector<int> data;  // without the length descriptor
    std::string expected;   // after the size line; empty: the decoding fails
    // The padding goes first, so that the data's last codeword is the
    // symbol's last data codeword.
    bool paddedFirst = false;
    bool fromStandardInput = false;
};

TEST(Symbols, FromHandMadeCodewords) {
    std::vector<int> longName = {928, 111, 100, 923, 0};
    longName.insert(longName.end(), 520, 1);  // A B, 520 times
    longName.push_back(922);
    std::string ab520;
    std::generate_n(std::back_inserter(ab520), 1040, [&ab520] { return "AB"[ab520.size() % 2]; });
    const std::vector<EncodedCase> cases = {
        // 928: index 111 101 = 100001, file ID 158 334 (F I L E); fields 0 text
        // 104 89 (D O C), 5 number 17 749 344 400 = 13000000000 (above the cap).
        {"control block",
         {928, 111, 101, 158, 334, 923, 0, 104, 89, 923, 5, 17, 749, 344, 400, 922},
         "[1][FILE][filename:DOC][filesize:2147483647]",
         true},
        // Longer than any fixed buffer of 1024 bytes, and kept whole.
        {"a file name of 1040 characters", longName, "[0][][filename:" + ab520 + "]", true},
        // The marker of an invalid numeric group (2 does not begin with 1)
        // stands where its digits would, after the size line, and is never
        // written for a symbol that then fails.
        {"an invalid numeric group", {1, 902, 2, 900, 2}, "AB<invalid>AC", false, true},
        {"an invalid group in a failing symbol", {1, 902, 2, 922, 1}, "", false, true},
        {"a terminator not last", {1, 922, 1}, ""},
        {"ECI 927 as the last data codeword", {1, 927}, "", true},
        {"ECI 926 with one value codeword left", {1, 926, 5}, "", true},
    };
    TemporaryDirectory directory;
    for (const EncodedCase& test : cases) {
        SCOPED_TRACE(test.name);
        std::vector<int> data = test.data;
        const int columns = data.size() > 100 ? 20 : 4;
        if (test.paddedFirst) {
            const int padding =
                encodeSymbol(data, 2, columns).codewords[0] - 1 - static_cast<int>(data.size());
            data.insert(data.begin(), static_cast<std::size_t>(padding), 900);
        }
        const Pdf417Symbol symbol = encodeSymbol(data, 2, columns);
        ASSERT_TRUE(!test.paddedFirst || symbol.codewords[symbol.codewords[0] - 1] == data.back());
        const std::string out = test.expected.empty() ? "" : sizeLine(symbol) + test.expected;
        const std::string err = test.expected.empty() ? kFailed : "";
        // Without a quiet zone: the symbol's first bar is the picture's edge.
        const std::string png = directory.path() + "/symbol.png";
        writePng(png, argbFromGrid(renderSymbol(symbol, {2, 6, 0})), PngLayout::Grey8);
        expectRuns(directory, toBarString(symbol), png, out, err, test.fromStandardInput);
    }
}

// `count` codeword indexes spread evenly over [first, first + span); whole
// rows where `first` and `span` are multiples of the columns.
std::vector<int> spread(int count, int first, int span) {
    std::vector<int> indexes;
    for (int k = 0; k < count; ++k) {
        indexes.push_back(first + k * span / count);
    }
    return indexes;
}

struct DamageCase {
    const char* name;
    int level;
    int columns;
    // Codeword indexes in reading order (0 is the length descriptor, -1 the
    // last check codeword): drawn as another codeword of the row's cluster,
    // and drawn in another cluster, which the reader erases.
    std::vector<int> wrong;
    std::vector<int> unreadable;
    bool decodes;
    int descriptorOffset = 0;  // added to the length descriptor as drawn
};

// With t wrong, v unreadable and E check codewords, 2t + v <= E - 2 gives the
// clean output (two check codewords stay for detection); past it every case
// fails. 23 data codewords: level 0, 3 columns, 9 rows (E = 2); 1, 3, 10 (4);
// 2, 4, 8 (8); 3, 5, 8 (16); 5, 12, 8 (64).
TEST(Symbols, DamagedWithinAndPastTheCorrectionBudget) {
    const std::vector<DamageCase> cases = {
        {"level 1, one wrong", 1, 3, {7}, {}, true},
        {"level 1, two unreadable", 1, 3, {}, {2, 20}, true},
        {"level 2, two wrong and two unreadable", 2, 4, {5, -1}, {11, 20}, true},
        {"level 3, seven wrong", 3, 5, spread(7, 1, 39), {}, true},
        {"level 3, seven wrong check codewords", 3, 5, spread(7, -16, 16), {}, true},
        {"level 3, fourteen unreadable check codewords", 3, 5, {}, spread(14, -16, 16), true},
        {"level 3, two unreadable rows, two wrong", 3, 5, {31, 38}, spread(10, 5, 10), true},
        {"level 3, four wrong, six unreadable", 3, 5, {3, 17, 31, -2}, spread(6, 1, 38), true},
        // The row indicators state the level, which fixes the number of check
        // codewords: a wrong descriptor is one more codeword to restore.
        {"level 3, wrong length descriptor", 3, 5, {4, 21, -5}, {}, true, 8},
        {"level 3, descriptor one too high", 3, 5, {9, 30}, {}, true, 1},
        {"level 3, unreadable descriptor", 3, 5, {-3}, {0, 12, 13}, true},
        {"level 5, 31 wrong", 5, 12, spread(31, 1, 95), {}, true},
        {"level 5, 19 wrong, 24 unreadable", 5, 12, spread(19, 36, 60), spread(24, 12, 24), true},
        {"level 0, one wrong data codeword", 0, 3, {7}, {}, false},
        {"level 0, one wrong check codeword", 0, 3, {-1}, {}, false},
        {"level 0, one unreadable", 0, 3, {}, {20}, false},
        {"level 0, wrong length descriptor", 0, 3, {0}, {}, false},
        {"level 1, one wrong, one unreadable", 1, 3, {7}, {20}, false},
        {"level 2, three wrong, one unreadable", 2, 4, {5, 14, -1}, {20}, false},
        {"level 2, eight unreadable, one wrong", 2, 4, {2}, spread(8, 1, 30), false},
        {"level 3, eight wrong", 3, 5, spread(8, 1, 39), {}, false},
        {"level 3, three unreadable rows", 3, 5, {}, spread(15, 5, 15), false},
        {"level 3, seventeen unreadable", 3, 5, {}, spread(17, 1, 39), false},
        {"level 5, 32 wrong", 5, 12, spread(32, 1, 95), {}, false},
        {"level 5, 20 wrong, 24 unreadable", 5, 12, spread(20, 36, 60), spread(24, 12, 24), false},
        {"level 5, 65 unreadable", 5, 12, {}, spread(65, 1, 95), false},
    };
    // "DAMAGED SYMBOL", then 902 and a group of 44 digits.
    constexpr const char* kDigits = "31415926535897932384626433832795028841971693";
    std::vector<int> payload = textCodewords({3, 0, 12, 0, 6, 4, 3, 26, 18, 24, 12, 1, 14, 11});
    payload.insert(payload.end(),
                   {902, 574, 405, 680, 721, 92, 368, 84, 727, 591, 448, 494, 542, 399, 868, 493});
    TemporaryDirectory directory;
    for (const DamageCase& test : cases) {
        SCOPED_TRACE(test.name);
        const Pdf417Symbol clean = encodeSymbol(payload, test.level, test.columns);
        Pdf417Symbol symbol = clean;
        const auto at = [&](int index) {
            return static_cast<std::size_t>(index < 0 ? index + symbol.rows * symbol.columns
                                                      : index);
        };
        for (const int index : test.wrong) {
            symbol.codewords.at(at(index)) = (symbol.codewords.at(at(index)) + 500) % 929;
        }
        symbol.codewords[0] += test.descriptorOffset;
        for (const int index : test.unreadable) {
            symbol.drawCluster.at(at(index)) =
                3 * ((static_cast<int>(at(index)) / test.columns + 1) % 3);
        }
        const std::string png = directory.path() + "/symbol.png";
        writePng(png, argbFromGrid(renderSymbol(symbol, {2, 6, 2})), PngLayout::Grey8);
        const std::string out = sizeLine(clean) + "DAMAGED SYMBOL" + std::string(kDigits);
        expectRuns(directory, toBarString(symbol), png, test.decodes ? out : "",
                   test.decodes ? "" : kFailed);
    }
}

// Three rows of padding put into a valid symbol and cut out of its picture: the
// rest reads as a valid symbol, but the row indicators drawn state the larger
// symbol's rows, which the cut picture contradicts.
TEST(Symbols, RowsCutOutOfAPictureFailTheDecode) {
    const Pdf417Symbol small = encodeSymbol(textCodewords({1, 2, 3, 4, 5, 6, 7, 8}), 2, 4);
    const RenderOptions options{2, 6, 2};
    TemporaryDirectory directory;
    for (const int cutRow : {0, 3, small.rows}) {
        SCOPED_TRACE("three rows cut from row " + std::to_string(cutRow));
        Pdf417Symbol large = small;
        large.rows += 3;
        large.codewords.insert(large.codewords.begin() + cutRow * large.columns,
                               static_cast<std::size_t>(3 * large.columns), 900);
        large.drawCluster.assign(large.codewords.size(), -1);
        PixelGrid grid = renderSymbol(large, options);
        const int top = 4;  // the quiet zone's pixel rows
        const auto from = grid.dark.begin() + (top + cutRow * options.rowHeight) * grid.width;
        grid.dark.erase(from, from + 3 * options.rowHeight * grid.width);
        grid.height -= 3 * options.rowHeight;
        const std::string path = directory.path() + "/cut.png";
        writePng(path, argbFromGrid(grid), PngLayout::Grey8);
        const RunOutcome run = runTessoran({path});
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, expectedBanner() + kFailed);
    }
}

}  // namespace
}  // namespace tessoran_test
