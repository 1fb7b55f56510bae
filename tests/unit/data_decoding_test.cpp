// SPDX-License-Identifier: Apache-2.0
// Data codewords to segments where whole symbols end to end do not reach: a
// text codeword holds two values, 30 * first + second, Upper at a run's start;
// a numeric group is a base-900 number whose digits less a leading 1 are the
// text (1 223 is 1123, so 123); five byte codewords are six bytes in base 900.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "decoding/CodewordInterpreter.h"

namespace ostrel2::tessoran {
namespace {

constexpr int p(int high, int low) {
    return high * 30 + low;
}

std::vector<int> join(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const std::vector<int>& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// Each segment as its tag and text, segments separated by '|'.
std::string segmentsOf(const SegmentList& segments) {
    std::string text;
    for (const Segment& segment : segments) {
        text += (text.empty() ? "" : "|") + std::string(1, segment.tag) + segment.text;
    }
    return text;
}

// What the interpreter makes of `codewords`: the segments, or its failure.
void expectInterpreted(const std::vector<std::int32_t>& codewords, const std::string& segments,
                       std::optional<DecodeFailure> failure = std::nullopt) {
    const Result<SegmentList> result = interpretCodewords(codewords);
    if (failure) {
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.failure(), *failure);
    } else {
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(segmentsOf(result.value()), segments);
    }
}

// The largest numeric group: 1 and 44 nines.
const std::vector<int> kNines = {874, 223, 532, 264, 888, 236, 358, 185,
                                 93,  795, 72,  289, 146, 822, 199};
const std::string k44Nines(44, '9');
// The six bytes "ABCDEF" as a group; one by one, the bytes 109 70 112 127 74.
const std::vector<int> kAbcdef = {109, 326, 368, 127, 330};

struct InterpretCase {
    const char* what;
    std::vector<int> data;  // the data codewords; the length descriptor is added
    std::string segments;
    std::optional<DecodeFailure> failure = std::nullopt;
};

TEST(DataDecoding, CodewordsToSegments) {
    using namespace std::string_literals;
    const std::vector<int> zeros14(14, 0);
    const std::vector<InterpretCase> cases = {
        {"no data", {}, ""},
        {"shifted 29 latches Upper", {839, 870}, "tA"},
        {"Mixed 28 latches Upper", {p(28, 1), p(28, 1)}, "t1B"},
        {"Mixed 27 latches Lower", {p(28, 27), p(0, 0)}, "taa"},
        {"Punctuation 29 latches Upper", {p(28, 25), p(0, 29), p(0, 0)}, "t;AA"},
        {"value 26 in Upper, Lower, Mixed", {p(26, 26), p(27, 26), p(28, 26)}, "t    "},
        {"a padding shift at the end yields nothing", {810, p(1, 29)}, "tab"},
        {"shifted 27 latches Lower", {p(27, 27), p(27, 0)}, "ta"},
        {"shifted 28 latches Mixed", {p(27, 27), p(28, 1)}, "t1"},
        {"shifted 29 shifts to Punctuation", {p(27, 27), p(29, 0), p(0, 29)}, "t;a"},
        {"control characters", {p(28, 11), p(12, 29), p(15, 29), p(11, 0)}, "t\r\t\n\r0"},
        {"every Punctuation character",
         {p(29, 0), p(0, 28), p(25, 1), p(2, 3), p(4, 5), p(6, 7), p(8, 9), p(10, 15), p(20, 21),
          p(23, 24), p(25, 26), p(27, 28), p(29, 1)},
         "t;A<>@[\\]_`~!\n\"|()?{}'B"},
        {"shifts govern one value",
         {p(27, 0), p(27, 1), p(2, 29), p(0, 3), p(28, 29), p(13, 5), p(27, 29), p(29, 4)},
         "taBc;d,5E"},
        {"the leading 1 alone, the value 0", {902, 1, 900, 902, 0, 0}, "n|n"},
        {"leading 2, 4, 9",
         {902, 2, 900, 902, 450, 900, 902, 1, 0},
         "n<invalid>|n<invalid>|n<invalid>"},
        {"an invalid group in place", join({{902, 2}, zeros14, {1, 223}}), "n<invalid>123"},
        {"901: the last five are single bytes", join({{901}, kAbcdef}), "bmFp\x7FJ"},
        {"901: ten are a group and five bytes", join({{901}, kAbcdef, {1, 2, 3, 4, 5}}),
         "bABCDEF\x01\x02\x03\x04\x05"},
        {"924: seven are a group and two bytes", join({{924}, kAbcdef, {300, 256}}), "bABCDEF,\0"s},
        {"single codewords keep their low 8 bits", {901, 255, 256, 511, 899}, "b\xFF\x00\xFF\x83"s},
        {"bits above 47 go", {924, 899, 899, 899, 899, 899}, "b\x19\x0C\x2A\xB1\x83\xFF"},
        {"byte latch after latch", join({{924}, kAbcdef, {901}, kAbcdef}), "bABCDEF|bmFp\x7FJ"},
        {"a byte shift inside a byte latch", {901, 65, 913, 66, 67}, "bA|bB|bC"},
        {"a byte shift at the end adds nothing", {1, 913}, "tAB"},
        {"a text latch cancels the shift", {913, 900, 1}, "tAB"},
        {"an ECI leaves the shift waiting", {913, 927, 3, 300, 1}, "e000003|b,|tAB"},
        {"reserved, then a second shift", {913, 921, 903, 913, 300, 1}, "b,|tAB"},
        {"every reserved value ends a run",
         {1, 903, 1, 912, 1, 914, 1, 920, 1, 921, 1, 929, 1, -1, 1},
         "tAB|tAB|tAB|tAB|tAB|tAB|tAB|tAB"},
        {"ECI 926", {926, 0, 0, 926, 899, 899, 926, 928, 928}, "e000900|e810899|e837028"},
        {"ECI 925", {925, 0, 925, 899}, "e810900|e811799"},
        {"an ECI inside a byte run", {901, 65, 66, 927, 3, 67}, "bAB|e000003|bC"},
        // Groups go on across an ECI when no new latch follows it; before a
        // new latch, or at the end, five codewords are five single bytes.
        {"901 groups across an ECI", join({{901}, kAbcdef, {927, 3}, kAbcdef, {927, 4, 65}}),
         "bABCDEF|e000003|bABCDEF|e000004|bA"},
        {"901 ends before an ECI and a latch", join({{901}, kAbcdef, {927, 3, 901, 65}}),
         "bmFp\x7FJ|e000003|bA"},
        {"901 ends with an ECI", join({{901}, kAbcdef, {927, 3}}), "bmFp\x7FJ|e000003"},
        {"an ECI value is no latch", {901, 65, 927, 900, 66}, "bA|e000900|bB"},
        {"ECI values that end the data", {1, 927, 3, 926, 1, 5}, "tAB|e000003|e001805"},
        {"925 as the last codeword", {925}, "", DecodeFailure::EciPastEnd},
        {"922 as the last codeword", {1, 922}, "tAB|z"},
        {"922 before the last codeword", {1, 922, 1}, "", DecodeFailure::TerminatorNotLast},
        // Text goes on in the sub-mode latched before a byte shift, an ECI or
        // a reserved codeword; only a latch starts it again in Upper.
        {"Mixed across a reserved codeword", {p(28, 1), 921, 1}, "t1|t01"},
        {"a pending shift ends with its run", {p(27, 0), p(1, 29), 913, 65, 0}, "tab|bA|taa"},
        {"a text latch starts again in Upper", {p(27, 0), 913, 900, 0}, "ta|tAA"},
        {"other latches start text again in Upper",
         {p(27, 0), 901, 65, 900, 0, p(27, 0), 902, 1, 223, 900, 0},
         "ta|bA|tAAa|n123|tAA"},
        {"a file ID starts in Upper", {p(27, 0), 928, 111, 101, 1}, "ta|m[1][AB]"},
        {"segment indexes",
         {928, 111, 100, 928, 111, 107, 928, 222, 199, 928, 111, 142, 0},
         "m[0][]|m[7][]|m[99999][]|m[42][AA]"},
        // An invalid group is no number, and no index 0 either.
        {"an invalid index", {928, 3, 0, 1}, "m[<invalid>][AB]"},
        {"indexes of one codeword", {928, 1, 928, 111, 922}, "m[0][]|m[11][]|z"},
        {"optional fields",
         {923, 2, 16, 44, 400, 0, 923, 3, 1, 923, 4, 0, 923, 6, 124, 745, 923, 1, 1, 211, 223},
         "o[timestamp:1700000000]|o[sender:AB]|o[addressee:AA]|o[checksum:12345]|"
         "o[segmentcount:123]"},
        {"empty fields", {923, 5, 923, 3, 923, 1}, "o[filesize:0]|o[sender:]|o[segmentcount:0]"},
        {"fields above 6 add nothing", {923, 7, 1, 923, 899}, ""},
        {"text fields start in Upper", {923, 0, 810, 1}, "o[filename:aab]"},
        // Numbers beyond the 32-bit range are held at its largest.
        {"2147483647 to 2147483646",
         {923, 5, 16, 596, 804, 47, 923, 5, 16, 596, 804, 48, 923, 5, 16, 596, 804, 46},
         "o[filesize:2147483647]|o[filesize:2147483647]|o[filesize:2147483646]"},
        {"88 digits", join({{923, 6}, kNines, kNines}), "o[checksum:2147483647]"},
        {"an invalid number", {923, 5, 2}, "o[filesize:<invalid>]"},
        {"the digits read and the marker", join({{923, 6}, kNines, {2}}),
         "o[checksum:" + k44Nines + "<invalid>]"},
    };
    for (const InterpretCase& test : cases) {
        SCOPED_TRACE(test.what);
        std::vector<std::int32_t> codewords = {static_cast<std::int32_t>(test.data.size()) + 1};
        codewords.insert(codewords.end(), test.data.begin(), test.data.end());
        // A check codeword after the data must never be read as data.
        codewords.push_back(922);
        expectInterpreted(codewords, test.segments, test.failure);
    }
}

// The length descriptor comes out of the symbol: whatever its value, the
// walk stays inside the codewords (as many as a symbol may have, here).
TEST(DataDecoding, LengthDescriptorsOfAnyValue) {
    constexpr std::size_t kCount = 3060;
    std::vector<std::int32_t> codewords(kCount, 0);
    codewords[1] = 1;
    expectInterpreted(codewords, "", DecodeFailure::ZeroLengthDescriptor);
    expectInterpreted({}, "", DecodeFailure::ZeroLengthDescriptor);
    codewords[0] = -5;
    expectInterpreted(codewords, "");
    codewords[0] = kCount + 1000;
    codewords[kCount - 1] = 922;
    expectInterpreted(codewords, "tAB" + std::string(2 * (kCount - 3), 'A') + "|z");
    codewords[kCount - 2] = 926;
    codewords[kCount - 1] = 3;
    expectInterpreted(codewords, "", DecodeFailure::EciPastEnd);
}

}  // namespace
}  // namespace ostrel2::tessoran
