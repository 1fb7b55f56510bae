#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoding/CodewordInterpreter.h"
#include "support/SegmentList.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::DecodeResult;
using ostrel2::tessoran::interpretCodewords;

using Segments = std::vector<TaggedText>;

constexpr int pair(int high, int low) {
    return high * 30 + low;
}

// "abcdefghij" as an encoder writes it after a latch to Lower that is
// already in force: five codewords of two letters each.
const std::vector<int> kLowerLetters = {pair(0, 1), pair(2, 3), pair(4, 5), pair(6, 7), pair(8, 9)};

struct InterpretCase {
    const char* what;
    std::vector<int> data;  // the data codewords; the length descriptor is added
    std::int32_t status;
    Segments segments;
};

void PrintTo(const InterpretCase& test, std::ostream* out) {
    *out << test.what;
}

class Interpret : public testing::TestWithParam<InterpretCase> {};

TEST_P(Interpret, CutsRunsAndAppendsTheirSegments) {
    const InterpretCase& test = GetParam();
    DecodeResult result;
    result.codewords[0] = static_cast<std::int32_t>(test.data.size()) + 1;
    std::copy(test.data.begin(), test.data.end(), &result.codewords[1]);
    // A check codeword after the data must never be read as data.
    result.codewords[test.data.size() + 1] = 922;
    const std::int32_t status = interpretCodewords(result);
    EXPECT_EQ(status, test.status);
    EXPECT_EQ(segmentsOf(result), test.segments);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, Interpret,
    testing::Values(
        InterpretCase{"no data codewords", {}, 0, {}},
        InterpretCase{"text without a mode codeword", {1, 2, 3, 4}, 0, {{'t', "ABACADAE"}}},
        InterpretCase{"numeric after 902", {902, 1, 223}, 0, {{'n', "123"}}},
        InterpretCase{"an invalid numeric run still appends its segment",
                      {902, 1, 2},
                      0,
                      {{'n', "<invalid>"}}},
        InterpretCase{"a latch at the end adds nothing", {902, 900}, 0, {}},
        InterpretCase{"pad codewords add nothing", {1, 900, 900, 900}, 0, {{'t', "AB"}}},
        InterpretCase{"byte latches pass their mode on",
                      {924, 109, 326, 368, 127, 330, 901, 109, 326, 368, 127, 330},
                      0,
                      {{'b', "ABCDEF"}, {'b', std::string{109, 70, 112, 127, 74}}}},
        InterpretCase{"a byte shift takes one codeword",
                      {1, 913, 300, 1},
                      0,
                      {{'t', "AB"}, {'b', ","}, {'t', "AB"}}},
        InterpretCase{"a byte shift inside a byte latch",
                      {901, 65, 913, 66, 67},
                      0,
                      {{'b', "A"}, {'b', "B"}, {'b', "C"}}},
        InterpretCase{"a byte shift at the end adds nothing", {1, 913}, 0, {{'t', "AB"}}},
        InterpretCase{"a text latch cancels the shift", {913, 900, 1}, 0, {{'t', "AB"}}},
        InterpretCase{"a numeric latch cancels the shift", {913, 902, 1, 223}, 0, {{'n', "123"}}},
        InterpretCase{"an ECI leaves the shift waiting",
                      {913, 927, 3, 300, 1},
                      0,
                      {{'e', "000003"}, {'b', ","}, {'t', "AB"}}},
        InterpretCase{"reserved codewords and a second shift leave it waiting",
                      {913, 921, 903, 913, 300, 1},
                      0,
                      {{'b', ","}, {'t', "AB"}}},
        InterpretCase{
            "reader initialisation splits a text run", {1, 921, 1}, 0, {{'t', "AB"}, {'t', "AB"}}},
        InterpretCase{"every reserved value splits a run",
                      {1, 903, 1, 912, 1, 914, 1, 920, 1, 929, 1, -1, 1},
                      0,
                      {{'t', "AB"},
                       {'t', "AB"},
                       {'t', "AB"},
                       {'t', "AB"},
                       {'t', "AB"},
                       {'t', "AB"},
                       {'t', "AB"}}},
        InterpretCase{"an ECI value of 900 is a number, not a latch",
                      {901, 65, 927, 900, 66},
                      0,
                      {{'b', "A"}, {'e', "000900"}, {'b', "B"}}},
        InterpretCase{"an ECI inside a byte run",
                      {901, 65, 66, 927, 3, 67},
                      0,
                      {{'b', "AB"}, {'e', "000003"}, {'b', "C"}}},
        InterpretCase{"ECI 926 and 925 take their value codewords",
                      {926, 899, 899, 925, 0, 1},
                      0,
                      {{'e', "810899"}, {'e', "810900"}, {'t', "AB"}}},
        InterpretCase{"927 as the last codeword", {1, 927}, 3, {{'t', "AB"}}},
        InterpretCase{"925 as the last codeword", {925}, 3, {}},
        InterpretCase{"926 with one value codeword", {1, 926, 5}, 3, {{'t', "AB"}}},
        InterpretCase{"922 as the last codeword", {1, 922}, 0, {{'t', "AB"}, {'z', ""}}},
        InterpretCase{"922 before the last codeword", {1, 922, 1}, 5, {{'t', "AB"}, {'z', ""}}},
        InterpretCase{"a Macro PDF417 block after data",
                      {1, 928, 111, 101, 1, 923, 0, 1, 923, 5, 1, 223, 922},
                      0,
                      {{'t', "AB"},
                       {'m', "[1][AB]"},
                       {'o', "[filename:AB]"},
                       {'o', "[filesize:123]"},
                       {'z', ""}}},
        InterpretCase{"an optional field above 6 adds nothing",
                      {928, 111, 100, 923, 7, 1, 923, 3, 1, 922},
                      0,
                      {{'m', "[0][]"}, {'o', "[sender:AB]"}, {'z', ""}}},
        InterpretCase{
            "a control block of one codeword", {928, 111, 922}, 0, {{'m', "[11][]"}, {'z', ""}}}));

