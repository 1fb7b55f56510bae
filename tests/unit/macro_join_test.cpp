// SPDX-License-Identifier: Apache-2.0
// The parts of Macro PDF417 files put back together: what is complete, and
// for what is not, exactly what is missing, doubled or contradictory.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "decoding/CodewordInterpreter.h"
#include "decoding/MacroJoin.h"
#include "support/Zint.h"

namespace ostrel2::tessoran {
namespace {

struct PartValues {
    std::optional<std::uint32_t> index;
    std::string data;
    std::optional<std::uint64_t> count = std::nullopt;
    bool last = false;
    std::string fileId = "001";
};

std::vector<MacroPart> partsOf(const std::vector<PartValues>& partValues) {
    std::vector<MacroPart> parts;
    for (const PartValues& values : partValues) {
        MacroPart part;
        part.control.segmentIndex = values.index;
        part.control.segmentCount = values.count;
        part.control.lastSegment = values.last;
        part.control.fileId = values.fileId;
        part.data = values.data;
        parts.push_back(part);
    }
    return parts;
}

struct JoinCase {
    const char* what;
    std::vector<PartValues> parts;
    bool complete;
    std::string data;
    std::optional<std::uint64_t> count;
    std::vector<std::uint32_t> missing = {};
    std::vector<std::uint32_t> conflicting = {};
    std::vector<std::uint64_t> conflictingCounts = {};
    std::vector<std::uint32_t> beyondCount = {};
    std::vector<std::size_t> unplaced = {};
};

TEST(MacroJoin, OneFile) {
    const std::vector<JoinCase> cases = {
        {"in order, counted", {{0, "ab", 3}, {1, "cd", 3}, {2, "ef", 3}}, true, "abcdef", 3},
        {"out of order", {{2, "ef", 3}, {0, "ab"}, {1, "cd"}}, true, "abcdef", 3},
        {"the last-segment mark gives the count",
         {{1, "cd"}, {2, "ef", std::nullopt, true}, {0, "ab"}},
         true,
         "abcdef",
         3},
        {"count field and mark agree", {{0, "ab", 2}, {1, "cd", 2, true}}, true, "abcd", 2},
        {"the same part twice", {{0, "ab", 2}, {1, "cd"}, {0, "ab"}}, true, "abcd", 2},
        {"one segment alone", {{0, "x", std::nullopt, true}}, true, "x", 1},
        {"no count, no mark", {{0, "ab"}, {1, "cd"}}, false, "", std::nullopt},
        {"a gap", {{0, "ab", 4}, {2, "ef"}}, false, "", 4, {1, 3}},
        {"two data for one index", {{0, "ab", 2}, {1, "cd"}, {1, "xx"}}, false, "", 2, {}, {1}},
        {"counts that disagree",
         {{0, "ab", 2}, {1, "cd", 3}},
         false,
         "",
         std::nullopt,
         {},
         {},
         {2, 3}},
        {"a mark against the count",
         {{0, "ab", 3}, {1, "cd", std::nullopt, true}},
         false,
         "",
         std::nullopt,
         {},
         {},
         {2, 3}},
        {"an index beyond the count", {{0, "ab", 1}, {1, "cd"}}, false, "", 1, {}, {}, {}, {1}},
        {"a part without an index",
         {{0, "ab", 1}, {std::nullopt, "??"}},
         false,
         "",
         1,
         {},
         {},
         {},
         {},
         {1}},
        {"a count no index can reach", {{0, "ab", 100001}}, false, "", 100001},
    };
    for (const JoinCase& c : cases) {
        const std::vector<MacroPart> parts = partsOf(c.parts);
        const std::vector<JoinedFile> files = joinMacroParts(parts);
        ASSERT_EQ(files.size(), 1U) << c.what;
        const JoinedFile& file = files.front();
        EXPECT_EQ(file.complete(), c.complete) << c.what;
        EXPECT_EQ(file.data, c.data) << c.what;
        EXPECT_EQ(file.segmentCount, c.count) << c.what;
        if (c.count.value_or(0) <= kMostMacroSegments) {
            EXPECT_EQ(file.missing, c.missing) << c.what;
        }
        EXPECT_EQ(file.conflicting, c.conflicting) << c.what;
        EXPECT_EQ(file.conflictingCounts, c.conflictingCounts) << c.what;
        EXPECT_EQ(file.beyondCount, c.beyondCount) << c.what;
        EXPECT_EQ(file.unplaced, c.unplaced) << c.what;
    }
}

TEST(MacroJoin, AnUnreachableCountListsOnlyReachableIndices) {
    const std::vector<MacroPart> parts = partsOf({{0, "ab", 100001}});
    const JoinedFile file = joinMacroParts(parts).front();
    ASSERT_EQ(file.missing.size(), kMostMacroSegments - 1);
    EXPECT_EQ(file.missing.front(), 1U);
    EXPECT_EQ(file.missing.back(), kMostMacroSegments - 1);
}

TEST(MacroJoin, FilesByFileIdInOrderOfFirstPart) {
    const std::vector<MacroPart> parts = partsOf({
        {1, "B2", std::nullopt, true, "222"},
        {0, "A1", 2, false, "111"},
        {0, "B1", std::nullopt, false, "222"},
        {1, "A2", std::nullopt, false, "111"},
    });
    const std::vector<JoinedFile> files = joinMacroParts(parts);
    ASSERT_EQ(files.size(), 2U);
    EXPECT_EQ(files[0].fileId, "222");
    EXPECT_EQ(files[0].data, "B1B2");
    EXPECT_EQ(files[1].fileId, "111");
    EXPECT_EQ(files[1].data, "A1A2");
    EXPECT_TRUE(files[0].complete());
    EXPECT_TRUE(files[1].complete());
}

TEST(MacroJoin, NoPartsNoFiles) {
    EXPECT_TRUE(joinMacroParts({}).empty());
}

TEST(MacroJoin, OptionalFieldsFromTheFirstPartThatGivesThem) {
    std::vector<MacroPart> parts = partsOf({{0, "a", 3}, {1, "b"}, {2, "c"}});
    parts[1].control.fileName = "report.txt";
    parts[2].control.fileName = "report.txt";
    parts[1].control.sender = "ANNA";
    parts[2].control.sender = "BERT";
    parts[2].control.fileSize = 3;
    const JoinedFile file = joinMacroParts(parts).front();
    EXPECT_EQ(file.fileName, std::optional<std::string>("report.txt"));
    EXPECT_EQ(file.sender, std::optional<std::string>("ANNA"));
    EXPECT_EQ(file.fileSize, std::optional<std::uint64_t>(3));
    EXPECT_FALSE(file.addressee.has_value());
    EXPECT_EQ(file.conflictingFields, std::vector<std::string>{"sender"});
    EXPECT_TRUE(file.complete());
}

// Three zint symbols of one file, read from their modules in a shuffled
// order, make the file's data again.
TEST(MacroJoin, ZintSymbolsOfOneFile) {
    const std::vector<std::string> texts = {"First part, ", "second part, ", "third part."};
    std::vector<MacroPart> parts;
    for (const int position : {2, 0, 1}) {
        const std::string structure = "--structapp=" + std::to_string(position + 1) + ",3,4242";
        const std::vector<int> codewords = tessoran_test::moduleRowsToCodewords(
            tessoran_test::zintModuleRows({structure}, texts[static_cast<std::size_t>(position)]));
        const Result<SegmentList> segments =
            interpretCodewords(std::vector<std::int32_t>(codewords.begin(), codewords.end()));
        ASSERT_TRUE(segments.ok());
        const SymbolContent content = contentOf(segments.value());
        ASSERT_TRUE(content.macro.has_value());
        parts.push_back({*content.macro, content.data()});
    }
    const std::vector<JoinedFile> files = joinMacroParts(parts);
    ASSERT_EQ(files.size(), 1U);
    EXPECT_TRUE(files[0].complete());
    EXPECT_EQ(files[0].data, "First part, second part, third part.");
}

}  // namespace
}  // namespace ostrel2::tessoran
