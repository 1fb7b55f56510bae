#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoding/Eci.h"
#include "decoding/MacroPdf417.h"
#include "support/SegmentList.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::decodeEci;
using ostrel2::tessoran::decodeMacroControlBlock;
using ostrel2::tessoran::decodeMacroOptionalField;
using ostrel2::tessoran::DecodeResult;

using Segments = std::vector<TaggedText>;

std::int32_t sizeOf(const std::vector<int>& codewords) {
    return static_cast<std::int32_t>(codewords.size());
}

struct EciCase {
    int designator;
    std::vector<int> values;
    std::string text;
};

void PrintTo(const EciCase& test, std::ostream* out) {
    *out << test.designator;
}

class EciDesignator : public testing::TestWithParam<EciCase> {};

TEST_P(EciDesignator, GivesItsNumberAsSixDigits) {
    const EciCase& test = GetParam();
    DecodeResult result;
    decodeEci(result, test.designator, test.values.data(), sizeOf(test.values));
    EXPECT_EQ(segmentsOf(result), (Segments{{'e', test.text}}));
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, EciDesignator,
    testing::Values(EciCase{927, {3}, "000003"}, EciCase{927, {899}, "000899"},
                    EciCase{927, {900}, "000900"}, EciCase{926, {0, 0}, "000900"},
                    EciCase{926, {899, 899}, "810899"}, EciCase{926, {928, 928}, "837028"},
                    EciCase{925, {0}, "810900"}, EciCase{925, {899}, "811799"}));

// Codewords 1 and 223 are the numeric group 1123, whose digits are 123; the
// text codeword 1 is "AB".
struct MacroCase {
    const char* what;
    std::vector<int> run;
    Segments segments;
};

void PrintTo(const MacroCase& test, std::ostream* out) {
    *out << test.what;
}

class ControlBlock : public testing::TestWithParam<MacroCase> {};

TEST_P(ControlBlock, GivesIndexAndFileId) {
    const MacroCase& test = GetParam();
    DecodeResult result;
    decodeMacroControlBlock(result, test.run.data(), sizeOf(test.run));
    EXPECT_EQ(segmentsOf(result), test.segments);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, ControlBlock,
    testing::Values(
        MacroCase{"index 1, file ID AB", {111, 101, 1}, {{'m', "[1][AB]"}}},
        MacroCase{"index 00000, no file ID", {111, 100}, {{'m', "[0][]"}}},
        MacroCase{"index 00007, no file ID", {111, 107}, {{'m', "[7][]"}}},
        MacroCase{"index 00042", {111, 142, 0}, {{'m', "[42][AA]"}}},
        MacroCase{"index 99999", {222, 199}, {{'m', "[99999][]"}}},
        MacroCase{"the file ID starts in Upper", {111, 101, 810, 1}, {{'m', "[1][aab]"}}},
        // An invalid group is no number, and no index 0 either.
        MacroCase{"an invalid index shows the marker", {3, 0, 1}, {{'m', "[<invalid>][AB]"}}},
        // One codeword: the index is read from it alone and
        // nothing after the run is touched.
        MacroCase{"one codeword 111 is index 11", {111}, {{'m', "[11][]"}}},
        MacroCase{"one codeword 1 is index 0", {1}, {{'m', "[0][]"}}}));

class OptionalField : public testing::TestWithParam<MacroCase> {};

TEST_P(OptionalField, GivesNameAndValue) {
    const MacroCase& test = GetParam();
    DecodeResult result;
    decodeMacroOptionalField(result, test.run.data(), sizeOf(test.run));
    EXPECT_EQ(segmentsOf(result), test.segments);
}

