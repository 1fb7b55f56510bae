#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoding/ByteCompaction.h"
#include "support/SegmentList.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::decodeByteCompaction;
using ostrel2::tessoran::DecodeResult;

// Five codewords that stand for the six bytes "ABCDEF" as a group, and for
// the bytes 109, 70, 112, 127, 74 one by one.
const std::vector<int> kAbcdefGroup = {109, 326, 368, 127, 330};

std::vector<int> concat(std::vector<int> first, const std::vector<int>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct ByteCase {
    const char* what;
    int mode;
    std::vector<int> codewords;
    std::string bytes;
};

void PrintTo(const ByteCase& test, std::ostream* out) {
    *out << test.what;
}

class ByteRun : public testing::TestWithParam<ByteCase> {};

TEST_P(ByteRun, DecodesToItsBytes) {
    const ByteCase& test = GetParam();
    DecodeResult result;
    decodeByteCompaction(result, test.codewords.data(),
                         static_cast<std::int32_t>(test.codewords.size()), test.mode);
    EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'b', test.bytes}})) << test.what;
}

INSTANTIATE_TEST_SUITE_P(
    EndRules, ByteRun,
    testing::Values(
        ByteCase{"924: five codewords are a group", 924, kAbcdefGroup, "ABCDEF"},
        ByteCase{"901: the last five are single bytes", 901, kAbcdefGroup,
                 std::string{109, 70, 112, 127, 74}},
        ByteCase{"901: six codewords are a group and a byte", 901, concat(kAbcdefGroup, {65}),
                 "ABCDEFA"},
        ByteCase{"901: ten codewords are a group and five bytes", 901,
                 concat(kAbcdefGroup, {1, 2, 3, 4, 5}), "ABCDEF\x01\x02\x03\x04\x05"},
        ByteCase{"901: eleven codewords are two groups and a byte", 901,
                 concat(concat(kAbcdefGroup, kAbcdefGroup), {66}), "ABCDEFABCDEFB"},
        ByteCase{"924: seven codewords are a group and two bytes", 924,
                 concat(kAbcdefGroup, {300, 256}), std::string("ABCDEF,\0", 8)},
        ByteCase{"924: ten codewords are two groups", 924, concat(kAbcdefGroup, kAbcdefGroup),
                 "ABCDEFABCDEF"},
        ByteCase{"913: the one codeword is a byte", 913, {300}, ","},
        ByteCase{"913: five codewords would still be a group", 913, kAbcdefGroup, "ABCDEF"},
        ByteCase{"single codewords keep their low 8 bits",
                 901,
                 {255, 256, 511, 899},
                 std::string("\xFF\x00\xFF\x83", 4)},
        ByteCase{"a group of zeros is six 0 bytes", 924, {0, 0, 0, 0, 0}, std::string(6, '\0')},
        ByteCase{"bits above bit 47 are dropped",
                 924,
                 {899, 899, 899, 899, 899},
                 "\x19\x0C\x2A\xB1\x83\xFF"}));

TEST(ByteCompaction, EmptyOrNegativeCountGivesOneEmptySegment) {
    for (const int mode : {901, 913, 924}) {
        for (const std::int32_t count : {0, -1, -5}) {
            DecodeResult result;
            const std::int32_t unused = 65;
            decodeByteCompaction(result, &unused, count, mode);
            EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'b', ""}}))
                << "mode " << mode << ", count " << count;
        }
    }
}

}  // namespace
}  // namespace tessoran_test
