// Symbols made by the zint encoder, which nobody here wrote, decoded by the
// real program from bar strings and from PNG images.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/ProgramRunner.h"
#include "support/Zint.h"

namespace tessoran_test {
namespace {

struct ZintCase {
    std::string name;
    std::string data;                  // the bytes given to zint
    std::vector<std::string> options;  // besides -b 55 --binary
    int columns;
    int level;
    std::string expected;  // what the program prints after the size line
};

void PrintTo(const ZintCase& symbol, std::ostream* out) { *out << symbol.name; }

std::string sizeLine(std::size_t rows, int columns, int level) {
    return std::to_string(rows) + " Rows, " + std::to_string(columns) + " Cols, Error correction " +
           std::to_string(level) + ".\n";
}

std::string allByteValues() {
    std::string bytes;
    for (int value = 0; value < 256; ++value) {
        bytes.push_back(static_cast<char>(value));
    }
    return bytes;
}

std::string digits(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text.push_back(static_cast<char>('0' + (i * 7 + i / 10) % 10));
    }
    return text;
}

std::vector<ZintCase> cases() {
    std::vector<ZintCase> list = {
        {"text", "Hello, Tessoran!", {}, 3, 2, "Hello, Tessoran!"},
        {"mixed_case_and_punctuation",
         "PDF417: a (small) test; 50% off? {yes} #1 \"quoted\" ~tilde",
         {},
         6,
         3,
         "PDF417: a (small) test; 50% off? {yes} #1 \"quoted\" ~tilde"},
        {"long_number", digits(300), {}, 8, 4, digits(300)},
        {"binary_with_zero_and_high_bytes", allByteValues(), {}, 12, 5, allByteValues()},
        // Lower-case text with one byte above 127, which zint writes as a
        // byte shift inside text: the text after it stays in lower case.
        {"byte_shift_inside_lower_case_text",
         "abcdefghij\xe9"
         "abcdefghij",
         {},
         5,
         2,
         "abcdefghij\xe9"
         "abcdefghij"},
        // zint raises the rows to 14 and says so in a warning, on the
        // stream that carries the module rows.
        {"rows_raised_by_zint",
         "Warnings of the encoder are not module rows: this text needs more rows than asked for.",
         {"--rows=3"},
         4,
         2,
         "Warnings of the encoder are not module rows: this text needs more rows than asked for."},
        {"byte_ten_is_not_changed",
         std::string("line\nnext\r\nend\n"),
         {},
         4,
         2,
         std::string("line\nnext\r\nend\n")},
        // ECI designators come out as six digits before the data. zint writes
        // 927 n for n below 900, 926 c1 c2 for 900 and above (c1 = n / 900 - 1,
        // c2 = n mod 900) and 925 (n - 810900) from 810900 on.
        {"eci_927", "abc", {"--eci=3"}, 3, 2, "000003abc"},
        {"eci_927_largest", "abc", {"--eci=899"}, 3, 2, "000899abc"},
        {"eci_926", "abc", {"--eci=900"}, 3, 2, "000900abc"},
        {"eci_925", "abc", {"--eci=811799"}, 3, 2, "811799abc"},
        // Worked out by hand from zint's codewords for this symbol (read back
        // from its modules): 12 1 900 900 928 111 101 123 923 1 111 103 and
        // the check codewords. "AB" is the text codeword 1; after the padding,
        // 928 opens the control block: 111 101 is the numeric group 100001,
        // so the segment index is 00001 = 1 (zint counts from 0), and the file
        // ID 123 read as text is the values 4 and 3, "ED". Then 923 1 is the
        // segment count field with the numeric group 111 103 = 100003, that
        // is 3. Not the last segment, so no terminator.
        {"macro_control_block", "AB", {"--structapp=2,3,123"}, 4, 2, "AB[1][ED][segmentcount:3]"},
        // The last segment of two ends with the terminator 922, which adds no
        // text; no file ID was given.
        {"macro_last_segment", "AB", {"--structapp=2,2"}, 4, 2, "AB[1][][segmentcount:2]"},
    };
    // Every level and a spread of column counts.
    const int columnsOfLevel[9] = {1, 2, 3, 5, 8, 13, 20, 27, 30};
    for (int level = 0; level <= 8; ++level) {
        const std::string data = "Level " + std::to_string(level) + " symbol " + digits(level * 5);
        list.push_back(
            {"level_" + std::to_string(level), data, {}, columnsOfLevel[level], level, data});
    }
    return list;
}

class ZintSymbols : public testing::TestWithParam<ZintCase> {
  protected:
    std::vector<std::string> zintOptions() const {
        std::vector<std::string> options = GetParam().options;
        options.push_back("--cols=" + std::to_string(GetParam().columns));
        options.push_back("--secure=" + std::to_string(GetParam().level));
        return options;
    }
};

TEST_P(ZintSymbols, DecodeFromBarStringAndImage) {
    const ZintCase& symbol = GetParam();
    const std::vector<std::string> rows = zintModuleRows(zintOptions(), symbol.data);
    const std::string expectedOut =
        sizeLine(rows.size(), symbol.columns, symbol.level) + symbol.expected;

    TemporaryDirectory directory;
    const std::string barString = directory.write("symbol.txt", moduleRowsToBarString(rows));
    const RunOutcome fromText = runTessoran({barString});
    EXPECT_EQ(fromText.exitStatus, 0);
    EXPECT_EQ(fromText.out, expectedOut);
    EXPECT_EQ(fromText.err, expectedBanner());

    const std::string image = directory.path() + "/symbol.png";
    zintPng(zintOptions(), symbol.data, image);
    const RunOutcome fromImage = runTessoran({image});
    EXPECT_EQ(fromImage.exitStatus, 0);
    EXPECT_EQ(fromImage.out, expectedOut);
    EXPECT_EQ(fromImage.err, expectedBanner());
}

INSTANTIATE_TEST_SUITE_P(Zint, ZintSymbols, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<ZintCase>& param) {
                             return param.param.name;
                         });

TEST(ZintCodewords, ByteShiftInsideLowerCaseTextKeepsTheLatchedSubMode) {
    // The codewords zint writes for this text, read back from its modules:
    // 810 latches lower case (values 27, 0), 913 shifts one byte, and the
    // second half goes on in lower case without a new latch.
    const std::vector<int> codewords =
        moduleRowsToCodewords(zintModuleRows({"--cols=5", "--secure=2"},
                                             "abcdefghij\xe9"
                                             "abcdefghij"));
    const std::vector<int> data(codewords.begin(), codewords.begin() + 17);
    EXPECT_EQ(data, (std::vector<int>{17, 810, 32, 94, 156, 218, 299, 913, 233, 1, 63, 125, 187,
                                      249, 900, 900, 900}));
}

}  // namespace
}  // namespace tessoran_test