INSTANTIATE_TEST_SUITE_P(
    Designators, OptionalField,
    testing::Values(
        MacroCase{"file name", {0, 1}, {{'o', "[filename:AB]"}}},
        MacroCase{"segment count", {1, 1, 223}, {{'o', "[segmentcount:123]"}}},
        MacroCase{"time stamp", {2, 16, 44, 400, 0}, {{'o', "[timestamp:1700000000]"}}},
        MacroCase{"sender", {3, 1}, {{'o', "[sender:AB]"}}},
        MacroCase{"addressee", {4, 0}, {{'o', "[addressee:AA]"}}},
        MacroCase{"file size alone", {5}, {{'o', "[filesize:0]"}}},
        MacroCase{"checksum", {6, 124, 745}, {{'o', "[checksum:12345]"}}},
        MacroCase{"sender alone", {3}, {{'o', "[sender:]"}}},
        MacroCase{"segment count alone", {1}, {{'o', "[segmentcount:0]"}}},
        MacroCase{"leading zeros do not show", {1, 1, 211, 223}, {{'o', "[segmentcount:123]"}}},
        MacroCase{"3000000000 is held at the 32-bit limit",
                  {5, 17, 749, 344, 400},
                  {{'o', "[filesize:2147483647]"}}},
        MacroCase{"2147483647 itself", {5, 16, 596, 804, 47}, {{'o', "[filesize:2147483647]"}}},
        MacroCase{"2147483648 is held at the limit",
                  {5, 16, 596, 804, 48},
                  {{'o', "[filesize:2147483647]"}}},
        MacroCase{"2147483646", {5, 16, 596, 804, 46}, {{'o', "[filesize:2147483646]"}}},
        MacroCase{"88 digits are held at the 32-bit limit",
                  {6,   874, 223, 532, 264, 888, 236, 358, 185, 93,  795, 72,  289, 146, 822, 199,
                   874, 223, 532, 264, 888, 236, 358, 185, 93,  795, 72,  289, 146, 822, 199},
                  {{'o', "[checksum:2147483647]"}}},
        MacroCase{"an invalid number shows the marker", {5, 2}, {{'o', "[filesize:<invalid>]"}}},
        MacroCase{"a number with an invalid group shows the digits read and the marker",
                  {6, 874, 223, 532, 264, 888, 236, 358, 185, 93, 795, 72, 289, 146, 822, 199, 2},
                  {{'o', "[checksum:" + std::string(44, '9') + "<invalid>]"}}},
        MacroCase{"text fields start in Upper", {0, 810, 1}, {{'o', "[filename:aab]"}}},
        MacroCase{"designator 7 is ignored", {7, 1}, {}},
        MacroCase{"designator 899 is ignored", {899}, {}}));

TEST(OptionalField, EmptyRunAppendsNothing) {
    DecodeResult result;
    const std::int32_t unused = 0;
    decodeMacroOptionalField(result, &unused, 0);
    EXPECT_TRUE(result.segments.empty());
}

// A file ID or text field of 600 codewords "AB" is 1200 characters: longer
// than any fixed format buffer of 1024 bytes would hold, and kept whole.
TEST(MacroText, LongTextsAreKeptWhole) {
    const std::string ab600 = [] {
        std::string text;
        for (int i = 0; i < 600; ++i) {
            text += "AB";
        }
        return text;
    }();
    std::vector<int> controlBlock = {111, 101};
    std::vector<int> fileName = {0};
    controlBlock.insert(controlBlock.end(), 600, 1);
    fileName.insert(fileName.end(), 600, 1);

    DecodeResult result;
    decodeMacroControlBlock(result, controlBlock.data(), sizeOf(controlBlock));
    decodeMacroOptionalField(result, fileName.data(), sizeOf(fileName));
    EXPECT_EQ(segmentsOf(result),
              (Segments{{'m', "[1][" + ab600 + "]"}, {'o', "[filename:" + ab600 + "]"}}));
}

TEST(MacroTerminator, IsAnEmptyZSegment) {
    DecodeResult result;
    ostrel2::tessoran::appendMacroTerminator(result);
    EXPECT_EQ(segmentsOf(result), (Segments{{'z', ""}}));
}

}  // namespace
}  // namespace tessoran_test
