// SPDX-License-Identifier: Apache-2.0
// A symbol's segments read as data pieces and Macro PDF417 values: codewords
// as an encoder writes them go through the interpreter, and what comes out
// must be the values put in. A text codeword holds two values, 30 * first +
// second, Upper at a run's start ("AB" is 1, "ARBX" 17 53).

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "decoding/CodewordInterpreter.h"
#include "decoding/SymbolContent.h"
#include "support/MacroCodewords.h"
#include "support/Zint.h"

namespace ostrel2::tessoran {
namespace {

using tessoran_test::controlBlock;
using tessoran_test::numericGroup;

std::vector<std::int32_t> join(std::initializer_list<std::vector<std::int32_t>> parts) {
    std::vector<std::int32_t> all;
    for (const std::vector<std::int32_t>& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

SegmentList segmentsOf(const std::vector<std::int32_t>& data) {
    const Result<SegmentList> result =
        interpretCodewords(tessoran_test::withLengthDescriptor(data));
    EXPECT_TRUE(result.ok());
    return result.ok() ? result.value() : SegmentList{};
}

SymbolContent contentOfCodewords(const std::vector<std::int32_t>& data) {
    return contentOf(segmentsOf(data));
}

// Each piece as "d<eci>:<bytes>" or "e<eci>", pieces separated by '|'.
std::string piecesOf(const SymbolContent& content) {
    std::string text;
    for (const ContentPiece& piece : content.pieces) {
        text += text.empty() ? "" : "|";
        if (piece.kind == ContentPiece::Kind::Data) {
            text += "d" + std::to_string(piece.eci) + ":" + piece.bytes;
        } else {
            text += "e" + std::to_string(piece.eci);
        }
    }
    return text;
}

struct PiecesCase {
    const char* what;
    std::vector<std::int32_t> data;
    std::string pieces;
};

TEST(SymbolContent, DataPieces) {
    const std::vector<PiecesCase> cases = {
        {"text without an ECI", {1}, "d-1:AB"},
        {"text, numeric and byte runs form one piece", {1, 902, 1, 223, 901, 67}, "d-1:AB123C"},
        {"an ECI starts a piece", {1, 927, 7, 901, 191, 224}, "d-1:AB|e7|d7:\xBF\xE0"},
        {"the ECI stays in force", {927, 26, 1, 927, 3, 1}, "e26|d26:AB|e3|d3:AB"},
        {"ECI 925 and 926 numbers", {925, 2, 1, 926, 0, 5, 1}, "e810902|d810902:AB|e905|d905:AB"},
        {"a Macro field cuts the data", {1, 923, 3, 1, 900, 1}, "d-1:AB|d-1:AB"},
        {"the control block cuts the data", {1, 928, 111, 102, 900, 1}, "d-1:AB|d-1:AB"},
        {"empty runs add no piece", {900, 902, 927, 4}, "e4"},
        {"nothing at all", {}, ""},
    };
    for (const PiecesCase& c : cases) {
        EXPECT_EQ(piecesOf(contentOfCodewords(c.data)), c.pieces) << c.what;
    }
}

TEST(SymbolContent, DataIsAllDataBytesWithoutMarkup) {
    const SymbolContent content =
        contentOfCodewords(join({{1, 927, 26, 1}, controlBlock(0, {17, 53}), {923, 0, 1}, {922}}));
    EXPECT_EQ(content.data(), "ABAB");
}

TEST(SymbolContent, ControlBlockAndFileId) {
    const SymbolContent content = contentOfCodewords(join({{1}, controlBlock(2, {17, 53})}));
    ASSERT_TRUE(content.macro.has_value());
    EXPECT_EQ(content.macro->segmentIndex, std::optional<std::uint32_t>(2));
    EXPECT_EQ(content.macro->fileId, "017053");
    EXPECT_EQ(content.macro->fileIdText, "ARBX");
    EXPECT_FALSE(content.macro->lastSegment);
    EXPECT_FALSE(content.macro->fileName.has_value());
    EXPECT_FALSE(content.macro->segmentCount.has_value());
}

TEST(SymbolContent, SegmentIndexes) {
    const struct {
        const char* what;
        std::vector<std::int32_t> indexCodewords;
        std::optional<std::uint32_t> index;
    } cases[] = {
        {"0", numericGroup("00000"), 0},
        {"99999, the largest", numericGroup("99999"), 99999},
        {"a group that leads with 8", {899, 899}, std::nullopt},
        {"an invalid group", {3, 0}, std::nullopt},
        {"a group of value 0", {0, 0}, std::nullopt},
        {"one codeword spelling no digit", {1}, std::nullopt},
    };
    for (const auto& c : cases) {
        const SymbolContent content = contentOfCodewords(join({{928}, c.indexCodewords}));
        ASSERT_TRUE(content.macro.has_value()) << c.what;
        EXPECT_EQ(content.macro->segmentIndex, c.index) << c.what;
    }
}

TEST(SymbolContent, OptionalFieldsAndTerminator) {
    const SymbolContent content = contentOfCodewords(join({
        controlBlock(7, {4, 242}),
        {923, 0, 1, 2},                                          // file name "ABAC"
        join({{923, 1}, numericGroup("12")}),                    // segment count
        join({{923, 2}, numericGroup("4102444800")}),            // time stamp past 2^31
        {923, 3, 17, 53},                                        // sender
        {923, 4, 53, 17},                                        // addressee
        join({{923, 5}, numericGroup("18446744073709551615")}),  // file size 2^64 - 1
        join({{923, 6}, numericGroup("00042")}),                 // checksum
        {922},
    }));
    ASSERT_TRUE(content.macro.has_value());
    const MacroControl& macro = *content.macro;
    EXPECT_EQ(macro.segmentIndex, std::optional<std::uint32_t>(7));
    EXPECT_EQ(macro.fileId, "004242");
    EXPECT_EQ(macro.fileName, std::optional<std::string>("ABAC"));
    EXPECT_EQ(macro.segmentCount, std::optional<std::uint64_t>(12));
    EXPECT_EQ(macro.timeStamp, std::optional<std::uint64_t>(4102444800U));
    EXPECT_EQ(macro.sender, std::optional<std::string>("ARBX"));
    EXPECT_EQ(macro.addressee, std::optional<std::string>("BXAR"));
    EXPECT_EQ(macro.fileSize, std::optional<std::uint64_t>(18446744073709551615U));
    EXPECT_EQ(macro.checksum, std::optional<std::uint64_t>(42));
    EXPECT_TRUE(macro.lastSegment);
    EXPECT_TRUE(content.pieces.empty());
}

TEST(SymbolContent, NumberFieldsThatAreNoNumber) {
    const struct {
        const char* what;
        std::vector<std::int32_t> fieldData;
    } cases[] = {
        {"2^64", numericGroup("18446744073709551616")},
        {"44 nines", numericGroup(std::string(44, '9'))},
        {"an invalid group", {2}},
        {"no data", {}},
    };
    for (const auto& c : cases) {
        const SymbolContent content =
            contentOfCodewords(join({controlBlock(0, {1}), {923, 5}, c.fieldData}));
        ASSERT_TRUE(content.macro.has_value()) << c.what;
        EXPECT_FALSE(content.macro->fileSize.has_value()) << c.what;
    }
}

TEST(SymbolContent, ARepeatedFieldTakesTheLastValue) {
    const SymbolContent content = contentOfCodewords(join({
        controlBlock(0, {1}),
        {923, 0, 1},
        {923, 0, 53},
        join({{923, 1}, numericGroup("3")}),
        {923, 1, 2},
    }));
    ASSERT_TRUE(content.macro.has_value());
    EXPECT_EQ(content.macro->fileName, std::optional<std::string>("BX"));
    EXPECT_FALSE(content.macro->segmentCount.has_value());
}

TEST(SymbolContent, FieldsWithoutAControlBlockMakeNoMacro) {
    const SymbolContent content = contentOfCodewords({1, 923, 0, 1, 922});
    EXPECT_FALSE(content.macro.has_value());
    EXPECT_EQ(piecesOf(content), "d-1:AB");
}

TEST(SymbolContent, MacroSegmentsKeepTheirCodewords) {
    const SegmentList segments =
        segmentsOf(join({{1}, controlBlock(2, {17, 53}), {923, 3, 17}, {923, 9, 1}, {922}}));
    std::vector<std::vector<std::int32_t>> kept;
    std::string tags;
    for (const Segment& segment : segments) {
        tags += segment.tag;
        kept.push_back(segment.codewords);
    }
    EXPECT_EQ(tags, "tmoz");
    const std::vector<std::vector<std::int32_t>> expected = {{}, {111, 102, 17, 53}, {3, 17}, {}};
    EXPECT_EQ(kept, expected);
}

// zint's own control block: --structapp=2,3,4242 is the second of three
// segments (index 1) of file ID 4242, which it cuts into the triplets 424 and
// 2 from the left: the codewords 424 and 2, "424002" three digits each.
TEST(SymbolContent, ReadsTheControlBlockOfAZintSymbol) {
    const std::vector<std::string> rows =
        tessoran_test::zintModuleRows({"--structapp=2,3,4242"}, "Part two");
    const std::vector<int> codewords = tessoran_test::moduleRowsToCodewords(rows);
    const Result<SegmentList> segments =
        interpretCodewords(std::vector<std::int32_t>(codewords.begin(), codewords.end()));
    ASSERT_TRUE(segments.ok());
    const SymbolContent content = contentOf(segments.value());
    EXPECT_EQ(content.data(), "Part two");
    ASSERT_TRUE(content.macro.has_value());
    EXPECT_EQ(content.macro->segmentIndex, std::optional<std::uint32_t>(1));
    EXPECT_EQ(content.macro->fileId, "424002");
    EXPECT_EQ(content.macro->segmentCount, std::optional<std::uint64_t>(3));
    EXPECT_FALSE(content.macro->lastSegment);
}

}  // namespace
}  // namespace ostrel2::tessoran
