#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoding/TextCompaction.h"
#include "support/SegmentList.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::DecodeResult;
using ostrel2::tessoran::decodeTextCompaction;
using ostrel2::tessoran::textCharTable;
using ostrel2::tessoran::TextSubMode;

// Two text values in one codeword.
constexpr int pair(int high, int low) {
    return high * 30 + low;
}

// The four character sets written out as the standard lists them, value 0
// first; the control values (latches and shifts) are spaces.
constexpr const char* kUpper = "ABCDEFGHIJKLMNOPQRSTUVWXYZ    ";
constexpr const char* kLower = "abcdefghijklmnopqrstuvwxyz    ";
constexpr const char* kMixed = "0123456789&\r\t,:#-.$/+%*=^     ";
constexpr const char* kPunctuation = ";<>@[\\]_`~!\r\t,:\n-.$/\"|*()?{}' ";

TEST(TextCharTable, EveryCellMatchesTheCharacterSets) {
    const char* const sets[] = {kUpper, kLower, kMixed, kPunctuation};
    for (std::size_t subMode = 0; subMode < 4; ++subMode) {
        ASSERT_EQ(std::string(sets[subMode]).size(), 30U);
        for (std::size_t value = 0; value < 30; ++value) {
            EXPECT_EQ(textCharTable[subMode][value], sets[subMode][value])
                << "sub-mode " << subMode << ", value " << value;
        }
    }
}

std::string decodeText(const std::vector<int>& codewords) {
    DecodeResult result;
    decodeTextCompaction(result, codewords.data(), static_cast<std::int32_t>(codewords.size()));
    EXPECT_EQ(result.segments.size(), 1U);
    EXPECT_EQ(result.segments.front().tag, 't');
    return result.segments.front().text;
}

struct TextCase {
    const char* what;
    std::vector<int> codewords;
    std::string text;
};

void PrintTo(const TextCase& test, std::ostream* out) {
    *out << test.what;
}

class TextRun : public testing::TestWithParam<TextCase> {};

TEST_P(TextRun, DecodesToItsCharacters) {
    EXPECT_EQ(decodeText(GetParam().codewords), GetParam().text) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, TextRun,
    testing::Values(
        TextCase{"codeword 0 is A, A", {0}, "AA"}, TextCase{"codeword 1 is A, B", {1}, "AB"},
        TextCase{"values 29 14: shifted colon, then Upper again", {884, 1}, ":AB"},
        TextCase{"latch Lower, shift Upper for one value", {810, 811, 2}, "aBac"},
        TextCase{"shifted 29 latches Upper from Lower", {839, 870}, "A"},
        TextCase{"shifted 29 latches Upper from Mixed", {pair(28, 29), pair(29, 0)}, "A"},
        TextCase{"Mixed, then latch Punctuation", {840, 55, 26}, "01;{"},
        TextCase{"Mixed 28 latches Upper", {pair(28, 1), pair(28, 1)}, "1B"},
        TextCase{"Mixed 27 latches Lower", {pair(28, 27), pair(0, 0)}, "aa"},
        TextCase{"Punctuation 29 latches Upper", {pair(28, 25), pair(0, 29), pair(0, 0)}, ";AA"},
        TextCase{"a Punctuation shift in Mixed", {pair(28, 29), pair(0, 1)}, ";1"},
        TextCase{"value 26 in Upper", {pair(26, 26)}, "  "},
        TextCase{"value 26 in Lower", {pair(27, 26)}, " "},
        TextCase{"value 26 in Mixed", {pair(28, 26)}, " "},
        TextCase{"value 26 in Punctuation", {pair(28, 25), pair(26, 26)}, "{{"},
        TextCase{"a pad shift at the end yields nothing", {810, pair(1, 29)}, "ab"},
        TextCase{"shifted 27 latches Lower", {pair(27, 27), pair(27, 0)}, "a"},
        TextCase{"shifted 28 latches Mixed", {pair(27, 27), pair(28, 1)}, "1"},
        TextCase{"shifted 29 shifts to Punctuation, then back to Lower",
                 {pair(27, 27), pair(29, 0), pair(0, 29)},
                 ";a"},
        TextCase{"control characters of Mixed and Punctuation",
                 {pair(28, 11), pair(12, 29), pair(15, 29), pair(11, 0)},
                 "\r\t\n\r0"},
        TextCase{"the largest codeword is two control values", {899}, ""}));

TEST(TextCompaction, EmptyOrNegativeCountGivesOneEmptySegment) {
    for (const std::int32_t count : {0, -1, -900}) {
        DecodeResult result;
        const std::int32_t unused = 1;
        decodeTextCompaction(result, &unused, count);
        EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'t', ""}})) << count;
    }
}

TEST(TextCompaction, SegmentsAccumulateInOrder) {
    DecodeResult result;
    const std::int32_t first[] = {1};
    const std::int32_t second[] = {pair(27, 0)};
    decodeTextCompaction(result, first, 1);
    decodeTextCompaction(result, second, 1);
    EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'t', "AB"}, {'t', "a"}}));
}

struct CarriedCase {
    const char* what;
    TextSubMode start;
    std::vector<int> codewords;
    std::string text;
    TextSubMode end;
};

void PrintTo(const CarriedCase& test, std::ostream* out) {
    *out << test.what;
}

class TextRunCarryingSubMode : public testing::TestWithParam<CarriedCase> {};

TEST_P(TextRunCarryingSubMode, StartsAndEndsInTheLatchedSubMode) {
    const CarriedCase& test = GetParam();
    DecodeResult result;
    TextSubMode subMode = test.start;
    decodeTextCompaction(result, test.codewords.data(),
                         static_cast<std::int32_t>(test.codewords.size()), subMode);
    EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'t', test.text}})) << test.what;
    EXPECT_EQ(subMode, test.end) << test.what;
}

INSTANTIATE_TEST_SUITE_P(
    LatchedSubMode, TextRunCarryingSubMode,
    testing::Values(
        CarriedCase{"starts in Lower", TextSubMode::Lower, {1}, "ab", TextSubMode::Lower},
        CarriedCase{"starts in Mixed", TextSubMode::Mixed, {1}, "01", TextSubMode::Mixed},
        CarriedCase{
            "starts in Punctuation", TextSubMode::Punctuation, {1}, ";<", TextSubMode::Punctuation},
        CarriedCase{
            "a latch is carried out", TextSubMode::Upper, {pair(0, 27)}, "A", TextSubMode::Lower},
        CarriedCase{"a pending shift is dropped, the latch kept",
                    TextSubMode::Lower,
                    {pair(1, 29)},
                    "b",
                    TextSubMode::Lower},
        CarriedCase{"an Upper shift at the end leaves Lower",
                    TextSubMode::Lower,
                    {pair(0, 27)},
                    "a",
                    TextSubMode::Lower},
        CarriedCase{
            "an empty run changes nothing", TextSubMode::Mixed, {}, "", TextSubMode::Mixed}));

TEST(TextCompaction, PlainCallStartsInUpperEveryTime) {
    DecodeResult result;
    const std::int32_t latchLower[] = {pair(27, 0)};
    const std::int32_t more[] = {0};
    decodeTextCompaction(result, latchLower, 1);
    decodeTextCompaction(result, more, 1);
    EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'t', "a"}, {'t', "AA"}}));
}

}  // namespace
}  // namespace tessoran_test
