#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "decoding/DecodeResult.h"

namespace ostrel2::tessoran {
namespace {

TEST(DecodeResult, LevelFollowsTheNumberOfCheckCodewords) {
    // Check codewords = codewordCount - codewords[0].
    const std::vector<std::pair<int, int>> checkCountToLevel = {
        {-5, 0},  {0, 0},   {2, 0},   {3, 1},   {4, 1},   {5, 2},  {8, 2},
        {9, 3},   {16, 3},  {17, 4},  {32, 4},  {33, 5},  {64, 5}, {65, 6},
        {128, 6}, {129, 7}, {256, 7}, {257, 8}, {512, 8}, {900, 8}};
    for (const auto& [checkCount, level] : checkCountToLevel) {
        DecodeResult result;
        result.codewords[0] = 10;
        result.codewordCount = 10 + checkCount;
        EXPECT_EQ(result.GetECLevel(), level) << checkCount;
    }
}

TEST(DecodeResult, ColumnsAreCodewordsPerRowAndZeroWithoutRows) {
    DecodeResult result;
    result.codewordCount = 36;
    result.rowCount = 3;
    EXPECT_EQ(result.GetColumns(), 12);
    result.codewordCount = 37;
    EXPECT_EQ(result.GetColumns(), 12);
    result.rowCount = 0;
    EXPECT_EQ(result.GetColumns(), 0);
}

TEST(DecodeResult, ArraysStartZeroed) {
    auto* result = new DecodeResult;
    for (int i = 0; i < DecodeResult::kCapacity; ++i) {
        ASSERT_EQ(result->codewords[i], 0);
        ASSERT_EQ(result->erasures[i], 0);
    }
    delete static_cast<ComObjectRoot*>(result);
}

struct Seen {
    int tag;
    std::string text;
    int length;
    bool terminated;
};

std::int32_t record(void* context, std::int32_t tag, const char* text, std::int32_t length) {
    static_cast<std::vector<Seen>*>(context)->push_back(
        {tag, std::string(text, static_cast<std::size_t>(length)), length, text[length] == 0});
    return 1;
}

TEST(DecodeResult, SegmentsComeOutInAppendOrderWithFullLengths) {
    DecodeResult result;
    appendSegment(result, 't', "AB");
    appendSegment(result, 'b', std::string("x\0y\xff", 4));
    appendSegment(result, 'z', "");
    std::vector<Seen> seen;
    result.EnumSegments(&seen, record);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].tag, 't');
    EXPECT_EQ(seen[0].text, "AB");
    EXPECT_EQ(seen[1].tag, 'b');
    EXPECT_EQ(seen[1].length, 4);
    EXPECT_EQ(seen[1].text, std::string("x\0y\xff", 4));
    EXPECT_EQ(seen[2].tag, 'z');
    EXPECT_EQ(seen[2].length, 0);
    for (const Seen& segment : seen) {
        EXPECT_TRUE(segment.terminated);
    }
}

TEST(DecodeResult, TagIsWidenedWithoutSignExtension) {
    DecodeResult result;
    appendSegment(result, static_cast<char>(0xE9), "x");
    std::vector<Seen> seen;
    result.EnumSegments(&seen, record);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].tag, 0xE9);
}

TEST(DecodeResult, NoSegmentsMeansNoCallback) {
    DecodeResult result;
    std::vector<Seen> seen;
    result.EnumSegments(&seen, record);
    EXPECT_TRUE(seen.empty());
}

}  // namespace
}  // namespace ostrel2::tessoran