// Text goes on in the sub-mode latched before a byte shift, an ECI or a
// reserved codeword; only a latch starts it again in Upper.
INSTANTIATE_TEST_SUITE_P(
    TextSubModeAcrossRuns, Interpret,
    testing::Values(
        InterpretCase{"lower-case text around a shifted byte",
                      {pair(27, 0), pair(1, 2), pair(3, 4), pair(5, 6), pair(7, 8), pair(9, 29),
                       913, 233, pair(0, 1), pair(2, 3), pair(4, 5), pair(6, 7), pair(8, 9)},
                      0,
                      {{'t', "abcdefghij"}, {'b', "\xE9"}, {'t', "abcdefghij"}}},
        InterpretCase{"lower case across an ECI",
                      {pair(27, 0), 927, 3, 0},
                      0,
                      {{'t', "a"}, {'e', "000003"}, {'t', "aa"}}},
        InterpretCase{"mixed across a reserved codeword",
                      {pair(28, 1), 921, 1},
                      0,
                      {{'t', "1"}, {'t', "01"}}},
        InterpretCase{"a pending shift ends with its run",
                      {pair(27, 0), pair(1, 29), 913, 65, 0},
                      0,
                      {{'t', "ab"}, {'b', "A"}, {'t', "aa"}}},
        InterpretCase{"a text latch starts again in Upper",
                      {pair(27, 0), 900, 0},
                      0,
                      {{'t', "a"}, {'t', "AA"}}},
        InterpretCase{"a text latch after a byte shift starts in Upper",
                      {pair(27, 0), 913, 900, 0},
                      0,
                      {{'t', "a"}, {'t', "AA"}}},
        InterpretCase{"other latches start text again in Upper",
                      {pair(27, 0), 901, 65, 900, 0, pair(27, 0), 902, 1, 223, 900, 0},
                      0,
                      {{'t', "a"}, {'b', "A"}, {'t', "AAa"}, {'n', "123"}, {'t', "AA"}}},
        InterpretCase{"the control block's file ID starts in Upper",
                      {pair(27, 0), 928, 111, 101, 1},
                      0,
                      {{'t', "a"}, {'m', "[1][AB]"}}}));

TEST(InterpretCodewords, LengthDescriptorZeroStopsWithCodeFour) {
    DecodeResult result;
    result.codewords[0] = 0;
    result.codewords[1] = 1;
    EXPECT_EQ(interpretCodewords(result), 4);
    EXPECT_TRUE(result.segments.empty());
}

TEST(InterpretCodewords, NegativeLengthDescriptorReadsNothing) {
    DecodeResult result;
    result.codewords[0] = -5;
    result.codewords[1] = 1;
    EXPECT_EQ(interpretCodewords(result), 0);
    EXPECT_TRUE(result.segments.empty());
}

// A descriptor beyond the codeword array ends the walk at the array's end.
TEST(InterpretCodewords, LengthDescriptorBeyondTheArrayStopsAtItsEnd) {
    DecodeResult result;
    result.codewords[0] = DecodeResult::kCapacity + 1000;
    result.codewords[DecodeResult::kCapacity - 1] = 922;
    EXPECT_EQ(interpretCodewords(result), 0);
    const std::string aa(2 * (DecodeResult::kCapacity - 2), 'A');
    EXPECT_EQ(segmentsOf(result), (Segments{{'t', aa}, {'z', ""}}));
}

TEST(InterpretCodewords, EciValuesBeyondTheArrayStopWithCodeThree) {
    DecodeResult result;
    result.codewords[0] = DecodeResult::kCapacity + 1;
    result.codewords[DecodeResult::kCapacity - 2] = 926;
    result.codewords[DecodeResult::kCapacity - 1] = 3;
    EXPECT_EQ(interpretCodewords(result), 3);
}

TEST(InterpretCodewords, EachCallStartsAfresh) {
    DecodeResult result;
    const int data[] = {4, pair(27, 0), 902, 1};
    std::copy(std::begin(data), std::end(data), result.codewords);
    EXPECT_EQ(interpretCodewords(result), 0);
    const int second[] = {2, 0};
    std::copy(std::begin(second), std::end(second), result.codewords);
    EXPECT_EQ(interpretCodewords(result), 0);
    EXPECT_EQ(segmentsOf(result), (Segments{{'t', "a"}, {'n', ""}, {'t', "AA"}}));
}

}  // namespace
}  // namespace tessoran_test
