// Whole symbols built by the test encoder from hand-made codeword streams,
// decoded by the real program from bar strings and from images. Every
// expected output is worked out by hand from what the codewords mean:
// - text: a codeword holds two values, 30 * first + second; the values are
//   given in the comments as the characters or switches they stand for in
//   the sub-mode in force (Upper at the start and after 900);
// - numbers: after 902, each group of up to 15 codewords is a base-900
//   number whose decimal digits, less a leading 1, are the text (the
//   codewords were found by writing 1 and the digits in base 900);
// - bytes: after 924 (and 901 while more than five remain), five codewords
//   are a base-900 number whose 48 bits are six bytes, high byte first;
//   other codewords are single bytes;
// - ECI: 927 c gives c, 926 c1 c2 gives (c1 + 1) * 900 + c2 and 925 c gives
//   810900 + c, each written as six digits.

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "support/Pdf417Encoder.h"
#include "support/ProgramRunner.h"
#include "support/SymbolRuns.h"

namespace tessoran_test {
namespace {

// Text values in the sub-modes (the letters of Upper and Lower are 0 to 25).
constexpr int kSpace = 26;
constexpr int kToLower = 27;       // Upper and Mixed: latch; Lower: shift to Upper
constexpr int kToMixed = 28;       // Upper and Lower: latch
constexpr int kMixedToUpper = 28;  // Mixed: latch
constexpr int kMixedToPunct = 25;  // Mixed: latch
constexpr int kShiftPunct = 29;    // Upper, Lower and Mixed
constexpr int kPunctToUpper = 29;  // Punctuation: latch

constexpr int kByteLatch = 901;
constexpr int kNumericLatch = 902;
constexpr int kByteShift = 913;
constexpr int kTextLatch = 900;
constexpr int kTerminator = 922;
constexpr int kOptionalField = 923;
constexpr int kByteLatchSix = 924;
constexpr int kEci925 = 925;
constexpr int kEci926 = 926;
constexpr int kEci927 = 927;
constexpr int kControlBlock = 928;

struct EncodedCase {
    EncodedCase(std::string caseName, std::vector<int> dataCodewords, std::string decoded)
        : name(std::move(caseName)), data(std::move(dataCodewords)), expected(std::move(decoded)) {}
    // A symbol whose decoding fails.
    static EncodedCase failing(std::string caseName, std::vector<int> dataCodewords) {
        EncodedCase test(std::move(caseName), std::move(dataCodewords), "");
        test.decodes = false;
        return test;
    }
    EncodedCase& inSymbol(int ecLevel, int dataColumns) {
        level = ecLevel;
        columns = dataColumns;
        return *this;
    }
    // The padding goes before the data, so that the data's last codeword is
    // the symbol's last data codeword.
    EncodedCase& paddedFirst() {
        padFirst = true;
        return *this;
    }
    // Also run from standard input, where the prompt goes first.
    EncodedCase& alsoFromStandardInput() {
        fromStandardInput = true;
        return *this;
    }

