#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decoding/NumericCompaction.h"
#include "support/SegmentList.h"

namespace tessoran_test {
namespace {

using ostrel2::tessoran::decodeNumericCompaction;
using ostrel2::tessoran::DecodeResult;

// The largest group: 1 followed by 44 nines.
const std::vector<int> kLargestGroup = {874, 223, 532, 264, 888, 236, 358, 185,
                                        93,  795, 72,  289, 146, 822, 199};
const std::string kFortyFourNines(44, '9');

std::vector<int> concat(std::vector<int> first, const std::vector<int>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

struct NumericCase {
    const char* what;
    std::vector<int> codewords;
    std::string text;  // the digits, with a marker in place of each invalid group
};

void PrintTo(const NumericCase& test, std::ostream* out) {
    *out << test.what;
}

class NumericRun : public testing::TestWithParam<NumericCase> {};

TEST_P(NumericRun, DecodesToItsDigits) {
    const NumericCase& test = GetParam();
    DecodeResult result;
    testing::internal::CaptureStdout();
    decodeNumericCompaction(result, test.codewords.data(),
                            static_cast<std::int32_t>(test.codewords.size()));
    // Nothing is printed: a symbol can still fail after this run.
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << test.what;
    EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'n', test.text}})) << test.what;
}

INSTANTIATE_TEST_SUITE_P(
    Groups, NumericRun,
    testing::Values(
        NumericCase{"1123", {1, 223}, "123"},
        NumericCase{"zeros after the leading 1 stay", {1, 211, 223}, "000123"},
        NumericCase{"a single zero digit", {10}, "0"}, NumericCase{"the leading 1 alone", {1}, ""},
        NumericCase{"value 0", {0}, ""}, NumericCase{"value 0 of two codewords", {0, 0}, ""},
        NumericCase{"leading 2 is invalid", {2}, "<invalid>"},
        NumericCase{"leading 4 is invalid", {450}, "<invalid>"},
        NumericCase{"900 leads with 9", {1, 0}, "<invalid>"},
        NumericCase{"the largest group", kLargestGroup, kFortyFourNines},
        NumericCase{"two groups in one segment", concat(kLargestGroup, {1, 223}),
                    kFortyFourNines + "123"},
        NumericCase{"16 codewords are split 15 + 1", concat(kLargestGroup, {10}),
                    kFortyFourNines + "0"},
        NumericCase{"30 codewords are two groups of 15", concat(kLargestGroup, kLargestGroup),
                    kFortyFourNines + kFortyFourNines},
        NumericCase{"an invalid group is marked in its place, the next decoded",
                    concat({2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {1, 223}),
                    "<invalid>123"},
        NumericCase{"a valid group, then an invalid one", concat(kLargestGroup, {2}),
                    kFortyFourNines + "<invalid>"},
        NumericCase{"each invalid group is marked",
                    concat(concat({2}, std::vector<int>(14, 0)), {3}), "<invalid><invalid>"}));

TEST(NumericCompaction, EmptyOrNegativeCountGivesOneEmptySegment) {
    for (const std::int32_t count : {0, -1, -15}) {
        DecodeResult result;
        const std::int32_t unused = 2;
        testing::internal::CaptureStdout();
        decodeNumericCompaction(result, &unused, count);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_EQ(segmentsOf(result), (std::vector<TaggedText>{{'n', ""}})) << count;
    }
}

}  // namespace
}  // namespace tessoran_test