    std::string name;
    std::vector<int> data;  // data codewords, without the length descriptor
    std::string expected;   // what follows the size line
    int level = 2;
    int columns = 4;
    bool padFirst = false;
    bool decodes = true;
    bool fromStandardInput = false;
};

void PrintTo(const EncodedCase& symbol, std::ostream* out) {
    *out << symbol.name;
}

std::vector<int> concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const std::vector<int>& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::vector<int> repeated(int codeword, std::size_t count) {
    return std::vector<int>(count, codeword);
}

// 44 digits each: a whole numeric group of 15 codewords.
const std::string kPiDigits = "31415926535897932384626433832795028841971693";
const std::vector<int> kPiGroup = {574, 405, 680, 721, 92,  368, 84, 727,
                                   591, 448, 494, 542, 399, 868, 493};
const std::string kEDigits = "27182818284590452353602874713526624977572470";
const std::vector<int> kEGroup = {555, 852, 188, 300, 250, 166, 875, 246,
                                  434, 475, 380, 764, 26,  569, 370};
// 14 digits in a partial group of 5 codewords.
const std::string kPhiDigits = "16180339887498";
const std::vector<int> kPhiGroup = {177, 69, 418, 341, 598};

std::vector<EncodedCase> textCases() {
    // Punctuation characters in the order of the expected text below.
    const std::vector<int> punctuation = {1,  2,  3,  4,  5,  6,  7,  8,  9, 10,
                                          15, 20, 21, 23, 24, 25, 26, 27, 28};
    return {
        // H E L L O SP W O R L D, and a padding shift.
        EncodedCase("upper_case_and_space",
                    textCodewords({7, 4, 11, 11, 14, kSpace, 22, 14, 17, 11, 3}), "HELLO WORLD"),
        // latch Lower, h e l l o SP, shift Upper, W, then o r l d in Lower.
        EncodedCase(
            "lower_case_with_a_shift_to_upper",
            textCodewords({kToLower, 7, 4, 11, 11, 14, kSpace, kToLower, 22, 14, 17, 11, 3}),
            "hello World"),
        // latch Mixed, 1 2 : 3 0 SP & # - . $ / + % * = ^ , CR HT, latch
        // Upper, A.
        EncodedCase("mixed",
                    textCodewords({kToMixed, 1,  2,  14, 3,  0,  kSpace, 10, 15, 16, 17,
                                   18,       19, 20, 21, 22, 23, 24,     13, 11, 12, kMixedToUpper,
                                   0}),
                    "12:30 &#-.$/+%*=^,\r\tA"),
        // shift Punctuation, ;, A in Upper again; latch Mixed, latch
        // Punctuation, < > @ [ \ ] _ ` ~ ! LF " | ( ) ? { } ', latch Upper, B.
        EncodedCase(
            "punctuation",
            textCodewords(concat(
                {{kShiftPunct, 0, 0, kToMixed, kMixedToPunct}, punctuation, {kPunctToUpper, 1}})),
            ";A<>@[\\]_`~!\n\"|()?{}'B"),
        // latch Lower, a, shift Upper, B, c, shift Punctuation, ;, d; latch
        // Mixed, shift Punctuation, ",", 5; latch Lower, shift Punctuation,
        // where 29 latches Upper, E.
        EncodedCase("shifts_govern_one_value",
                    textCodewords({kToLower, 0, kToLower, 1, 2, kShiftPunct, 0, 3, kToMixed,
                                   kShiftPunct, 13, 5, kToLower, kShiftPunct, kPunctToUpper, 4}),
                    "aBc;d,5E"),
        // latch Lower, a b (padded), 900, then A B.
        EncodedCase("a_text_latch_starts_again_in_upper_case",
                    concat({textCodewords({kToLower, 0, 1}), {kTextLatch}, textCodewords({0, 1})}),
                    "abAB"),
    };
}

std::vector<EncodedCase> numberCases() {
    return {
        // Two groups of 15, one of 5, then 900 and A B.
        EncodedCase("long_number_in_groups_of_15_and_a_partial_group",
                    concat({{kNumericLatch}, kPiGroup, kEGroup, kPhiGroup, {kTextLatch, 1}}),
                    kPiDigits + kEDigits + kPhiDigits + "AB")
            .inSymbol(3, 6),
        // 1 * 900^2 + 211 * 900 + 223 = 1000123.
        EncodedCase("zeros_after_the_leading_one_stay", {kNumericLatch, 1, 211, 223}, "000123"),
    };
}

std::vector<EncodedCase> byteCases() {
    using namespace std::string_literals;
    return {
        EncodedCase("byte_latch_six_with_zero_and_high_bytes",
                    {kByteLatchSix, 1, 605, 270, 529, 541, 327, 803, 654, 238, 184},
                    "\x00\xff\x80\x00\x7f\x01\xc3\xa9\x00\x00\xfe\x10"s),
        // One group of five (00 01 02 FD FE FF), then 0 and 233 as single
        // bytes, then 900 and A B.
        EncodedCase("byte_latch_with_a_group_and_single_bytes",
                    {kByteLatch, 0, 5, 864, 364, 15, 0, 233, kTextLatch, 1},
                    "\x00\x01\x02\xfd\xfe\xff\x00\xe9"
                    "AB"s),
        // With 901 the last five codewords are single bytes, not a group.
        EncodedCase("byte_latch_ending_in_five_single_bytes", {kByteLatch, 65, 0, 255, 128, 10},
                    "A\x00\xff\x80\n"s),
        // latch Lower, a b c; 913 and the byte 233; d e f in Lower still.
        EncodedCase(
            "byte_shift_inside_lower_case_text",
            concat(
                {textCodewords({kToLower, 0, 1, 2}), {kByteShift, 233}, textCodewords({3, 4, 5})}),
            "abc\xe9"
            "def"),
        // latch Lower, a b and a padding shift, which is dropped at the end
        // of the run; 913 and the byte 0; c d in Lower.
        EncodedCase(
            "zero_byte_shift_after_padded_lower_case_text",
            concat({textCodewords({kToLower, 0, 1}), {kByteShift, 0}, textCodewords({2, 3})}),
            "ab\x00"
            "cd"s),
    };
}

std::vector<EncodedCase> eciCases() {
    return {
        // latch Lower, a b; 927 26; c d; 926 1 5 = 2 * 900 + 5; e f; 925 12
        // = 810912; g. The text stays in Lower across every designator.
        EncodedCase("eci_designators_inside_lower_case_text",
                    concat({textCodewords({kToLower, 0, 1}),
                            {kEci927, 26},
                            textCodewords({2, 3}),
                            {kEci926, 1, 5},
                            textCodewords({4, 5}),
                            {kEci925, 12},
                            textCodewords({6})}),
                    "ab000026cd001805ef810912g"),
        // A B; 927 900; A C: the 900 is the ECI number, not a latch.
        EncodedCase("eci_value_of_900_switches_no_mode", {1, kEci927, 900, 2}, "AB000900AC"),
    };
}

std::vector<EncodedCase> macroCases() {
    std::vector<int> longName = {kControlBlock, 111, 100, kOptionalField, 0};
    longName.insert(longName.end(), 520, 1);  // A B, 520 times
    longName.push_back(kTerminator);
    std::string longNameText;
    for (int i = 0; i < 520; ++i) {
        longNameText += "AB";
    }
    return {
        // a b in Lower; 928: index 111 101 = 100001 gives 1, file ID F I L E
        // read from Upper; then the fields: 0 text D O C; 1 number 1 223 =
        // 1123; 2 number 16 44 400 0 = 11700000000; 3 text M E; 5 number
        // 17 749 344 400 = 13000000000, above the cap; 6 number 1 211 223 =
        // 1000123; 7 is no field and adds nothing; 922 last.
        EncodedCase("control_block_with_optional_fields_and_terminator",
                    concat({textCodewords({kToLower, 0, 1}),
                            {kControlBlock, 111, 101},
                            textCodewords({5, 8, 11, 4}),
                            {kOptionalField, 0},
                            textCodewords({3, 14, 2}),
                            {kOptionalField, 1, 1, 223},
                            {kOptionalField, 2, 16, 44, 400, 0},
                            {kOptionalField, 3},
                            textCodewords({12, 4}),
                            {kOptionalField, 5, 17, 749, 344, 400},
                            {kOptionalField, 6, 1, 211, 223},
                            {kOptionalField, 7, 1},
                            {kTerminator}}),
                    "ab[1][FILE][filename:DOC][segmentcount:123][timestamp:1700000000]"
                    "[sender:ME][filesize:2147483647][checksum:123]")
            .inSymbol(3, 5)
            .paddedFirst(),
        // Index 111 100 = 100000 gives 0, no file ID; a file name field of
        // 520 codewords A B.
        EncodedCase("file_name_of_1040_characters_kept_whole", longName,
                    "[0][][filename:" + longNameText + "]")
            .inSymbol(2, 20)
            .paddedFirst(),
    };
}

// The marker of an invalid numeric group is part of the data, where the
// group's digits would be: after the size line, and never written for a
// symbol that then fails.
std::vector<EncodedCase> invalidNumberCases() {
    return {
        // A B; 902 2: the value 2 does not begin with 1; 900; A C.
        EncodedCase("invalid_numeric_group_between_text", {1, kNumericLatch, 2, kTextLatch, 2},
                    "AB<invalid>AC")
            .alsoFromStandardInput(),
        // 15 codewords of 2 make a number beginning 458...; then 1 223.
        EncodedCase("invalid_group_then_valid_group",
                    concat({{kNumericLatch}, repeated(2, 15), {1, 223}}), "<invalid>123")
            .inSymbol(1, 3),
        // A B; 902 2, decoded before the terminator that is not last fails
        // the symbol.
        EncodedCase::failing("invalid_numeric_group_in_a_failing_symbol",
                             {1, kNumericLatch, 2, kTerminator, 1})
            .alsoFromStandardInput(),
    };
}

std::vector<EncodedCase> failureCases() {
    return {
        EncodedCase::failing("terminator_not_last", {1, kTerminator, 1}),
        EncodedCase::failing("eci_927_as_the_last_data_codeword", {1, kEci927}).paddedFirst(),
        EncodedCase::failing("eci_926_with_one_value_codeword_left", {1, kEci926, 5}).paddedFirst(),
    };
}

class EncodedSymbols : public testing::TestWithParam<EncodedCase> {};

TEST_P(EncodedSymbols, DecodeFromBarStringAndImage) {
    const EncodedCase& test = GetParam();
    const Pdf417Symbol symbol = test.padFirst
                                    ? encodeWithPaddingAt(test.data, 0, test.level, test.columns)
                                    : encodeSymbol(test.data, test.level, test.columns);
    if (test.padFirst) {
        // The data ends where the symbol's data ends.
        ASSERT_EQ(symbol.codewords[static_cast<std::size_t>(symbol.codewords[0]) - 1],
                  test.data.back());
    }
    const std::string expectedOut = test.decodes ? sizeLine(symbol) + test.expected : std::string();
    const std::string expectedErr = expectedBanner() + (test.decodes ? "" : "Decoding failed.\n");
    expectBothInputsEndWith(symbol, expectedOut, expectedErr);
    if (test.fromStandardInput) {
        const RunOutcome run = runTessoran({"-i"}, toBarString(symbol));
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_EQ(run.out, "Enter barcode string below (V4 only):\n" + expectedOut);
        EXPECT_EQ(run.err, expectedErr);
    }
}

std::string caseName(const testing::TestParamInfo<EncodedCase>& param) {
    return param.param.name;
}

INSTANTIATE_TEST_SUITE_P(Text, EncodedSymbols, testing::ValuesIn(textCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Numbers, EncodedSymbols, testing::ValuesIn(numberCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Bytes, EncodedSymbols, testing::ValuesIn(byteCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Eci, EncodedSymbols, testing::ValuesIn(eciCases()), caseName);
INSTANTIATE_TEST_SUITE_P(Macro, EncodedSymbols, testing::ValuesIn(macroCases()), caseName);
INSTANTIATE_TEST_SUITE_P(InvalidNumbers, EncodedSymbols, testing::ValuesIn(invalidNumberCases()),
                         caseName);
INSTANTIATE_TEST_SUITE_P(InterpreterFailures, EncodedSymbols, testing::ValuesIn(failureCases()),
                         caseName);

}  // namespace
}  // namespace tessoran_test
